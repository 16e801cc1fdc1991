// The parameter window on the offscreen platform against the simulated pedal:
// its controls and their arrangement, the live messages its dials, list and
// check boxes send, a status reply shown on it, and the store, assignment and
// footswitch commands of the main window.

#include "EditorFixture.h"

#include "app/TformMain.h"
#include "params/HintTexts.h"
#include "params/ControlReasons.h"
#include "params/PresetBrowser.h"
#include "params/TformFXsettings.h"
#include "prefs/ScrollingPage.h"
#include "widgets/OnOffSwitch.h"
#include "widgets/RotaryDial.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <cmath>

namespace {

class ParameterWindowTest : public EditorFixture {
protected:
    // Drags a dial from its centre toward the direction of `angle`.
    void dragTo(RotaryDial *dial, int angle)
    {
        const QPoint centre(dial->width() / 2, dial->height() / 2);
        const double radians = angle * M_PI / 180.0;
        const QPoint target = centre + QPoint(int(std::lround(18 * std::cos(radians))),
                                              -int(std::lround(18 * std::sin(radians))));
        QTest::mousePress(dial, Qt::LeftButton, {}, centre + QPoint(0, -10));
        QTest::mouseMove(dial, target);
        QTest::mouseRelease(dial, Qt::LeftButton, {}, target);
    }

};

}  // namespace

