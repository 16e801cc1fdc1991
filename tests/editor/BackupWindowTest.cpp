// Backup and restore from the main window, and the offer of a backup before
// an upload and before a firmware upgrade, against the simulated pedal on
// the offscreen platform.

#include "EditorFixture.h"

#include "app/BackupCommands.h"
#include "app/StatusLine.h"
#include "device/BackupFlow.h"
#include "device/PedalBackup.h"
#include "params/ParameterTable.h"
#include "firmware/TformFirmwareUpgrade.h"

#include <QAction>
#include <QComboBox>
#include <QMenuBar>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>

namespace {

class BackupWindowTest : public EditorFixture {
protected:
    QString backupPath(const char *name) const
    {
        return PedalBackup::defaultFolder(documentsPath) + QLatin1Char('/') + QLatin1String(name);
    }
    std::optional<PedalBackup> readBackup(const QString &path)
    {
        QString error;
        return PedalBackup::readFile(path, &error);
    }
};

const QString Offer = QString::fromLatin1(BackupCommands::OfferQuestion);

}  // namespace

// Enabled as Request is; Backup writes the file, Restore writes it back and
// reads the pedal again, so the parameter window shows the restored state.
TEST_F(BackupWindowTest, BackupAndRestoreFromTheFileMenu)
{
    open(false);
    EXPECT_FALSE(main->menuBackup->isEnabled());
    EXPECT_FALSE(main->menuRestore->isEnabled());
    main->menuConnect->trigger();
    ASSERT_TRUE(main->menuBackup->isEnabled());
    ASSERT_TRUE(main->menuRestore->isEnabled());

    driver.pedal().state().tuningNumber = 2;
    driver.pedal().state().semitones = -2;
    const QString path = backupPath("mine");
    prompts.fileAnswers = {path};
    main->menuBackup->trigger();
    EXPECT_EQ(prompts.dialogFolders.last(), PedalBackup::defaultFolder(documentsPath));
    EXPECT_EQ(prompts.dialogFilters.last(), PedalBackup::Filter);
    const std::optional<PedalBackup> written = readBackup(path + ".json");
    ASSERT_TRUE(written);
    EXPECT_EQ(written->tuning, 2);
    EXPECT_EQ(main->statusLine().text(), "Backup written to " + QDir::toNativeSeparators(path + ".json"));

    driver.pedal().state().storedValues[slot::WaveClip] = 0x00100000;
    main->btnRequest->click();  // the values the restore is undone to
    driver.pedal().state().tuningNumber = 5;
    driver.pedal().state().semitones = 1;
    prompts.clearBoxes();
    prompts.fileAnswers = {path + ".json"};
    main->menuRestore->trigger();
    EXPECT_EQ(prompts.questions.last(), BackupFlow::question("mine.json"));
    EXPECT_EQ(settle().tuningNumber, 2);
    EXPECT_EQ(settle().semitones, -2);
    // Read again as Request reads: the window shows the pedal's tuning.
    EXPECT_EQ(fx->cmbGuitarTuning->currentIndex(), 2);
    EXPECT_EQ(fx->cmbSemitonesVariation->currentText(), "-2");
    ASSERT_FALSE(prompts.messages.isEmpty());
    EXPECT_TRUE(prompts.messages.last().startsWith("The pedal was restored from mine.json.\n\nNot restored:\n• "))
        << prompts.messages.last().toStdString();
    EXPECT_EQ(main->statusLine().text(), "Restored from mine.json");
    EXPECT_EQ(settle().storedValues[slot::WaveClip], written->values[slot::WaveClip]);
    EXPECT_EQ(main->menuBar()->findChild<QAction *>("menuUndo")->text(), "&Undo Restore") << "one step";
}

// Before an upload: Yes writes a backup and the upload goes on; No goes on
// without one.
TEST_F(BackupWindowTest, TheBackupOfferBeforeAnUpload)
{
    for (const bool yes : {true, false}) {
        SCOPED_TRACE(yes ? "Yes" : "No");
        driver.pedal().state().algorithmVersion = {0x00, 0x09};
        open();
        prompts.questions.clear();
        const QString path = backupPath(yes ? "before-upload-yes.json" : "before-upload-no.json");
        prompts.yesNoAnswers = {yes};
        prompts.fileAnswers = {path};
        QTest::mouseClick(main->btnUpload, Qt::LeftButton);
        EXPECT_EQ(prompts.questions, QStringList({Offer, "Upload the selected algorithm?"}));
        EXPECT_EQ(QFileInfo::exists(path), yes);
        if (yes) {
            const std::optional<PedalBackup> backup = readBackup(path);
            ASSERT_TRUE(backup);
            EXPECT_EQ(backup->algorithm, "0009");
        }
        EXPECT_EQ(main->lblStatus->text(), "OK 0010");
        EXPECT_EQ(driver.pedal().state().algorithmVersion, (std::array<std::uint8_t, 2>{0x00, 0x10}));
        transport->CloseFTDevice();
        windows.reset();
        prompts.fileAnswers.clear();
    }
}

