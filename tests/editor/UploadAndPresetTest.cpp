// Uploads from the main window and presets through the File menu, against
// the simulated pedal on the offscreen platform.

#include "EditorFixture.h"
#include "app/StatusLine.h"

#include "algorithms/EffectLibrary.h"
#include "app/TformMain.h"
#include "params/PresetFile.h"
#include "params/TformFXsettings.h"
#include "widgets/RotaryDial.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {

class UploadAndPresetTest : public EditorFixture {
protected:
};

}  // namespace

TEST_F(UploadAndPresetTest, UploadSelectedShowsThePedalsAnswer)
{
    driver.pedal().state().algorithmVersion = {0x00, 0x09};
    open();
    QStringList statuses;
    bool lockedDuringWait = false;
    clock.onAdvance = [&](std::int64_t) {
        statuses << main->lblStatus->text();
        lockedDuringWait = lockedDuringWait || (!main->btnRequest->isEnabled() && !main->btnUpload->isEnabled());
    };
    // No backup first (BackupWindowTest answers Yes).
    prompts.yesNoAnswers = {false};
    QTest::mouseClick(main->btnUpload, Qt::LeftButton);
    EXPECT_EQ(prompts.questions, QStringList({"Back up the pedal first?", "Upload the selected algorithm?"}));
    EXPECT_TRUE(statuses.contains("Uploading..."));
    EXPECT_TRUE(lockedDuringWait) << "no other pedal command while the upload waits";
    EXPECT_EQ(main->lblStatus->text(), "OK 0010");
    EXPECT_FALSE(main->UploadCheckTimer->isActive());
    EXPECT_TRUE(main->btnUpload->isEnabled());
    EXPECT_EQ(driver.pedal().state().algorithmVersion, (std::array<std::uint8_t, 2>{0x00, 0x10}));
    EXPECT_TRUE(prompts.messages.isEmpty()) << prompts.messages.join(" | ");
}

// Before an effect is chosen there is nothing to upload: one sentence says
// so, and the pedal is sent nothing.
TEST_F(UploadAndPresetTest, UploadSelectedWithoutAChosenEffectSaysSo)
{
    start();
    main = windows->formMain.get();
    main->menuConnect->trigger();
    const int understood = driver.pedal().log().understoodCount();
    QTest::mouseClick(main->btnUpload, Qt::LeftButton);
    EXPECT_EQ(prompts.messages,
              QStringList({"No effect is chosen: click one in the effect list, then Upload Selected."}));
    EXPECT_TRUE(prompts.questions.isEmpty());
    settle();
    EXPECT_EQ(driver.pedal().log().understoodCount(), understood);
}

TEST_F(UploadAndPresetTest, ASilentPedalShowsUploadFailedAndTheWaitEnds)
{
    driver.pedal().faults().silent = true;
    open();
    // The status line's timer fires in real time; here it fires at once.
    main->UploadCheckTimer->setInterval(1);
    const std::int64_t clickedAt = clock.now;
    QTest::mouseClick(main->btnUpload, Qt::LeftButton);
    EXPECT_EQ(main->lblStatus->text(), "Upload Failed");
    EXPECT_FALSE(main->UploadCheckTimer->isActive()) << "the wait has ended";
    // The commands are free once "Upload Failed" shows, not at the upload's
    // own limit, and the log and the status line say why.
    EXPECT_LT(clock.now - clickedAt, 5000);
    EXPECT_TRUE(main->btnRequest->isEnabled());
    const QStringList why = logLines().filter("Upload Failed: the pedal did not answer within");
    ASSERT_EQ(why.size(), 1);
    EXPECT_EQ(main->statusLine().text(), why.first());
}

TEST_F(UploadAndPresetTest, AnEffectFileIsUploadedAsItIs)
{
    open();
    ASSERT_TRUE(documents.isValid());
    EffectLibrary library(prompts);
    ASSERT_TRUE(library.read_file_from_stream("Sombrant_MK3_0009"));
    const QString path = documents.filePath("effect.dat");
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray::fromHex(library.resource_lines.first().toLatin1()));
    }
    prompts.fileAnswers = {path};
    prompts.yesNoAnswers = {false};  // no backup first
    main->menuLoadAlgorithmFromFile->trigger();
    EXPECT_EQ(prompts.dialogFilters, QStringList({"Dat files (*.dat)|*.dat"}));
    EXPECT_EQ(main->lblStatus->text(), "OK 0009");
    EXPECT_EQ(driver.pedal().state().algorithmVersion, (std::array<std::uint8_t, 2>{0x00, 0x09}));
    EXPECT_TRUE(logLines().contains("Opening - " + QDir::toNativeSeparators(path)));

    // The next dialog opens where this file was; a cancel sends nothing.
    const int before = driver.pedal().log().understoodCount();
    main->menuLoadAlgorithmFromFile->trigger();
    EXPECT_EQ(prompts.dialogFolders.last(), documents.path());
    EXPECT_EQ(driver.pedal().log().understoodCount(), before);
}

