// The firmware upgrade from the main window, against the simulated pedal's
// own bootloader: Upgrade Mode, Connect, Start Firmware Upgrade, Upgrade
// Firmware, and a Request that reads the new firmware.

#include "EditorFixture.h"

#include "app/TformMain.h"
#include "device/Communication.h"
#include "firmware/TformFirmwareUpgrade.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QGuiApplication>

namespace {

class FirmwareUpgradeWindowTest : public EditorFixture {
protected:
    // The editor connected in upgrade mode to a pedal in its bootloader,
    // running firmware 5, with the upgrade window open.
    void openUpgradeWindow(const QStringList &faults = {})
    {
        connectToBootloader(faults, 5);
        TformMain &w = *windows->formMain;
        ASSERT_TRUE(w.menuStartFirmwareUpgrade->isEnabled());
        prompts.messages.clear();
        window().upgrade().bytePause = [this] { clock.sleep(1); };
        w.menuStartFirmwareUpgrade->trigger();
    }
    TformFirmwareUpgrade &window() { return *windows->formFirmwareUpgrade; }
    std::uint8_t versionByte()
    {
        return std::uint8_t(driver.pedal().state().flash.at(int(PedalDevice::VersionByteAddress - PedalState::FlashBase)));
    }
};

}  // namespace

TEST_F(FirmwareUpgradeWindowTest, UpgradesAndReturnsTheMainWindowToNormalUse)
{
    for (const bool fast : {false, true}) {
        SCOPED_TRACE(fast ? "fast" : "paced");
        openUpgradeWindow();
        TformMain &w = *windows->formMain;
        TformFirmwareUpgrade &f = window();
        ASSERT_TRUE(f.isVisible());
        EXPECT_EQ(f.windowTitle(), "Firmware Upgrade");
        EXPECT_EQ(f.cmbFirmwareChoose->currentText(), "Firmware_8");
        EXPECT_EQ(logLines().mid(logLines().size() - 2), QStringList({"Firmware Version: 8", "Firmware_8"}));
        EXPECT_FALSE(f.chkFastTransfer->isChecked());
        EXPECT_FALSE(f.chkVerify->isChecked());
        f.chkFastTransfer->setChecked(fast);

        QList<int> progress;
        QObject::connect(f.ProgressBar1, &QProgressBar::valueChanged, [&](int v) { progress << v; });
        // While the upgrade runs, no other pedal command can start.
        QStringList lockedWhenShown;
        int barWhenShown = -1;
        prompts.onMessage = [&](const QString &) {
            barWhenShown = f.ProgressBar1->value();
            for (QObject *command : QList<QObject *>{w.btnRequest, w.btnUpload, w.menuDisconnect,
                                                     w.menuStartFirmwareUpgrade, f.btnUpgradeFirmware})
                if (command->property("enabled").toBool())
                    lockedWhenShown << command->objectName();
        };
        f.btnUpgradeFirmware->click();
        prompts.onMessage = nullptr;

        EXPECT_EQ(prompts.messages, QStringList({"Firmware Upgrade Complete, device will now restart"}));
        EXPECT_TRUE(lockedWhenShown.isEmpty()) << lockedWhenShown.join(' ').toStdString();
        EXPECT_EQ(f.ProgressBar1->maximum(), 199);
        ASSERT_FALSE(progress.isEmpty());
        EXPECT_EQ(progress.last(), 199);
        EXPECT_EQ(barWhenShown, 199) << "the bar is full before the completion box";
        EXPECT_GT(progress.size(), 100);
        EXPECT_EQ(versionByte(), 8);
        // Step 9: the window hidden, upgrade mode off, the pedal commands back.
        EXPECT_FALSE(f.isVisible());
        EXPECT_FALSE(f.btnUpgradeFirmware->isEnabled());
        EXPECT_FALSE(w.menuFirmwareUpgradeMode->isChecked());
        EXPECT_FALSE(w.communication().firmware_upgrade_mode);
        EXPECT_TRUE(w.btnRequest->isEnabled());
        EXPECT_TRUE(w.btnUpload->isEnabled());
        EXPECT_EQ(driver.parity(), 0);

        // The new firmware answers the status request.
        w.btnRequest->click();
        EXPECT_EQ(w.lblFirmwareVersion->text(), "Device Firmware: 08");
        w.menuDisconnect->trigger();
        windows.reset();
    }
}

