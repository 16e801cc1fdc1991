#include "EditorFixture.h"

#include "app/StatusLine.h"
#include "ScriptedReplies.h"

#include "app/TformMain.h"
#include "device/Communication.h"
#include "firmware/BootloaderProtocol.h"
#include "params/TformFXsettings.h"

#include <QAction>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QCursor>
#include <QGuiApplication>
#include <QRegularExpression>
#include <QTest>

namespace {

bool enabled(TformMain &w, const char *name)
{
    if (auto *button = w.findChild<QPushButton *>(name))
        return button->isEnabled();
    if (auto *action = w.findChild<QAction *>(name))
        return action->isEnabled();
    ADD_FAILURE() << "no control named " << name;
    return false;
}

const char *const kAfterRequest[] = {"btnAssign", "btnSaveParameters", "btnSetFootswitchMode",
                                     "btnSetTuning", "menuUploadTuningsData"};

}  // namespace

TEST_F(EditorFixture, StartWithoutAPedalKeepsTheStartTexts)
{
    useStandIn();
    start();
    EXPECT_EQ(windows->formMain->lblDeviceName->text(), "No device found");
    EXPECT_EQ(windows->formMain->menuSerialNumber->text().remove('&'), "Device Serial: ");
    EXPECT_TRUE(prompts.messages.isEmpty());
    EXPECT_TRUE(logLines().isEmpty());
}

TEST_F(EditorFixture, StartShowsAProgrammedDescriptionUnchanged)
{
    useStandIn();
    fake.add("A1B2", "Studio Rig Sub");
    fake.add("C3D4", "FT230X Basic UART");
    start();
    // Serial numbers run together; the label and Connect follow the last device.
    EXPECT_EQ(windows->formMain->menuSerialNumber->text().remove('&'), "Device Serial: A1B2C3D4");
    EXPECT_EQ(windows->formMain->lblDeviceName->text(), "Sombrant MK3");
    EXPECT_EQ(windows->formMain->connection().device_serial_number, "C3D4");

    fake.reset();
    fake.add("A1B2", "Studio Rig Sub");
    EditorFixture::windows.reset();
    start();
    EXPECT_EQ(windows->formMain->lblDeviceName->text(), "Studio Rig Sub");
}

TEST_F(EditorFixture, ScanReportsNoDeviceAndEachDeviceFound)
{
    useStandIn();
    start();
    TformMain &w = *windows->formMain;
    w.menuScan->trigger();
    EXPECT_EQ(prompts.messages, QStringList({"No device found"}));
    EXPECT_EQ(w.lblDeviceName->text(), "No device found");
    EXPECT_EQ(logLines(), QStringList({"FT device count: 0"}));

    fake.add("PDL00001", "FT230X Basic UART");
    fake.add("PDL00002", "Second Pedal");
    prompts.clearBoxes();
    w.menuScan->trigger();
    EXPECT_EQ(prompts.messages, QStringList({"FT230X Basic UART found, click Connect",
                                             "Second Pedal found, click Connect"}));
    EXPECT_EQ(w.lblDeviceName->text(), "Second Pedal");
    EXPECT_EQ(w.connection().device_serial_number, "PDL00002");
    EXPECT_EQ(logLines().mid(1), QStringList({"FT device count: 2", "FT_Device_String: PDL00001",
                                              "FT_Device_String: PDL00002"}));
    EXPECT_EQ(w.menuSerialNumber->text().remove('&'), "Device Serial: ") << "Scan leaves the Info menu alone";
}

