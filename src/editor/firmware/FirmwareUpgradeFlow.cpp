#include "firmware/FirmwareUpgradeFlow.h"

#include "app/StatusLine.h"
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
    connect(&m_main, &TformMain::pedalStageEntered, this, &FirmwareUpgradeFlow::pedalStageEntered);
    // A run that failed because the pedal went away offers no second one.
    connect(&m_window, &TformFirmwareUpgrade::upgradeFailed, this, [this] {
        if (!m_main.pedalOpen())
            pedalStageEntered(PedalCommandList::Stage::Closed);
    });
}

void FirmwareUpgradeFlow::pedalStageEntered(PedalCommandList::Stage stage)
{
    if (stage == PedalCommandList::Stage::Closed) {
        m_window.btnUpgradeFirmware->setEnabled(false);
        m_window.btnUpgradeFirmware->setToolTip(QString::fromUtf8(NoBootloaderTip));
    } else if (stage == PedalCommandList::Stage::Bootloader) {
        m_window.btnUpgradeFirmware->setEnabled(!m_upgraded);
        m_window.btnUpgradeFirmware->setToolTip(m_upgraded ? QString::fromUtf8(OneUpgradeTip) : QString());
    }
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
    m_upgraded = true;
    m_window.btnUpgradeFirmware->setToolTip(QString::fromUtf8(OneUpgradeTip));
    m_main.menuFirmwareUpgradeMode->setChecked(false);
    m_main.communication().firmware_upgrade_mode = false;
    m_main.enterPedalStage(PedalCommandList::Stage::Open);
    m_main.statusLine().say(QStringLiteral("Firmware upgraded: press Request to read the new version."));
}