TEST_F(ParameterWindowTest, HoldsEveryControlInItsArrangement)
{
    open(false);
    EXPECT_EQ(fx->findChild<ScrollingPage *>()->content()->size(), QSize(333, 517));
    EXPECT_EQ(fx->size(), QSize(333 + PresetBrowser::PanelWidth, 517)) << "and the preset list beside it";
    EXPECT_EQ(fx->minimumSize(), fx->maximumSize()) << "a fixed border";

    struct Placed {
        QWidget *control;
        QRect geometry;
        const char *label;
    };
    const Placed placed[] = {
        {fx->dialDry, {15, 8, 40, 40}, "Dry"},
        {fx->dialMinus1Oct, {75, 8, 40, 40}, "-1 OCT"},
        {fx->swtWave, {136, 16, 41, 21}, "Wave"},
        {fx->dialInputLevel, {208, 8, 40, 40}, "Input Level"},
        {fx->dialClipWave, {267, 8, 40, 40}, "Wave Clip"},
        {fx->dialSubMix, {15, 72, 40, 40}, "Sub Mix"},
        {fx->dialMinus2Oct, {75, 72, 40, 40}, "-2 OCT"},
        {fx->swtSplit, {136, 61, 41, 21}, "Split"},
        {fx->dialLowPass, {15, 136, 40, 40}, "Low Pass"},
        {fx->dialHighPass, {75, 136, 40, 40}, "High Pass"},
        {fx->dialRange, {15, 208, 40, 40}, "Range"},
        {fx->dial1stHarmonic, {78, 208, 40, 40}, "1st Harmonic"},
        {fx->cmbVariableWavePitch, {155, 229, 73, 22}, "1st Harmonic Pitch"},
        {fx->cmbGuitarTuning, {194, 101, 125, 22}, nullptr},
        {fx->cmbSemitonesVariation, {193, 125, 45, 22}, "Semitones"},
        {fx->cmbAssignCtrlUNO, {195, 313, 120, 22}, "Control I"},
        {fx->cmbAssignCtrlDUE, {195, 353, 120, 22}, "Control II"},
        {fx->cmbAssignCtrlTRE, {195, 400, 120, 22}, "Control III"},
        {fx->cmbAssignCtrlQUATTRO, {195, 441, 120, 22}, "Control IV"},
        {fx->cmbAssignRemote, {195, 482, 120, 22}, "Remote Footswitch"},
    };
    for (const Placed &p : placed) {
        SCOPED_TRACE(p.control->objectName().toStdString());
        const QRect onWindow(p.control->mapTo(fx, QPoint(0, 0)), p.control->size());
        EXPECT_EQ(onWindow, p.geometry);
        if (p.label) {
            EXPECT_EQ(p.control->accessibleName(), p.label);
        }
    }
    // Every dial's label is just below it.
    for (RotaryDial *dial : fx->findChildren<RotaryDial *>()) {
        const auto labels = fx->findChildren<QLabel *>();
        const auto below = std::find_if(labels.begin(), labels.end(), [&](QLabel *l) {
            return l->buddy() == dial;
        });
        ASSERT_NE(below, labels.end()) << dial->objectName().toStdString();
        EXPECT_EQ((*below)->text(), dial->accessibleName());
        EXPECT_EQ((*below)->geometry().top(), dial->geometry().bottom() + 1);
        EXPECT_EQ(dial->angle(), -135) << dial->objectName().toStdString();
    }

    auto entries = [](QComboBox *list) {
        QStringList texts;
        for (int i = 0; i < list->count(); ++i)
            texts << list->itemText(i);
        return texts;
    };
    EXPECT_EQ(entries(fx->cmbGuitarTuning),
              QStringList({"No Tuning Selected", "Standard (EADGBE)", "Drop D (DADGBE)", "DADGAD",
                           "open D (DADF#AD)", "Blues G (DGDGBD)", "Open A (EAC#EAE)", "Open C (CGCGCE)"}));
    EXPECT_EQ(entries(fx->cmbSemitonesVariation), QStringList({"-5", "-4", "-3", "-2", "-1", "0", "+1", "+2", "+3"}));
    EXPECT_EQ(fx->cmbSemitonesVariation->currentIndex(), 5);
    EXPECT_EQ(fx->cmbGuitarTuning->currentIndex(), 0);
    EXPECT_EQ(fx->cmbVariableWavePitch->count(), 25);
    EXPECT_EQ(fx->cmbVariableWavePitch->itemText(0), "-12");
    EXPECT_EQ(fx->cmbVariableWavePitch->itemText(13), "+1");
    EXPECT_EQ(fx->cmbVariableWavePitch->currentIndex(), -1) << "nothing selected";
    EXPECT_EQ(fx->cmbVariableWavePitch->maxVisibleItems(), 12);
    EXPECT_EQ(entries(fx->cmbAssignCtrlDUE), QStringList({"Not Assigned", "Input Level", "1st Harmonic Pitch", "Wave Clip"}));
    EXPECT_EQ(entries(fx->cmbAssignCtrlQUATTRO), QStringList({"Not Assigned", "Dominant Notes Cut", "High Notes Cut"}));
    EXPECT_EQ(entries(fx->cmbAssignRemote), QStringList({"Not Assigned", "Bypass", "Preset"}));
    EXPECT_TRUE(fx->chkBypassShortPress->isChecked());
    EXPECT_TRUE(fx->chkChangePresetLongPress->isChecked());
    EXPECT_EQ(fx->chkChangePresetShortPress->text(), "Change Preset");

    // Each hint, and below it (no pedal yet) why the control cannot be used.
    const QString noPedal = '\n' + QString::fromUtf8(ControlReasons::NoPedal);
    EXPECT_EQ(fx->dialInputLevel->toolTip(),
              "Set level of input signal to the octave down effect. It does not affect dry.\n"
              "Adjust if you hear too much distortion on the sub. By deafult it is set to mid position."
              + noPedal);
    EXPECT_EQ(fx->cmbGuitarTuning->toolTip(), hints::guitarTuning().join('\n') + noPedal);
    EXPECT_TRUE(fx->cmbGuitarTuning->toolTip().contains("use capo on 3rd fret select standard tuning and +3 Pitch.\n"));
    EXPECT_EQ(fx->cmbSemitonesVariation->toolTip(), "Select the pitch variation in semitones from -5 to +3" + noPedal);
    EXPECT_TRUE(fx->chkDominantNoteCut->toolTip().startsWith("Improves tracking on lowest chord"));
    EXPECT_TRUE(fx->chkHighNoteCut->toolTip().startsWith("Removes tracking and noise on higher strings"));

    // The addresses of the selected effect's image.
    EXPECT_EQ(fx->settings().address(slot::InputLevel), 0x000A);
    EXPECT_EQ(fx->settings().address(slot::Dry), 0x000B);
    EXPECT_EQ(fx->settings().address(slot::Range), 0x0000);
}

