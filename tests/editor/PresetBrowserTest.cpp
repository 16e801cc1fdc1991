// The preset browser beside the parameter window, against the simulated
// pedal on the offscreen platform: it follows the preset folders, narrows
// to a filter, loads on Enter or a click exactly as Load Preset does, and
// saves under a typed name.

#include "EditorFixture.h"

#include "params/PresetBrowser.h"
#include "params/PresetFile.h"
#include "prefs/ScrollingPage.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

namespace {

class PresetBrowserTest : public EditorFixture {
protected:
    // Opens the window (connected, with the pedal's state read when asked)
    // and finds the browser.
    void openBrowser(bool connect = true)
    {
        open(connect);
        if (connect)
            QTest::mouseClick(main->btnRequest, Qt::LeftButton);
        browser = fx->findChild<PresetBrowser *>();
        ASSERT_NE(browser, nullptr);
        presets = std::make_unique<PresetFile>(documentsPath, prompts);
    }

    // The values the window holds, with those of `changes` set.
    PresetFile::Values valuesWith(std::initializer_list<std::pair<int, std::uint32_t>> changes) const
    {
        PresetFile::Values values{};
        for (int s = 0; s < ParameterSlotCount; ++s)
            values[std::size_t(s)] = fx->settings().value(s);
        for (const auto &[slot, value] : changes)
            values[std::size_t(slot)] = value;
        return values;
    }

    QString write(const QString &folder, const QString &name, const PresetFile::Values &values)
    {
        EXPECT_TRUE(QDir().mkpath(folder));
        const QString path = QDir(folder).filePath(name + ".txt");
        QString error;
        EXPECT_TRUE(PresetFile::write(path, values, &error)) << error.toStdString();
        return path;
    }

    QStringList shown() const
    {
        QStringList names;
        for (int row = 0; row < browser->list->count(); ++row)
            names << browser->list->item(row)->text();
        return names;
    }

    // The list shows `names` once the folders' watcher has told it.
    void expectShownSoon(const QStringList &names)
    {
        // The wait's own answer is the check below, which shows the difference.
        (void)QTest::qWaitFor([&] { return shown() == names; }, 4000);
        EXPECT_EQ(shown(), names);
    }

    void click(int row)
    {
        QListWidget *list = browser->list;
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
    }

    // Every live value the window holds is what the pedal runs with.
    void expectPedalRuns(const PresetFile::Values &values)
    {
        for (const FXsettings::LiveValue &v : fx->settings().liveValuesShown()) {
            EXPECT_EQ(v.value, values[std::size_t(v.slot)]) << "slot " << v.slot;
            EXPECT_EQ(live(fx->settings().address(v.slot)), values[std::size_t(v.slot)]) << "slot " << v.slot;
        }
    }

    PresetBrowser *browser = nullptr;
    std::unique_ptr<PresetFile> presets;
};

}  // namespace

TEST_F(PresetBrowserTest, SitsBesideTheControlsPageAsItWas)
{
    openBrowser(false);
    const auto *page = fx->findChild<ScrollingPage *>(QString(), Qt::FindDirectChildrenOnly);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->content()->size(), QSize(333, 517));
    EXPECT_EQ(fx->size(), QSize(333 + PresetBrowser::PanelWidth, 517));
    EXPECT_EQ(browser->geometry(), QRect(333, 0, PresetBrowser::PanelWidth, 517));
    for (QWidget *control : std::initializer_list<QWidget *>{browser->filterBox, browser->list, browser->nameBox,
                                                             browser->saveAsButton})
        EXPECT_FALSE(control->accessibleName().isEmpty()) << control->objectName().toStdString();
}

// Presets written after the window was shown appear, newest first, in
// folders made only then; the selected one stays selected; one removed goes.
TEST_F(PresetBrowserTest, FollowsTheFoldersAsFilesComeAndGo)
{
    openBrowser(false);
    EXPECT_EQ(browser->list->count(), 0);
    write(presets->openFolder(), "Older", valuesWith({}));
    expectShownSoon(QStringList({"Older"}));
    browser->list->setCurrentRow(0);
    write(presets->saveFolder(), "Newer", valuesWith({}));
    expectShownSoon(QStringList({"Newer", "Older"}));
    EXPECT_EQ(browser->list->currentItem()->text(), "Older") << "the selection stays";
    ASSERT_TRUE(QFile::remove(presets->saveFolder() + "/Newer.txt"));
    expectShownSoon(QStringList({"Older"}));
}

TEST_F(PresetBrowserTest, TheFilterNarrowsTheList)
{
    write(PresetFile(documentsPath, prompts).saveFolder(), "Fuzz Lead", {});
    write(PresetFile(documentsPath, prompts).openFolder(), "Clean", {});
    openBrowser(false);
    ASSERT_EQ(browser->list->count(), 2);
    QTest::keyClicks(browser->filterBox, "FUZZ");
    EXPECT_EQ(shown(), QStringList({"Fuzz Lead"}));
    browser->filterBox->clear();
    EXPECT_EQ(browser->list->count(), 2);
}

