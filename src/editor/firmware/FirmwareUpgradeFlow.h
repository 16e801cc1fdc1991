#pragma once

#include <QObject>

class TformFirmwareUpgrade;
class TformMain;

// The firmware upgrade from the main window's side: "Start Firmware Upgrade"
// shows the upgrade window, and a completed upgrade returns the main window
// to normal use (upgrade mode off, Request and Upload Selected enabled), so a
// Request then reads the new firmware's version.
class FirmwareUpgradeFlow : public QObject {
    Q_OBJECT
public:
    FirmwareUpgradeFlow(TformMain &main, TformFirmwareUpgrade &window);

public slots:
    void menuStartFirmwareUpgradeClick();
    void upgradeCompleted();

private:
    TformMain &m_main;
    TformFirmwareUpgrade &m_window;
};
