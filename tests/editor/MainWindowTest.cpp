#include "EditorFixture.h"

#include "app/TformMain.h"
#include "device/Communication.h"
#include "app/TformPrint.h"
#include "firmware/TformFirmwareUpgrade.h"
#include "params/TformFXsettings.h"
#include "updates/TformNewVersionMsg.h"
#include "updates/TformUpdateUpdater.h"

#include <QAction>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QTimer>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

namespace {

// Records every top-level widget in the order it is constructed: QWidget's
// constructor sends QEvent::Create before any subclass code runs.
class CreationRecorder : public QObject {
public:
    QList<QObject *> created;
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Create && watched->isWidgetType()
            && !static_cast<QWidget *>(watched)->parentWidget())
            created << watched;
        return false;
    }
};

}  // namespace

TEST_F(EditorFixture, CreatesTheSixWindowsOnceInOrderWithTheirCaptions)
{
    CreationRecorder recorder;
    qApp->installEventFilter(&recorder);
    start();
    qApp->removeEventFilter(&recorder);

    const QList<QWidget *> expected{windows->formMain.get(),          windows->formFirmwareUpgrade.get(),
                                    windows->formPrint.get(),         windows->formFXsettings.get(),
                                    windows->formNewVersionMsg.get(), windows->formUpdateUpdater.get()};
    // Compared as addresses only: most widgets recorded are gone by now, and
    // a pointer to one must not be cast, let alone followed.
    const QList<QObject *> expectedObjects(expected.begin(), expected.end());
    QList<QObject *> windowsCreated;
    for (QObject *object : recorder.created)
        if (expectedObjects.contains(object))
            windowsCreated << object;
    ASSERT_EQ(windowsCreated.size(), 6);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(windowsCreated[i], expectedObjects[i]) << "window " << i;

    const QStringList captions{"Sombrant Editor", "Firmware Upgrade", "Debug Console",
                               "Form1",           "New Version",      "UpdateUpdater"};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(expected[i]->windowTitle(), captions[i]);
        EXPECT_FALSE(expected[i]->isVisible()) << "main() shows the main window, nothing else";
    }
}

TEST_F(EditorFixture, StartsWithTheDesignedTextsAndEnabledStates)
{
    start();
    TformMain &w = *windows->formMain;

    struct Expect {
        const char *name;
        bool enabled;
    };
    const Expect table[] = {
        {"menuScan", true},
        {"menuConnect", true},
        {"menuDisconnect", false},
        {"btnUpload", false},
        {"btnRequest", false},
        {"btnSaveParameters", false},
        {"btnAssign", false},
        {"btnSetFootswitchMode", false},
        {"btnSetTuning", false},
        {"menuUploadTuningsData", false},
        {"menuLoadPreset", false},
        {"menuSavePreset", false},
        {"menuLoadAlgorithmFromFile", false},
        {"menuFirmwareUpgradeMode", true},
        {"menuStartFirmwareUpgrade", false},
        {"menuSupport", false},  // no update server in tests: no page to open
        {"menuAppVersion", false},
        {"menuNewAppVersion", false},
        {"menuUpdateNow", false},
        {"menuSerialNumber", false},
    };
    for (const Expect &e : table) {
        if (auto *button = w.findChild<QPushButton *>(e.name))
            EXPECT_EQ(button->isEnabled(), e.enabled) << e.name;
        else if (auto *action = w.findChild<QAction *>(e.name))
            EXPECT_EQ(action->isEnabled(), e.enabled) << e.name;
        else
            ADD_FAILURE() << "no control named " << e.name;
    }
    EXPECT_FALSE(w.menuMIDI->menuAction()->isEnabled());
    EXPECT_FALSE(w.menuFirmwareUpgradeMode->isChecked());
    EXPECT_FALSE(w.communication().firmware_upgrade_mode);
    EXPECT_FALSE(w.pedalOpen());
    EXPECT_FALSE(w.request_in_progress);
    EXPECT_EQ(w.latest_firmware_version, 8);
    EXPECT_EQ(w.latest_algorithm_version, 10);
    ASSERT_EQ(w.lstEffects->count(), 1);
    EXPECT_EQ(w.lstEffects->item(0)->text(), "Sombrant MK3 0010");

    // The simulated pedal's chip reports its factory description.
    EXPECT_EQ(w.lblDeviceName->text(), "Sombrant MK3");
    EXPECT_EQ(w.lblFirmwareVersion->text(), "Device Firmware:");
    EXPECT_EQ(w.lblFirmwareVersion->toolTip(),
              "Shows which firmware is currently installed on the pedal");
    EXPECT_EQ(w.lblAlgorithmVersion->text(), "Device Algorithm:");
    EXPECT_EQ(w.lblStatus->text(), "Status: ");
    EXPECT_EQ(w.menuSerialNumber->text().remove('&'), "Device Serial: SIM00001");
    // Two blanks before the version: the item's own and the one start-up adds.
    EXPECT_EQ(w.menuAppVersion->text().remove('&'), "Editor Version:  " + w.currentAppVersion);
    EXPECT_EQ(w.currentAppVersion, "1.0");
    EXPECT_EQ(w.TimerCheckWebVersion->interval(), 1000);
    EXPECT_EQ(w.UploadCheckTimer->interval(), 5000);
    EXPECT_FALSE(w.UploadCheckTimer->isActive());

    QStringList menuTitles;
    for (QAction *action : w.menuBar()->actions())
        menuTitles << QString(action->text()).remove(QLatin1Char('&'));  // less the mnemonic marks
    EXPECT_EQ(menuTitles, (QStringList{"File", "Edit", "Connection", "Settings", "Firmware Upgrade", "Info", "Window"}));
    EXPECT_TRUE(prompts.messages.isEmpty());
}

