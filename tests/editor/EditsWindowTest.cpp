// The parameter window against the simulated pedal: what is edited and not
// stored is marked, Ctrl+Z and Ctrl+Shift+Z send the exact values they
// restore, and Compare plays the stored sound and the edited one.

#include "EditorFixture.h"

#include "app/StatusLine.h"
#include "params/ControlReasons.h"
#include "params/DialMapping.h"
#include "params/EditMenu.h"
#include "params/EditMarks.h"
#include "params/PresetFile.h"
#include "widgets/EditedMark.h"
#include "widgets/RotaryDial.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>

namespace {

constexpr std::uint16_t InputLevelAt = 0x000A;  // in algorithm 0010
constexpr std::uint16_t DryAt = 0x000B;
// Off the dial's grid: only an exact copy matches it.
constexpr std::uint32_t StoredInputLevel = 0x00600003;

class EditsWindowTest : public EditorFixture {
protected:
    void SetUp() override
    {
        EditorFixture::SetUp();
        driver.pedal().state().storedValues[slot::InputLevel] = StoredInputLevel;
        driver.pedal().state().tuningNumber = 1;
        open();
        main->btnRequest->click();
        ASSERT_EQ(live(InputLevelAt), StoredInputLevel);
    }

    EditedMark *mark(int slot) const { return fx->findChild<EditedMark *>(QStringLiteral("mark%1").arg(slot)); }
    bool marked(int slot) const { return mark(slot)->isVisibleTo(fx); }

    // One run of a held key on the Input Level dial: a press, then repeats.
    void holdUp(int repeats)
    {
        for (int i = 0; i <= repeats; ++i) {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_Up, Qt::NoModifier, QString(), i > 0);
            QApplication::sendEvent(fx->dialInputLevel, &press);
        }
    }
    void keys(Qt::Key key, Qt::KeyboardModifiers modifiers)
    {
        QTest::keyClick(fx->focusWidget() ? fx->focusWidget() : fx, key, modifiers);
    }
    QAction *editItem(const char *name) const { return main->menuBar()->findChild<QAction *>(name); }
};

}  // namespace

TEST_F(EditsWindowTest, MarksShowWhatIsEditedUntilItIsStored)
{
    EXPECT_FALSE(marked(slot::InputLevel));
    EXPECT_FALSE(fx->windowTitle().endsWith(" *")) << fx->windowTitle().toStdString();

    holdUp(0);
    EXPECT_TRUE(marked(slot::InputLevel));
    EXPECT_EQ(fx->windowTitle(), "Sombrant MK3 0010 *");
    EXPECT_TRUE(fx->dialInputLevel->toolTip().endsWith(ControlReasons::EditedNotStored))
        << fx->dialInputLevel->toolTip().toStdString();

    // A preset sends Dry live; the pedal keeps no Dry.
    PresetFile::Values values = fx->settings().values();
    values[slot::Dry] = 0x00100000;
    const QString path = documentsPath + "/dry.txt";
    QString error;
    ASSERT_TRUE(PresetFile::write(path, values, &error)) << error.toStdString();
    prompts.fileAnswers = {path};
    main->menuLoadPreset->trigger();
    ASSERT_EQ(live(DryAt), 0x00100000u);
    EXPECT_TRUE(marked(slot::Dry));
    EXPECT_EQ(mark(slot::Dry)->toolTip(), ControlReasons::NotKept);
    EXPECT_EQ(editItem("menuUndo")->text(), "&Undo Load Preset");

    prompts.yesNoAnswers = {true};
    main->btnSaveParameters->click();
    EXPECT_FALSE(marked(slot::InputLevel)) << "stored";
    EXPECT_TRUE(marked(slot::Dry)) << "the store message does not carry Dry";
    EXPECT_EQ(fx->windowTitle(), "Sombrant MK3 0010 *");

    // A Request reads what the pedal stores and runs: nothing differs.
    main->btnRequest->click();
    EXPECT_FALSE(marked(slot::Dry));
    EXPECT_EQ(fx->windowTitle(), "Sombrant MK3 0010");
    EXPECT_EQ(editItem("menuUndo")->text(), "&Undo Request");
    EXPECT_EQ(prompts.messages, QStringList({"File loaded successfully: " + QDir::toNativeSeparators(path)}));
}

TEST_F(EditsWindowTest, CtrlZSendsThePreviousExactValue)
{
    holdUp(3);  // one step
    const std::uint32_t turned = live(InputLevelAt);
    ASSERT_NE(turned, StoredInputLevel);
    QTest::mouseClick(fx->chkDominantNoteCut, Qt::LeftButton);
    ASSERT_EQ(editItem("menuUndo")->text(), "&Undo Dominant Notes Cut");

    fx->activateWindow();
    keys(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_FALSE(fx->chkDominantNoteCut->isChecked());
    EXPECT_EQ(live(InputLevelAt), turned);
    keys(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(live(InputLevelAt), StoredInputLevel) << "the run of repeats is one step";
    EXPECT_FALSE(marked(slot::InputLevel));
    EXPECT_FALSE(editItem("menuUndo")->isEnabled()) << "the first Request had nothing before it";
    EXPECT_EQ(main->statusLine().text(), "Undone: Input Level");

    keys(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(live(InputLevelAt), turned);
    EXPECT_EQ(fx->dialInputLevel->angle(), value_to_dial_angle(turned, dial::DialScale));
    EXPECT_EQ(editItem("menuRedo")->text(), "&Redo Dominant Notes Cut");
    EXPECT_TRUE(editItem("menuNotUndoable")->toolTip().startsWith(EditMenu::NotUndoable));
}

TEST_F(EditsWindowTest, CompareTogglesBetweenTheEditedAndTheStoredSound)
{
    holdUp(0);
    const std::uint32_t edited = live(InputLevelAt);

    fx->activateWindow();
    keys(Qt::Key_B, Qt::ControlModifier);
    EXPECT_EQ(live(InputLevelAt), StoredInputLevel);
    EXPECT_TRUE(fx->btnCompare->isChecked());
    EXPECT_EQ(fx->lblHeard->text(), EditMarks::HearingStored);
    EXPECT_TRUE(editItem("menuCompare")->isChecked());

    QTest::mouseClick(fx->btnCompare, Qt::LeftButton);
    EXPECT_EQ(live(InputLevelAt), edited);
    EXPECT_EQ(fx->lblHeard->text(), EditMarks::HearingEdited);

    // An edit while the stored sound plays goes back to the edited one.
    keys(Qt::Key_B, Qt::ControlModifier);
    ASSERT_EQ(live(InputLevelAt), StoredInputLevel);
    QTest::mouseClick(fx->chkHighNoteCut, Qt::LeftButton);
    EXPECT_EQ(live(InputLevelAt), edited);
    EXPECT_FALSE(fx->btnCompare->isChecked());
    EXPECT_EQ(fx->lblHeard->text(), EditMarks::HearingEdited);
    EXPECT_TRUE(fx->chkHighNoteCut->isChecked());
}