TEST_F(EditorFixture, ConnectDisconnectConnectFollowsTheLabelAndControls)
{
    start();
    TformMain &w = *windows->formMain;
    w.menuConnect->trigger();
    EXPECT_EQ(w.lblDeviceName->text(), "Sombrant MK3 connected");
    EXPECT_TRUE(prompts.messages.isEmpty());
    EXPECT_TRUE(w.pedalOpen());
    for (const char *name : {"menuDisconnect", "btnUpload", "btnRequest", "menuLoadPreset",
                             "menuSavePreset", "menuLoadAlgorithmFromFile"})
        EXPECT_TRUE(enabled(w, name)) << name;
    for (const char *name : {"menuScan", "menuConnect", "menuFirmwareUpgradeMode",
                             "menuStartFirmwareUpgrade"})
        EXPECT_FALSE(enabled(w, name)) << name;
    EXPECT_TRUE(windows->formFXsettings->parameterControlsEnabled());
    // The chip powers up in another frame: Connect sets all of 8N1.
    EXPECT_EQ(driver.baudRate(), 115200u);
    EXPECT_EQ(driver.wordLength(), 8);
    EXPECT_EQ(driver.stopBits(), 0);
    EXPECT_EQ(driver.parity(), 0);
    const QStringList lines = logLines();
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0], "serial number: SIM00001");
    EXPECT_EQ(lines[1], "FT_HANDLE: 0x5A4D0001");
    EXPECT_EQ(lines[2], "baud rate = 115200");

    w.menuDisconnect->trigger();
    EXPECT_EQ(w.lblDeviceName->text(), "Sombrant MK3 ");
    EXPECT_FALSE(driver.isOpen());
    // Saving a preset needs no pedal; loading one, or an effect file, sends to it.
    for (const char *name : {"menuScan", "menuConnect", "menuSavePreset"})
        EXPECT_TRUE(enabled(w, name)) << name;
    for (const char *name : {"menuDisconnect", "btnUpload", "btnRequest", "btnAssign",
                             "menuFirmwareUpgradeMode", "menuLoadPreset", "menuLoadAlgorithmFromFile"})
        EXPECT_FALSE(enabled(w, name)) << name;
    EXPECT_FALSE(windows->formFXsettings->parameterControlsEnabled());

    w.menuConnect->trigger();
    EXPECT_EQ(w.lblDeviceName->text(), "Sombrant MK3  connected");
}

TEST_F(EditorFixture, AFailedOpenLeavesTheWindowDisconnected)
{
    useStandIn();
    start();
    windows->formMain->menuConnect->trigger();
    EXPECT_EQ(prompts.details, QStringList({"Open_USB_Device_By_Serial_Number - Device not found..."}));
    EXPECT_TRUE(enabled(*windows->formMain, "menuConnect"));
    EXPECT_FALSE(windows->formMain->pedalOpen());
}