TEST_F(EditorFixture, CtrlShiftPOpensTheDebugConsoleAndNothingElseDoes)
{
    struct Case {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        bool opens;
    };
    const Case cases[] = {
        {Qt::Key_P, Qt::ControlModifier | Qt::ShiftModifier, true},
        {Qt::Key_P, Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier, true},
        {Qt::Key_P, Qt::NoModifier, false},
        {Qt::Key_P, Qt::ControlModifier, false},
        {Qt::Key_P, Qt::ShiftModifier, false},
        {Qt::Key_O, Qt::ControlModifier | Qt::ShiftModifier, false},
    };
    start();
    TformMain &w = *windows->formMain;
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));

    // Letter keys that reach the effect list are counted: the console key
    // must not get there. (keyClick also presses the modifier keys themselves.)
    struct KeySpy : QObject {
        int presses = 0;
        bool eventFilter(QObject *, QEvent *event) override
        {
            if (event->type() == QEvent::KeyPress) {
                const int key = static_cast<QKeyEvent *>(event)->key();
                if (key >= Qt::Key_A && key <= Qt::Key_Z)
                    ++presses;
            }
            return false;
        }
    } spy;
    w.lstEffects->installEventFilter(&spy);

    for (const Case &c : cases) {
        windows->formPrint->hide();
        spy.presses = 0;
        QTest::keyClick(w.lstEffects, c.key, c.modifiers);
        EXPECT_EQ(windows->formPrint->isVisible(), c.opens)
            << "key " << c.key << " modifiers " << int(c.modifiers);
        EXPECT_EQ(spy.presses, c.opens ? 0 : 1) << "key " << c.key << " modifiers "
                                                << int(c.modifiers);
    }
}

TEST_F(EditorFixture, ClickingTheInfoMenuTitleLogsTheVersionEachTime)
{
    start();
    TformMain &w = *windows->formMain;
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    const QRect title = w.menuBar()->actionGeometry(w.menuInfo->menuAction());

    for (int click = 0; click < 2; ++click) {
        QTest::mouseClick(w.menuBar(), Qt::LeftButton, {}, title.center());
        QTRY_VERIFY(w.menuInfo->isVisible());
        w.menuInfo->close();
        QTRY_VERIFY(!w.menuInfo->isVisible());
    }
    EXPECT_EQ(logLines(),
              QStringList({"current app version: 1.0", "current app version: 1.0"}));
}

TEST_F(EditorFixture, StartUpMakesBothSettingsFoldersSilently)
{
    start();
    EXPECT_TRUE(QFileInfo(documentsPath + "/QUELM").isDir());
    EXPECT_TRUE(QFileInfo(documentsPath + "/QUELM/Sombrant MK3").isDir());
    EXPECT_TRUE(prompts.messages.isEmpty());
}

TEST_F(EditorFixture, UnwritableDocumentsGivesTwoBoxesAndStartUpGoesOn)
{
    // A file where the Documents folder should be: nothing can be made below
    // it, even for root.
    documentsPath = documents.filePath("Documents");
    QFile blocker(documentsPath);
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    start();
    ASSERT_EQ(prompts.messages.size(), 2);
    EXPECT_TRUE(prompts.messages[0].startsWith("Error creating folder: ")) << prompts.messages[0].toStdString();
    EXPECT_TRUE(prompts.messages[1].startsWith("Error creating subfolder: ")) << prompts.messages[1].toStdString();
    EXPECT_EQ(windows->formMain->currentAppVersion, "1.0");  // start-up went on
}