// Filter, Down into the list, Enter: the preset is loaded as Load Preset
// loads it, logged, and the pedal runs exactly the file's live values; a
// click loads another. Neither stops the user with a box.
TEST_F(PresetBrowserTest, EnterOrAClickLoadsAndThePedalRunsTheFilesValues)
{
    openBrowser();
    const PresetFile::Values fuzz = valuesWith({{slot::InputLevel, 0x402000},
                                                {slot::WaveClip, 0x123457},
                                                {slot::HarmonicPitch, 0x800000},
                                                {slot::DominantNotesCut, 1},
                                                {slot::LowPass, 3}});
    const PresetFile::Values clean = valuesWith({{slot::InputLevel, 0x1FFFFF}, {slot::HighNotesCut, 1}});
    write(presets->saveFolder(), "Fuzz", fuzz);
    write(presets->openFolder(), "Clean", clean);
    browser->refresh();
    prompts.clearBoxes();

    browser->filterBox->setFocus();
    QTest::keyClicks(browser->filterBox, "fu");
    QTest::keyClick(browser->filterBox, Qt::Key_Down);
    ASSERT_TRUE(browser->list->hasFocus());
    ASSERT_EQ(browser->list->currentItem()->text(), "Fuzz");
    EXPECT_NE(fx->settings().value(slot::InputLevel), 0x402000u) << "moving through the list loads nothing";
    QTest::keyClick(browser->list, Qt::Key_Return);
    expectPedalRuns(fuzz);
    EXPECT_EQ(fx->settings().value(slot::LowPass), 3u);
    EXPECT_TRUE(logLines().join('\n').contains(PresetFile::presetText(fuzz).replace("\r", "\n")));

    browser->filterBox->clear();
    ASSERT_EQ(browser->list->count(), 2);
    click(int(shown().indexOf("Clean")));
    expectPedalRuns(clean);
    EXPECT_TRUE(prompts.messages.isEmpty()) << prompts.messages.join('\n').toStdString();
}

TEST_F(PresetBrowserTest, LoadsOnlyWhileAPedalIsOpen)
{
    write(PresetFile(documentsPath, prompts).saveFolder(), "Fuzz", PresetFile::Values{{0x402000}});
    openBrowser(false);
    const std::uint32_t dry = fx->settings().value(slot::Dry);
    click(0);
    QTest::keyClick(browser->list, Qt::Key_Return);
    EXPECT_EQ(fx->settings().value(slot::Dry), dry);
    EXPECT_EQ(browser->list->toolTip(), QString::fromUtf8(PresetBrowser::LoadingOffTip));
}

// "Save As…", a name, Enter: the file holds the window's values and is
// listed and selected; a name that is taken is asked about.
TEST_F(PresetBrowserTest, SaveAsWritesAPresetThatAppears)
{
    openBrowser();
    QTest::mouseClick(browser->saveAsButton, Qt::LeftButton);
    ASSERT_TRUE(browser->nameBox->isVisible());
    ASSERT_TRUE(browser->nameBox->hasFocus());
    QTest::keyClicks(browser->nameBox, "My Doom");
    QTest::keyClick(browser->nameBox, Qt::Key_Return);
    const QString path = presets->saveFolder() + "/My Doom.txt";
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), PresetFile::presetBytes(valuesWith({})));
    EXPECT_FALSE(browser->nameBox->isVisible());
    EXPECT_EQ(shown(), QStringList({"My Doom"}));
    ASSERT_NE(browser->list->currentItem(), nullptr);
    EXPECT_EQ(browser->list->currentItem()->text(), "My Doom");
    EXPECT_TRUE(prompts.messages.isEmpty());

    // The same name: asked first, declined, nothing written.
    prompts.yesNoAnswers = {false};
    QTest::mouseClick(browser->saveAsButton, Qt::LeftButton);
    EXPECT_EQ(browser->nameBox->text(), "My Doom") << "the selected preset's name to start from";
    QTest::keyClick(browser->nameBox, Qt::Key_Return);
    EXPECT_EQ(prompts.questions, QStringList({"A preset named \"My Doom\" is there already. Replace it?"}));
    // Escape closes the field without saving.
    QTest::mouseClick(browser->saveAsButton, Qt::LeftButton);
    QTest::keyClicks(browser->nameBox, "Other");
    QTest::keyClick(browser->nameBox, Qt::Key_Escape);
    EXPECT_FALSE(browser->nameBox->isVisible());
    EXPECT_EQ(shown(), QStringList({"My Doom"}));
}
