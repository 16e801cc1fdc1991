#pragma once

#include <QWidget>

// The firmware upgrade window, shown from the Firmware Upgrade menu.
class TformFirmwareUpgrade : public QWidget {
    Q_OBJECT
public:
    explicit TformFirmwareUpgrade(QWidget *parent = nullptr);
};
