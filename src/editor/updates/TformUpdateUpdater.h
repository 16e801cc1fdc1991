#pragma once

#include <QWidget>

// Never shown: holds the updater's web requests.
class TformUpdateUpdater : public QWidget {
    Q_OBJECT
public:
    explicit TformUpdateUpdater(QWidget *parent = nullptr);
};
