#include "firmware/FirmwareUpgradeFlow.h"

#include "app/TformMain.h"
#include "device/Communication.h"
#include "firmware/TformFirmwareUpgrade.h"

#include <QAction>
#include <QPushButton>

FirmwareUpgradeFlow::FirmwareUpgradeFlow(TformMain &main, TformFirmwareUpgrade &window)
    : QObject(&main), m_main(main), m_window(window)
{
    connect(m_main.menuStartFirmwareUpgrade, &QAction::triggered, this,
            &FirmwareUpgradeFlow::menuStartFirmwareUpgradeClick);
    connect(&m_window, &TformFirmwareUpgrade::upgradeCompleted, this, &FirmwareUpgradeFlow::upgradeCompleted);
}

void FirmwareUpgradeFlow::menuStartFirmwareUpgradeClick()
{
    // Not modal: the main window and the Debug Console stay usable.
    m_window.show();
    m_window.raise();
    m_window.activateWindow();
}

void FirmwareUpgradeFlow::upgradeCompleted()
{
    // The upgrade's exchange has ended, so the main window's locked commands
    // are back as they were; now they change for the new firmware.
    m_main.menuFirmwareUpgradeMode->setChecked(false);
    m_main.communication().firmware_upgrade_mode = false;
    m_main.enterPedalStage(PedalCommandList::Stage::Open);
}
