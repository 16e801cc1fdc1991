#pragma once

#include <QWidget>

// Tells the user of a newer editor version.
class TformNewVersionMsg : public QWidget {
    Q_OBJECT
public:
    explicit TformNewVersionMsg(QWidget *parent = nullptr);
};