// A preset saved and loaded back: loading shows the values, and the live
// controls send what they now show.
TEST_F(UploadAndPresetTest, APresetComesBackOnTheWindowAndToThePedal)
{
    open();
    QTest::mouseClick(main->btnRequest, Qt::LeftButton);
    fx->cmbGuitarTuning->setCurrentIndex(1);
    PresetFile presets(documentsPath, prompts);
    const QString saved = presets.saveFolder() + "/first.txt";
    prompts.fileAnswers = {saved};
    main->menuSavePreset->trigger();
    EXPECT_EQ(prompts.messages.last(), "File saved successfully: " + QDir::toNativeSeparators(saved));

    // Another preset, written by hand: Input Level at 0x402000, the pitch at
    // +12, Dominant Notes Cut on, Low Pass at step 3.
    PresetFile::Values values{};
    for (int s = 0; s < ParameterSlotCount; ++s)
        values[std::size_t(s)] = fx->settings().value(s);
    values[slot::InputLevel] = 0x402000;
    values[slot::HarmonicPitch] = 0x800000;
    values[slot::DominantNotesCut] = 1;
    values[slot::LowPass] = 3;
    ASSERT_TRUE(QDir().mkpath(presets.openFolder()));
    const QString other = presets.openFolder() + "/second.txt";
    QString error;
    ASSERT_TRUE(PresetFile::write(other, values, &error)) << error;
    prompts.fileAnswers = {other};
    main->menuLoadPreset->trigger();
    EXPECT_EQ(prompts.messages.last(), "File loaded successfully: " + QDir::toNativeSeparators(other));
    EXPECT_EQ(fx->dialInputLevel->angle(), 89);
    EXPECT_EQ(live(0x000A), 0x402000u);
    EXPECT_EQ(live(0x0073), 0x800000u);
    EXPECT_EQ(live(0x001B), 1u);
    EXPECT_TRUE(fx->chkDominantNoteCut->isChecked());
    EXPECT_EQ(fx->settings().value(slot::LowPass), 3u) << "display-only values keep what was loaded";
    EXPECT_EQ(live(0x00CB), 12u) << "and are not sent";

    // The first preset back: the values the window had.
    prompts.fileAnswers = {saved};
    main->menuLoadPreset->trigger();
    EXPECT_EQ(fx->settings().value(slot::HarmonicPitch), 0x400000u);
    EXPECT_EQ(live(0x0073), 0x400000u);

    // A file that is not a preset changes nothing.
    QFile bad(presets.openFolder() + "/bad.txt");
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("00400000\r00400000\r");
    bad.close();
    const std::uint32_t dry = fx->settings().value(slot::Dry);
    prompts.fileAnswers = {bad.fileName()};
    main->menuLoadPreset->trigger();
    EXPECT_EQ(prompts.messages.last(), "Not a preset file: " + QDir::toNativeSeparators(bad.fileName()) + " (line 3)");
    EXPECT_EQ(fx->settings().value(slot::Dry), dry);
    EXPECT_EQ(fx->settings().value(slot::HarmonicPitch), 0x400000u);
}

// Load opens where Save last wrote, through the window's File menu, with
// both preset folders offered beside it; an older preset in the other
// folder is still one click away and loads.
TEST_F(UploadAndPresetTest, LoadOpensWhereSaveWrote)
{
    open();
    QTest::mouseClick(main->btnRequest, Qt::LeftButton);
    const PresetFile folders(documentsPath, prompts);
    const QStringList both{folders.saveFolder(), folders.openFolder()};
    const QString gig = QDir(documentsPath).filePath("gig");
    ASSERT_TRUE(QDir().mkpath(gig));

    for (const QString &saved : {folders.saveFolder() + "/first.txt", gig + "/second.txt"}) {
        prompts.fileAnswers = {saved};
        main->menuSavePreset->trigger();
        ASSERT_EQ(prompts.messages.last(), "File saved successfully: " + QDir::toNativeSeparators(saved));
        prompts.fileAnswers = {saved};
        main->menuLoadPreset->trigger();
        EXPECT_EQ(prompts.messages.last(), "File loaded successfully: " + QDir::toNativeSeparators(saved));
        EXPECT_EQ(prompts.dialogCaptions.last(), "Open Preset File");
        EXPECT_EQ(prompts.dialogFolders.last(), QFileInfo(saved).path()) << "Load opens where Save wrote";
        EXPECT_EQ(prompts.dialogExtras.last().sidebarFolders, both);
    }

    const QString older = folders.openFolder() + "/older.txt";
    QString error;
    ASSERT_TRUE(PresetFile::write(older, PresetFile::Values{}, &error)) << error;
    prompts.fileAnswers = {older};
    main->menuLoadPreset->trigger();
    EXPECT_EQ(prompts.messages.last(), "File loaded successfully: " + QDir::toNativeSeparators(older));
    prompts.fileAnswers.clear();
    main->menuSavePreset->trigger();
    EXPECT_EQ(prompts.dialogFolders.last(), folders.openFolder()) << "Save follows the last load";
    EXPECT_EQ(prompts.dialogExtras.last().sidebarFolders, both);
}
