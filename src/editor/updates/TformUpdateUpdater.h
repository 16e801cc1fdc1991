#pragma once

#include <QWidget>

// Never shown. The updater's two web requests (its version and its download)
// are made by UpdaterRefresh, run from UpdateMenu::LaunchUpdate.
class TformUpdateUpdater : public QWidget {
    Q_OBJECT
public:
    explicit TformUpdateUpdater(QWidget *parent = nullptr);
};
