#pragma once

#include "app/PedalCommandList.h"

#include <QObject>

class TformFirmwareUpgrade;
class TformMain;

// The firmware upgrade from the main window's side: "Start Firmware Upgrade"
// shows the upgrade window, and a completed upgrade returns the main window
// to normal use (upgrade mode off, Request and Upload Selected enabled), so a
// Request then reads the new firmware's version. Without a bootloader to
// talk to (no pedal, or a pedal gone mid-upgrade) the window's button is
// disabled and says why.
class FirmwareUpgradeFlow : public QObject {
    Q_OBJECT
public:
    FirmwareUpgradeFlow(TformMain &main, TformFirmwareUpgrade &window);

public slots:
    void menuStartFirmwareUpgradeClick();
    void upgradeCompleted();
    void pedalStageEntered(PedalCommandList::Stage stage);

public:
    static constexpr const char *NoBootloaderTip =
        "No pedal bootloader is connected: choose Firmware Upgrade → Upgrade Mode, then Connection → Connect.";
    static constexpr const char *OneUpgradeTip = "One upgrade per run: start the editor again for another.";

private:
    TformMain &m_main;
    TformFirmwareUpgrade &m_window;
    bool m_upgraded = false;
};