TEST_F(EditorFixture, UpgradeModeHandshakeAcceptsOnlyTheAcknowledge)
{
    struct Case {
        const char *what;
        QByteArray answer;
        int afterMs;
        const char *received;
        const char *message;
        bool acknowledged;
    };
    // The bootloader has 1 s to answer: an answer just inside it counts;
    // silence is met with filler bytes (a bootloader inside a frame answers
    // once it is complete), within the synchronisation's bound.
    const Case cases[] = {
        {"ACK", QByteArray("\x79", 1), 1, "received Byte: 79",
         "Connection to bootloader succeeded, ready for firmware upgrade", true},
        {"NACK", QByteArray("\x1F", 1), 1, "received Byte: 1F", "Connection to bootloader failed", false},
        {"late ACK", QByteArray("\x79", 1), 990, "received Byte: 79",
         "Connection to bootloader succeeded, ready for firmware upgrade", true},
        {"silence", {}, 1, "received Byte: ", "Connection to bootloader failed", false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        useStandIn();
        fake.add("PDL00001", "FT230X Basic UART");
        prompts.clearBoxes();
        start();
        TformMain &w = *windows->formMain;
        w.menuFirmwareUpgradeMode->trigger();
        ASSERT_TRUE(w.communication().firmware_upgrade_mode);
        // Left over from before: must not be taken for the answer.
        fake.push(0, QByteArray("\x79", 1));
        const std::int64_t before = clock.now;
        answerOnce(c.answer, c.afterMs);
        w.menuConnect->trigger();

        const QStringList calls = fake.journalWithout("FT_GetQueueStatus");
        const qsizetype sync = calls.indexOf(QRegularExpression("^@\\d+ FT_Write 7F$"));
        ASSERT_GT(sync, 0) << calls.join('\n');
        EXPECT_TRUE(calls[sync - 1].endsWith("FT_Purge RX")) << calls.join('\n');
        EXPECT_EQ(prompts.messages, QStringList({c.message}));
        EXPECT_EQ(logLines().last(), c.received);
        EXPECT_TRUE(w.lblDeviceName->text().endsWith(" connected"));
        EXPECT_EQ(enabled(w, "menuStartFirmwareUpgrade"), c.acknowledged);
        EXPECT_EQ(enabled(w, "btnRequest"), !c.acknowledged);
        EXPECT_EQ(enabled(w, "btnUpload"), !c.acknowledged);
        EXPECT_TRUE(enabled(w, "menuDisconnect"));
        if (c.answer.isEmpty()) {
            EXPECT_GE(clock.now - before, 1000);
            EXPECT_LE(clock.now - before, BootloaderProtocol::SyncDeadlineMs);
            EXPECT_EQ(fake.callCount("FT_Write"), 1u + BootloaderProtocol::MaxFillers);
        }
        windows.reset();
    }
}

// Unplugged between the open and the line settings: one box, the device is
// closed again and the window stays disconnected.
TEST_F(EditorFixture, APedalGoneWhileConnectingLeavesTheWindowDisconnected)
{
    useStandIn();
    fake.add("PDL00001", "FT230X Basic UART");
    start();
    TformMain &w = *windows->formMain;
    ASSERT_EQ(fake.failNext("FT_SetBaudRate", 4), 0);
    w.menuConnect->trigger();
    QCoreApplication::processEvents();
    EXPECT_EQ(prompts.details, QStringList({"FT_SetBaudRate - General IO error..."}));
    EXPECT_EQ(fake.deviceHandle(0), nullptr) << "closed again";
    EXPECT_EQ(fake.callCount("FT_SetDataCharacteristics"), 0u);
    // Plain words in the box, the driver's below them and in the log.
    EXPECT_EQ(prompts.failures,
              QStringList({"The pedal stopped answering. Check the USB cable and choose Connect again."}));
    EXPECT_EQ(logLines(), QStringList({"serial number: PDL00001", "FT_SetBaudRate - General IO error..."}))
        << "Connect stopped at the failure";
    EXPECT_FALSE(w.pedalOpen());
    EXPECT_FALSE(w.pedalOpen());
    EXPECT_EQ(w.lblDeviceName->text(), "Sombrant MK3 ");
    EXPECT_TRUE(enabled(w, "menuConnect"));
    EXPECT_FALSE(enabled(w, "btnRequest"));
    EXPECT_FALSE(enabled(w, "menuDisconnect"));
}

// A failed open in upgrade mode still tries the handshake, and each step
// says how it failed, in order.
TEST_F(EditorFixture, UpgradeModeHandshakeAfterAFailedOpen)
{
    useStandIn();
    start();
    TformMain &w = *windows->formMain;
    w.menuFirmwareUpgradeMode->trigger();
    w.menuConnect->trigger();
    EXPECT_EQ(prompts.details, QStringList({"Open_USB_Device_By_Serial_Number - Device not found...",
                                            "FT_Write - Invalid handle...",
                                            "FT_GetQueueStatus - Invalid handle..."}));
    EXPECT_EQ(prompts.messages.last(), "Connection to bootloader failed");
    EXPECT_EQ(logLines().last(), "received Byte: ");
    EXPECT_FALSE(w.pedalOpen());
    EXPECT_TRUE(enabled(w, "menuConnect"));
    EXPECT_FALSE(enabled(w, "menuStartFirmwareUpgrade"));
}

TEST_F(EditorFixture, RequestShowsTheVersionsAndEnablesTheSixControls)
{
    start();
    TformMain &w = *windows->formMain;
    w.menuConnect->trigger();
    QTest::mouseClick(w.btnRequest, Qt::LeftButton);
    EXPECT_EQ(w.lblFirmwareVersion->text(), "Device Firmware: 08");
    EXPECT_EQ(w.lblAlgorithmVersion->text(), "Device Algorithm: 0010");
    EXPECT_TRUE(prompts.messages.isEmpty());
    for (const char *name : kAfterRequest)
        EXPECT_TRUE(enabled(w, name)) << name;
    EXPECT_TRUE(w.menuMIDI->menuAction()->isEnabled());
    EXPECT_FALSE(w.request_in_progress);
    const QStringList lines = logLines();
    EXPECT_TRUE(lines.contains("Effect Number: 10"));
    EXPECT_TRUE(lines.contains("81:    00"));
    EXPECT_TRUE(lines.contains("Current device firmware: 08"));
    EXPECT_TRUE(lines.contains("Most recent firmware: 8"));
}

TEST_F(EditorFixture, AFailedRequestChangesNothingAndClearsItsFlag)
{
    useStandIn();
    fake.add("PDL00001", "FT230X Basic UART");
    start();
    TformMain &w = *windows->formMain;
    w.menuConnect->trigger();
    const std::pair<QByteArray, QString> cases[] = {
        {QByteArray(), "No reply from the pedal"},
        {encodeValues(statusValues().left(40)), "Incomplete reply from the pedal: 40 of 82 values"},
        {QByteArray("\n8\r\n:\r"), "Undecodable reply from the pedal at byte 4: 0A 3A"},
        {encodeValues(statusValues()).repeated(2), "Unexpected reply: more than 82 values"},
    };
    for (const auto &[reply, message] : cases) {
        prompts.clearBoxes();
        answerOnce(reply);
        bool flagDuringRequest = false;
        prompts.onMessage = [&](const QString &) { flagDuringRequest = w.request_in_progress; };
        QTest::mouseClick(w.btnRequest, Qt::LeftButton);
        EXPECT_EQ(prompts.messages, QStringList({message}));
        EXPECT_TRUE(flagDuringRequest);
        EXPECT_FALSE(w.request_in_progress);
        EXPECT_EQ(w.lblFirmwareVersion->text(), "Device Firmware:");
        for (const char *name : kAfterRequest)
            EXPECT_FALSE(enabled(w, name)) << name;
        EXPECT_TRUE(enabled(w, "btnRequest")) << "ready to try again";
    }
}

// While the request waits for its reply the pedal commands are locked and
// the cursor says so; a request that still gets through (a handler run from
// the wait) is refused and leaves the outer one's flag alone.
TEST_F(EditorFixture, ARequestHoldsThePedalCommandsUntilItsReply)
{
    start();
    TformMain &w = *windows->formMain;
    w.menuConnect->trigger();
    bool checked = false;
    clock.onAdvance = [&](std::int64_t) {
        if (checked)
            return;
        checked = true;
        for (const char *name : {"btnRequest", "btnUpload", "menuDisconnect", "menuLoadPreset",
                                 "menuSavePreset", "menuLoadAlgorithmFromFile"})
            EXPECT_FALSE(enabled(w, name)) << name << " during the wait";
        ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
        EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::BusyCursor);
        w.btnRequestClick();
        EXPECT_TRUE(w.request_in_progress) << "the nested click must not clear it";
    };
    QTest::mouseClick(w.btnRequest, Qt::LeftButton);
    ASSERT_TRUE(checked);
    EXPECT_TRUE(prompts.messages.isEmpty()) << prompts.messages.join(" | ");
    EXPECT_EQ(w.lblFirmwareVersion->text(), "Device Firmware: 08");
    EXPECT_TRUE(logLines().contains("Busy: status request refused while the status request waits for the pedal"));
    EXPECT_EQ(logLines().filter("Firmware Version: ").size(), 1);
    for (const char *name : {"btnRequest", "btnUpload", "menuDisconnect", "menuLoadPreset", "btnAssign"})
        EXPECT_TRUE(enabled(w, name)) << name << " after the reply";
    EXPECT_FALSE(enabled(w, "menuConnect"));
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_FALSE(w.request_in_progress);
}