TEST_F(ParameterWindowTest, ControlsFollowTheConnection)
{
    open(false);
    const QList<QWidget *> live{fx->dialInputLevel, fx->dialClipWave, fx->cmbVariableWavePitch,
                                fx->cmbGuitarTuning, fx->chkHighNoteCut, fx->cmbAssignRemote,
                                fx->chkBypassLongPress};
    const QList<QWidget *> shownOnly{fx->dialDry, fx->dialSubMix, fx->dialMinus1Oct, fx->dialMinus2Oct,
                                     fx->dialLowPass, fx->dialHighPass, fx->dialRange,
                                     fx->dial1stHarmonic, fx->swtWave, fx->swtSplit};
    for (QWidget *w : live + shownOnly)
        EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
    main->menuConnect->trigger();
    for (QWidget *w : live)
        EXPECT_TRUE(w->isEnabled()) << w->objectName().toStdString();
    for (QWidget *w : shownOnly)
        EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
    main->menuDisconnect->trigger();
    for (QWidget *w : live + shownOnly)
        EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
}

// Turning a live dial sends its value at once; a dial left in the dead zone
// snaps to the nearer end and sends that.
TEST_F(ParameterWindowTest, LiveDialsSendWhatTheyShow)
{
    open();
    dragTo(fx->dialInputLevel, 90);
    EXPECT_EQ(fx->dialInputLevel->angle(), 90);
    EXPECT_EQ(live(0x000A), 0x3FC000u);
    EXPECT_EQ(fx->settings().value(slot::InputLevel), 0x3FC000u);

    fx->dialClipWave->setFocus();
    QTest::keyClick(fx->dialClipWave, Qt::Key_End);
    EXPECT_EQ(live(0x00E6), 0x7FE000u);
    QTest::keyClick(fx->dialClipWave, Qt::Key_Home);
    EXPECT_EQ(live(0x00E6), 0x000000u);

    struct Snap {
        int dragged, snapped;
        std::uint32_t value;
    };
    for (const Snap &c : {Snap{-100, -135, 0x000000}, Snap{-60, -45, 0x7FE000}}) {
        dragTo(fx->dialInputLevel, 90);
        dragTo(fx->dialInputLevel, c.dragged);
        EXPECT_EQ(fx->dialInputLevel->angle(), c.snapped) << c.dragged;
        EXPECT_EQ(live(0x000A), c.value) << c.dragged;
        EXPECT_EQ(fx->settings().value(slot::InputLevel), c.value) << c.dragged;
    }
    EXPECT_TRUE(prompts.messages.isEmpty()) << prompts.messages.join(" | ");
    EXPECT_TRUE(logLines().filter("write to DSP msg").isEmpty()) << "dial messages are not logged";
}

TEST_F(ParameterWindowTest, PitchListAndTrackingChecksSendTheirValues)
{
    open();
    fx->cmbVariableWavePitch->setCurrentIndex(24);  // "+12"
    EXPECT_EQ(live(0x0073), 0x800000u);
    EXPECT_EQ(fx->settings().value(slot::HarmonicPitch), 0x800000u);

    // Without a tuning, ticking a tracking function is refused with a word
    // of why, and the pedal gets it off.
    fx->chkDominantNoteCut->click();
    EXPECT_EQ(prompts.messages, QStringList({TformFXsettings::NoTuningForCheckMessage}));
    EXPECT_FALSE(fx->chkDominantNoteCut->isChecked());
    EXPECT_EQ(live(0x001B), 0u);
    EXPECT_TRUE(logLines().contains("write to DSP msg: 01001B00000000"));

    fx->cmbGuitarTuning->setCurrentIndex(1);
    prompts.messages.clear();
    fx->chkHighNoteCut->click();
    EXPECT_TRUE(prompts.messages.isEmpty());
    EXPECT_EQ(live(0x000C), 1u);
    EXPECT_EQ(logLines().last(), "write to DSP msg: 01000C00000001");

    // Controls III and IV take the tracking functions only with a tuning.
    fx->cmbGuitarTuning->setCurrentIndex(0);
    fx->cmbAssignCtrlTRE->setCurrentIndex(1);
    EXPECT_EQ(prompts.messages, QStringList({TformFXsettings::NoTuningForAssignMessage}));
    EXPECT_EQ(fx->cmbAssignCtrlTRE->currentIndex(), 0);
    EXPECT_FALSE(fx->settings().control_assigned[2]);
    fx->cmbGuitarTuning->setCurrentIndex(3);
    fx->cmbAssignCtrlQUATTRO->setCurrentIndex(2);
    EXPECT_EQ(fx->cmbAssignCtrlQUATTRO->currentIndex(), 2);
    EXPECT_TRUE(fx->settings().control_assigned[3]);
    EXPECT_EQ(fx->settings().current_tuning, 3);
    fx->cmbSemitonesVariation->setCurrentIndex(0);
    EXPECT_EQ(fx->settings().semitones_variation, -5);
}