// A backup that fails is said, and the upload goes on only when the user
// chooses to go on without one.
TEST_F(BackupWindowTest, AFailedBackupAsksWhetherToGoOn)
{
    for (const bool goOn : {true, false}) {
        SCOPED_TRACE(goOn ? "go on" : "stop");
        driver.pedal().state().algorithmVersion = {0x00, 0x09};
        open();
        prompts.questions.clear();
        // A folder where the file should be: the backup cannot be written.
        const QString path = backupPath("taken");
        ASSERT_TRUE(QDir().mkpath(path + ".json"));
        prompts.yesNoAnswers = {true, goOn};
        prompts.fileAnswers = {path};
        QTest::mouseClick(main->btnUpload, Qt::LeftButton);
        ASSERT_GE(prompts.questions.size(), 2);
        EXPECT_TRUE(prompts.questions.at(1).startsWith("The backup failed: The backup was not written: "))
            << prompts.questions.at(1).toStdString();
        EXPECT_TRUE(prompts.questions.at(1).endsWith(" Go on without one?"));
        EXPECT_EQ(driver.pedal().state().algorithmVersion,
                  goOn ? (std::array<std::uint8_t, 2>{0x00, 0x10}) : (std::array<std::uint8_t, 2>{0x00, 0x09}));
        transport->CloseFTDevice();
        windows.reset();
        prompts.fileAnswers.clear();
    }
}

// The firmware upgrade runs in the pedal's bootloader, which cannot be read:
// the offer comes when a Request finds the firmware older than the newest,
// while the firmware still answers. After Yes the backup is there, and the
// upgrade, started in the bootloader, proceeds; after No there is none.
TEST_F(BackupWindowTest, TheBackupOfferBeforeAFirmwareUpgrade)
{
    for (const bool yes : {true, false}) {
        SCOPED_TRACE(yes ? "Yes" : "No");
        PedalSetup setup;
        setup.firmwareVersion = 5;
        QString error;
        ASSERT_TRUE(driver.configure(setup, &error)) << error.toStdString();
        open();
        prompts.clearBoxes();
        prompts.questions.clear();
        const QString path = backupPath(yes ? "before-upgrade-yes.json" : "before-upgrade-no.json");
        prompts.yesNoAnswers = {yes};
        prompts.fileAnswers = {path};
        QTest::mouseClick(main->btnRequest, Qt::LeftButton);
        EXPECT_EQ(prompts.messages.first(), "A firmware upgrade is required. Upgrade to Firmware 8");
        EXPECT_EQ(prompts.questions, QStringList({Offer}));
        EXPECT_EQ(QFileInfo::exists(path), yes);
        EXPECT_TRUE(main->btnSaveParameters->isEnabled()) << "the Request went on to its end";
        if (yes) {
            EXPECT_EQ(readBackup(path)->firmware, "05");
        }

        // The user starts the pedal in its bootloader and the editor again.
        transport->CloseFTDevice();
        windows.reset();
        driver.pedal().powerUp(true);
        prompts.clearBoxes();
        prompts.questions.clear();
        start();
        TformMain &w = *windows->formMain;
        w.menuFirmwareUpgradeMode->trigger();
        w.menuConnect->trigger();
        ASSERT_TRUE(w.menuStartFirmwareUpgrade->isEnabled());
        windows->formFirmwareUpgrade->upgrade().bytePause = [this] { clock.sleep(1); };
        w.menuStartFirmwareUpgrade->trigger();
        windows->formFirmwareUpgrade->btnUpgradeFirmware->click();
        EXPECT_EQ(prompts.messages.last(), "Firmware Upgrade Complete, device will now restart");
        EXPECT_TRUE(prompts.questions.isEmpty()) << "no offer where the pedal cannot be read";
        transport->CloseFTDevice();
        windows.reset();
    }
}