TEST_F(EditorFixture, DisconnectAfterARequestLocksWhatNeedsThePedal)
{
    start();
    TformMain &w = *windows->formMain;
    w.menuConnect->trigger();
    QTest::mouseClick(w.btnRequest, Qt::LeftButton);
    ASSERT_TRUE(enabled(w, "btnAssign"));
    w.menuDisconnect->trigger();
    for (const char *name : {"btnRequest", "btnUpload", "btnAssign", "btnSaveParameters",
                             "btnSetFootswitchMode", "btnSetTuning", "menuUploadTuningsData",
                             "menuDisconnect"})
        EXPECT_FALSE(enabled(w, name)) << name;
    EXPECT_FALSE(w.menuMIDI->menuAction()->isEnabled());
    EXPECT_TRUE(enabled(w, "menuConnect"));
}

// Unplugged: the request stops at the first failure with one box, and the
// window is left as Disconnect leaves it.
TEST_F(EditorFixture, APedalUnpluggedDuringARequestDisconnectsTheWindow)
{
    start();
    TformMain &w = *windows->formMain;
    w.menuConnect->trigger();
    QTest::mouseClick(w.btnRequest, Qt::LeftButton);
    driver.unplug();
    QTest::mouseClick(w.btnRequest, Qt::LeftButton);
    EXPECT_EQ(prompts.details, QStringList({"FT_GetQueueStatus - General IO error..."}));
    EXPECT_EQ(prompts.failures,
              QStringList({"The pedal stopped answering. Check the USB cable and choose Connect again."}));
    // Gone, not merely disconnected: the label and the status line say so.
    EXPECT_EQ(w.lblDeviceName->text(), "No device found");
    EXPECT_EQ(w.statusLine().text(), QString::fromUtf8(StatusLine::GoneText));
    EXPECT_FALSE(driver.isOpen());
    EXPECT_FALSE(w.pedalOpen());
    for (const char *name : {"btnRequest", "btnUpload", "btnAssign", "menuDisconnect"})
        EXPECT_FALSE(enabled(w, name)) << name;
    for (const char *name : {"menuScan", "menuConnect"})
        EXPECT_TRUE(enabled(w, name)) << name;
    EXPECT_FALSE(windows->formFXsettings->parameterControlsEnabled());
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

// A write that expects no reply (a dial's live message) finds the pedal
// gone: the window follows as soon as the handler that wrote is over.
TEST_F(EditorFixture, APedalFoundGoneByAWriteDisconnectsTheWindow)
{
    start();
    TformMain &w = *windows->formMain;
    w.menuConnect->trigger();
    driver.unplug();
    w.communication().write_dsp_message("01", 0x00E8, 1);
    w.communication().write_dsp_message("01", 0x00E8, 2);
    EXPECT_TRUE(w.pedalOpen()) << "not inside the handler";
    QCoreApplication::processEvents();
    EXPECT_EQ(prompts.details, QStringList({"FT_Write - General IO error..."}));
    EXPECT_FALSE(w.pedalOpen());
    EXPECT_FALSE(driver.isOpen());
    EXPECT_TRUE(enabled(w, "menuConnect"));
    EXPECT_FALSE(enabled(w, "btnRequest"));
    EXPECT_TRUE(logLines().contains("The pedal has gone: disconnected"));
}

TEST_F(EditorFixture, AnEffectClickOpensTheParameterWindowBesideTheMainWindow)
{
    start();
    TformMain &w = *windows->formMain;
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    TformFXsettings &fx = *windows->formFXsettings;
    QListWidget *list = w.lstEffects;
    const QRect entry = list->visualItemRect(list->item(0));

    for (int click = 0; click < 2; ++click) {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, entry.center());
        EXPECT_TRUE(fx.isVisible());
    }
    EXPECT_EQ(fx.windowTitle(), "Sombrant MK3 0010");
    // Beside the main window, moved in where the screen ends first.
    const int beside = w.frameGeometry().x() + w.frameGeometry().width();
    const int screenEnd = w.screen()->availableGeometry().right() + 1;
    EXPECT_EQ(fx.pos(), QPoint(std::min(beside, screenEnd - fx.frameGeometry().width()), w.frameGeometry().y()));
    EXPECT_EQ(w.effects().selected_effect_name, "Sombrant MK3 0010");
    const QStringList lines = logLines();
    ASSERT_EQ(lines.size(), 8);
    EXPECT_EQ(lines.mid(0, 3), QStringList({"efx index :0", "selected effect name: Sombrant MK3 0010",
                                             "resource name: Sombrant_MK3_0010"}));
    EXPECT_TRUE(lines[3].startsWith("filecontent (first 128 bytes): 0011C0000B00E7")) << lines[3];
    EXPECT_EQ(lines[3].size(), QString("filecontent (first 128 bytes): ").size() + 256);
    EXPECT_EQ(lines.mid(4), lines.mid(0, 4)) << "each click shows it again";
    EXPECT_FALSE(fx.parameterControlsEnabled()) << "no pedal has been connected";

    // Connected once but closed now: the controls must stay off.
    w.menuConnect->trigger();
    w.menuDisconnect->trigger();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, entry.center());
    EXPECT_FALSE(fx.parameterControlsEnabled());
    w.menuConnect->trigger();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, entry.center());
    EXPECT_TRUE(fx.parameterControlsEnabled());
}

TEST_F(EditorFixture, ArrowKeysLogAndMoveTheHighlightWithoutChoosing)
{
    start();
    TformMain &w = *windows->formMain;
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    w.lstEffects->setCurrentRow(0);
    QTest::keyClick(w.lstEffects, Qt::Key_Down);
    QTest::keyClick(w.lstEffects, Qt::Key_Up);
    EXPECT_EQ(w.lstEffects->currentRow(), 0) << "one entry: nowhere to go";
    EXPECT_EQ(logLines(), QStringList({"arrow down pressed", "arrow up pressed"}));
    EXPECT_TRUE(w.effects().selected_effect_name.isEmpty());
    EXPECT_FALSE(windows->formFXsettings->isVisible());
}