// "Request" shows the pedal's whole state, and the live values go back to
// the pedal exactly as it reported them.
TEST_F(ParameterWindowTest, ARequestFillsTheWindowFromThePedal)
{
    PedalState &pedal = driver.pedal().state();
    pedal.footswitchMode = 3;
    pedal.assigned = {1, 0, 1, 0, 1};
    pedal.assignedAddress = {0x000A, 0xFFFF, 0x000C, 0xFFFF, 0xFFFD};
    pedal.tuningNumber = 2;
    pedal.semitones = -2;
    pedal.storedValues[slot::Dry] = 0x400000;
    pedal.storedValues[slot::Wave] = 0x600000;
    pedal.storedValues[slot::LowPass] = 12;
    pedal.storedValues[slot::Split] = 1;
    pedal.storedValues[slot::Range] = 11;
    pedal.storedValues[slot::HarmonicPitch] = 0x455558;
    pedal.storedValues[slot::DominantNotesCut] = 1;
    pedal.storedValues[slot::InputLevel] = 0x402000;
    open();
    fx->swtWave->setChecked(true);

    QTest::mouseClick(main->btnRequest, Qt::LeftButton);
    EXPECT_TRUE(prompts.messages.isEmpty()) << prompts.messages.join(" | ");
    EXPECT_TRUE(fx->chkChangePresetShortPress->isChecked());
    EXPECT_TRUE(fx->chkBypassLongPress->isChecked());
    EXPECT_EQ(fx->cmbAssignCtrlUNO->currentText(), "Input Level");
    EXPECT_EQ(fx->cmbAssignCtrlDUE->currentText(), "Not Assigned");
    EXPECT_EQ(fx->cmbAssignCtrlTRE->currentText(), "High Notes Cut");
    EXPECT_EQ(fx->cmbAssignRemote->currentText(), "Preset");
    EXPECT_EQ(fx->settings().control_assigned, (std::array<bool, 5>{true, false, true, false, true}));
    EXPECT_EQ(fx->cmbGuitarTuning->currentText(), "Drop D (DADGBE)");
    EXPECT_EQ(fx->cmbSemitonesVariation->currentText(), "-2");
    EXPECT_EQ(fx->dialDry->angle(), 89);
    EXPECT_FALSE(fx->swtWave->isChecked());
    EXPECT_TRUE(fx->swtSplit->isChecked());
    EXPECT_EQ(fx->dialLowPass->angle(), 90);
    EXPECT_EQ(fx->dialRange->angle(), 90);
    EXPECT_EQ(fx->dialInputLevel->angle(), 89);
    EXPECT_EQ(fx->cmbVariableWavePitch->currentText(), "+1");
    EXPECT_TRUE(fx->chkDominantNoteCut->isChecked());
    EXPECT_FALSE(fx->chkHighNoteCut->isChecked());
    // Shown at 89 degrees (where a turned dial stands for 0x402000), Dry goes
    // back exactly as read; the display-only controls keep what was read.
    EXPECT_EQ(live(0x000B), 0x400000u);
    EXPECT_EQ(fx->settings().value(slot::Dry), 0x400000u);
    EXPECT_EQ(fx->settings().value(slot::LowPass), 12u);
    EXPECT_EQ(live(0x0073), 0x455558u);
    EXPECT_EQ(live(0x001B), 1u);
    const QStringList lines = logLines();
    for (const char *line : {"Footswitch Mode: 3", "Current Tuning: 2", "Semitones variation: FE",
                             "Dry: \t00400000", "Harmonic pitch: \t00455558"})
        EXPECT_TRUE(lines.contains(line)) << line;

    // Input Level sits on Control I: the window leaves it to the pedal.
    const std::uint32_t before = live(0x000A);
    dragTo(fx->dialInputLevel, 0);
    EXPECT_EQ(prompts.messages, QStringList({TformFXsettings::AssignedLockMessage}));
    EXPECT_EQ(live(0x000A), before);
    EXPECT_EQ(fx->settings().value(slot::InputLevel), 0x402000u);

    // What the pedal reports is shown without the window's own checks: High
    // Notes Cut stays on Control III although no tuning is selected.
    pedal.tuningNumber = 0;
    pedal.storedValues[slot::DominantNotesCut] = 0;
    pedal.storedValues[slot::HarmonicPitch] = 0x455559;  // no entry of the pitch list
    fx->cmbAssignCtrlTRE->setCurrentIndex(0);
    prompts.messages.clear();
    QTest::mouseClick(main->btnRequest, Qt::LeftButton);
    EXPECT_TRUE(prompts.messages.isEmpty()) << prompts.messages.join(" | ");
    EXPECT_EQ(fx->cmbGuitarTuning->currentIndex(), 0);
    EXPECT_EQ(fx->cmbAssignCtrlTRE->currentText(), "High Notes Cut");
    EXPECT_EQ(fx->cmbVariableWavePitch->currentText(), "+1") << "an unknown pitch leaves the list";
    EXPECT_EQ(fx->settings().value(slot::HarmonicPitch), 0x455559u);
}