TEST_F(FirmwareUpgradeWindowTest, AFailedUpgradeCanBeRunAgain)
{
    // Bootloader frames: 1 the sync, 2-3 the erase, chunk 5's data is 6 + 3 x 5.
    openUpgradeWindow({"nack=21"});
    TformMain &w = *windows->formMain;
    TformFirmwareUpgrade &f = window();
    f.btnUpgradeFirmware->click();
    EXPECT_EQ(prompts.messages,
              QStringList({"Firmware upgrade failed: no acknowledge for chunk 5 at 0x08000500"}));
    EXPECT_EQ(driver.pedal().mode(), PedalDevice::Mode::Bootloader);
    EXPECT_EQ(versionByte(), 0xFF);
    EXPECT_TRUE(f.isVisible());
    EXPECT_TRUE(f.btnUpgradeFirmware->isEnabled());
    EXPECT_TRUE(w.menuFirmwareUpgradeMode->isChecked());
    EXPECT_FALSE(w.btnRequest->isEnabled());

    prompts.messages.clear();
    f.btnUpgradeFirmware->click();
    EXPECT_EQ(prompts.messages, QStringList({"Firmware Upgrade Complete, device will now restart"}));
    EXPECT_EQ(versionByte(), 8);
    EXPECT_TRUE(logLines().contains("SEND SYNC"));
    EXPECT_TRUE(w.btnRequest->isEnabled());
}

// Unplugged in the middle of writing: one box, in plain words, and every
// window disconnected, the upgrade window's button included.
TEST_F(FirmwareUpgradeWindowTest, AnUnplugMidUpgradeGivesOneBoxAndDisconnectsEverywhere)
{
    openUpgradeWindow();
    TformMain &w = *windows->formMain;
    TformFirmwareUpgrade &f = window();
    QObject::connect(f.ProgressBar1, &QProgressBar::valueChanged, [&](int v) {
        if (v == 20)
            driver.unplug();
    });
    f.btnUpgradeFirmware->click();
    QCoreApplication::processEvents();
    EXPECT_EQ(prompts.messages,
              QStringList({"The pedal stopped answering. Check the USB cable and choose Connect again."}));
    EXPECT_EQ(prompts.details.size(), 1);
    EXPECT_TRUE(logLines().join('\n').contains("Firmware upgrade failed: ")) << "the failure is logged";
    EXPECT_FALSE(w.pedalOpen());
    EXPECT_FALSE(w.menuStartFirmwareUpgrade->isEnabled());
    EXPECT_FALSE(f.btnUpgradeFirmware->isEnabled());
    EXPECT_FALSE(f.btnUpgradeFirmware->toolTip().isEmpty()) << "it says why";
    EXPECT_TRUE(w.menuConnect->isEnabled());
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

// Bootloader frames for the two tests below: 1 the sync, 2-3 the erase,
// chunk 5's address is 5 + 3 x 5. Its answer is lost: the bootloader has
// accepted the address and waits for a data frame, up to 258 bytes.
constexpr const char *AddressUnanswered = "silent=20";
constexpr const char *AddressFailure =
    "Firmware upgrade failed: no answer within 1 s for the address of chunk 5 at 0x08000500";

TEST_F(FirmwareUpgradeWindowTest, AfterAFailedUpgradeDisconnectAndConnectFindTheBootloader)
{
    openUpgradeWindow({AddressUnanswered});
    TformMain &w = *windows->formMain;
    TformFirmwareUpgrade &f = window();
    f.btnUpgradeFirmware->click();
    ASSERT_EQ(prompts.messages, QStringList({AddressFailure}));
    driver.pedal().faults() = PedalFaults{};

    w.menuDisconnect->trigger();
    prompts.messages.clear();
    w.menuConnect->trigger();
    EXPECT_EQ(prompts.messages, QStringList({"Connection to bootloader succeeded, ready for firmware upgrade"}));
    EXPECT_EQ(logLines().last(), "received Byte: 1F") << "found in its command phase";
    prompts.messages.clear();
    w.menuStartFirmwareUpgrade->trigger();
    f.btnUpgradeFirmware->click();
    EXPECT_EQ(prompts.messages, QStringList({"Firmware Upgrade Complete, device will now restart"}));
    EXPECT_EQ(versionByte(), 8);
    EXPECT_EQ(driver.pedal().mode(), PedalDevice::Mode::Firmware);
}

// The editor restarted after the failure (its device handle closed with
// it), the pedal still inside the frame: the new window's Connect finds it.
TEST_F(FirmwareUpgradeWindowTest, AfterARestartConnectFindsTheBootloaderInsideAFrame)
{
    openUpgradeWindow({AddressUnanswered});
    window().btnUpgradeFirmware->click();
    ASSERT_EQ(prompts.messages, QStringList({AddressFailure}));
    driver.pedal().faults() = PedalFaults{};
    transport->CloseFTDevice();
    windows.reset();

    prompts.messages.clear();
    start();
    TformMain &w = *windows->formMain;
    w.menuFirmwareUpgradeMode->trigger();
    w.menuConnect->trigger();
    EXPECT_EQ(prompts.messages, QStringList({"Connection to bootloader succeeded, ready for firmware upgrade"}));
    ASSERT_TRUE(w.menuStartFirmwareUpgrade->isEnabled());
    prompts.messages.clear();
    window().upgrade().bytePause = [this] { clock.sleep(1); };
    w.menuStartFirmwareUpgrade->trigger();
    window().btnUpgradeFirmware->click();
    EXPECT_EQ(prompts.messages, QStringList({"Firmware Upgrade Complete, device will now restart"}));
    EXPECT_EQ(versionByte(), 8);
    EXPECT_TRUE(w.btnRequest->isEnabled());
}