TEST_F(ParameterWindowTest, StoreAssignAndFootswitchReachThePedal)
{
    open();
    QTest::mouseClick(main->btnRequest, Qt::LeftButton);
    ASSERT_TRUE(main->btnSaveParameters->isEnabled());
    fx->cmbGuitarTuning->setCurrentIndex(1);

    dragTo(fx->dialClipWave, 90);
    prompts.yesNoAnswers = {false};
    QTest::mouseClick(main->btnSaveParameters, Qt::LeftButton);
    settle();
    EXPECT_EQ(driver.pedal().state().storedValues[slot::WaveClip], 0x400000u) << "No keeps the pedal as it was";
    QTest::mouseClick(main->btnSaveParameters, Qt::LeftButton);
    settle();
    EXPECT_EQ(driver.pedal().state().storedValues[slot::WaveClip], 0x3FC000u);
    EXPECT_EQ(prompts.questions, QStringList({"Save Parameters to pedal?", "Save Parameters to pedal?"}));
    EXPECT_TRUE(logLines().contains("Store settings message (HEX): 03" "00600000" "00400000" "003FC000"
                                    "00000000" "00000000"));

    fx->cmbAssignCtrlUNO->setCurrentIndex(3);      // Wave Clip
    fx->cmbAssignCtrlQUATTRO->setCurrentIndex(1);  // Dominant Notes Cut
    fx->cmbAssignRemote->setCurrentIndex(0);
    QTest::mouseClick(main->btnAssign, Qt::LeftButton);
    settle();
    EXPECT_EQ(prompts.questions.last(), "Upload Assignments?");
    EXPECT_TRUE(logLines().contains("assign message: 04010000010000E6FFFFFFFF001BFFFF"));
    const PedalState &pedal = driver.pedal().state();
    EXPECT_EQ(pedal.assigned, (std::array<std::uint8_t, 5>{1, 0, 0, 1, 0}));
    EXPECT_EQ(pedal.assignedAddress[0], 0x00E6);
    EXPECT_EQ(pedal.assignedAddress[3], 0x001B);
    EXPECT_TRUE(main->btnAssign->isEnabled());

    for (int mode = 0; mode < 4; ++mode) {
        (mode & 2 ? fx->chkChangePresetShortPress : fx->chkBypassShortPress)->setChecked(true);
        (mode & 1 ? fx->chkBypassLongPress : fx->chkChangePresetLongPress)->setChecked(true);
        QTest::mouseClick(main->btnSetFootswitchMode, Qt::LeftButton);
        settle();
        EXPECT_EQ(pedal.footswitchMode, mode);
    }
    EXPECT_EQ(logLines().last(), "080101");
}
