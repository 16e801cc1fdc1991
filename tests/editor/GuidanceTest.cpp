// A first evening with the pedal: the status line says what to do next and
// what each command that wrote to the pedal came to, and a control that
// cannot be used says why in its tool tip.

#include "EditorFixture.h"

#include "app/PedalCommandList.h"
#include "app/StatusLine.h"
#include "params/ControlReasons.h"
#include "widgets/OnOffSwitch.h"
#include "widgets/RotaryDial.h"

#include <QCheckBox>
#include <QComboBox>
#include <QMenu>
#include <QPushButton>
#include <functional>

namespace {

using Stage = PedalCommandList::Stage;

QString said(const char *text)
{
    return QString::fromUtf8(text);
}

}  // namespace

TEST_F(EditorFixture, TheStatusLineLeadsFromStartToEditing)
{
    start();
    main = windows->formMain.get();
    EXPECT_EQ(main->statusLine().text(), StatusLine::guidance(Stage::Closed));
    // An effect clicked before Connect: its window is grey, and the line says why.
    main->effetto_cliccato(0);
    EXPECT_EQ(main->statusLine().text(), QString::fromUtf8(StatusLine::ParametersWithoutPedal));
    EXPECT_EQ(main->btnRequest->toolTip(), PedalCommandList::whyOff(Stage::Closed));
    EXPECT_EQ(main->menuStartFirmwareUpgrade->toolTip(),
              "Choose Upgrade Mode, then Connect to the pedal's bootloader.");
    EXPECT_EQ(main->menuConnect->toolTip(), "Connect") << "an enabled item keeps its own tip";

    main->menuConnect->trigger();
    EXPECT_EQ(main->statusLine().text(), StatusLine::guidance(Stage::Open));
    EXPECT_TRUE(main->btnRequest->toolTip().isEmpty());
    EXPECT_EQ(main->btnSaveParameters->toolTip(), PedalCommandList::whyOff(Stage::Open));
    EXPECT_EQ(main->menuConnect->toolTip(), "A pedal is connected: choose Connection → Disconnect first.");

    const QSize size = main->size();
    main->btnRequest->click();
    EXPECT_EQ(main->statusLine().text(), StatusLine::guidance(Stage::StatusRead));
    QCoreApplication::processEvents();
    EXPECT_EQ(main->size(), size) << "the window keeps its size as the line changes";
    EXPECT_TRUE(main->btnSaveParameters->toolTip().isEmpty());
    EXPECT_TRUE(main->menuMIDI->menuAction()->statusTip().isEmpty());

    main->menuDisconnect->trigger();
    EXPECT_EQ(main->statusLine().text(), StatusLine::guidance(Stage::Closed));
    EXPECT_EQ(main->btnSaveParameters->toolTip(), PedalCommandList::whyOff(Stage::Closed));
    EXPECT_EQ(main->menuMIDI->menuAction()->statusTip(), PedalCommandList::whyOff(Stage::Closed));
}

// Each command that writes to the pedal ends with one line: what was done,
// or, answered No, what was not.
TEST_F(EditorFixture, EachSendEndsWithOneLineInTheStatusLine)
{
    open();
    main->btnRequest->click();
    ASSERT_EQ(main->statusLine().text(), StatusLine::guidance(Stage::StatusRead));
    fx->cmbGuitarTuning->setCurrentIndex(2);
    auto *channel5 = main->findChild<QAction *>("itmMidiChannel5");
    ASSERT_NE(channel5, nullptr);

    struct Command {
        const char *name;
        std::function<void()> run;
        QString done;
        QString declined;  // empty: nothing is asked
    };
    const Command commands[] = {
        {"Save Parameters", [&] { main->btnSaveParameters->click(); }, "Stored on the pedal", "Nothing stored"},
        {"Assign", [&] { main->btnAssign->click(); }, "Controls assigned", "Nothing assigned"},
        {"Set Footswitch Mode", [&] { main->btnSetFootswitchMode->click(); }, "Footswitch mode set", {}},
        {"Upload Tuning Data", [&] { main->menuUploadTuningsData->trigger(); }, "Tuning data uploaded",
         "Nothing uploaded"},
        {"Set Tuning", [&] { main->btnSetTuning->click(); }, "Tuning set", "Nothing set"},
        {"MIDI channel", [&] { channel5->trigger(); }, "MIDI channel set to 5", {}},
    };
    for (const Command &c : commands) {
        SCOPED_TRACE(c.name);
        main->statusLine().say({});
        prompts.yesNoAnswers = {true};
        c.run();
        EXPECT_EQ(main->statusLine().text(), c.done);
        if (c.declined.isEmpty())
            continue;
        main->statusLine().say({});
        prompts.yesNoAnswers = {false};
        c.run();
        EXPECT_EQ(main->statusLine().text(), c.declined);
    }
    EXPECT_TRUE(prompts.messages.isEmpty()) << prompts.messages.join(" | ").toStdString();
}

TEST_F(EditorFixture, AControlThatCannotBeUsedSaysWhy)
{
    // Input Level on Control I, as the pedal will report it.
    PedalState &pedal = driver.pedal().state();
    pedal.assigned = {1, 0, 0, 0, 0};
    pedal.assignedAddress = {0x000A, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF};
    open(false);
    const QString hint = fx->dialInputLevel->toolTip().section('\n', 0, -2);
    ASSERT_FALSE(hint.isEmpty()) << "Input Level has a hint of its own";
    EXPECT_EQ(fx->dialInputLevel->toolTip(), hint + '\n' + said(ControlReasons::NoPedal));
    EXPECT_EQ(fx->cmbAssignCtrlUNO->toolTip(), said(ControlReasons::NoPedal));
    // The values the store message does not carry say so, whatever else holds.
    const QString shown = said(ControlReasons::ShownFromPedal) + '\n' + ControlReasons::NotKept;
    EXPECT_EQ(fx->dialDry->toolTip(), shown);
    EXPECT_EQ(fx->swtWave->toolTip(), shown);

    main->menuConnect->trigger();
    EXPECT_TRUE(fx->cmbAssignCtrlUNO->toolTip().isEmpty());
    EXPECT_EQ(fx->dialDry->toolTip(), shown) << "connected or not";

    main->btnRequest->click();
    ASSERT_EQ(fx->cmbAssignCtrlUNO->currentText(), "Input Level");
    EXPECT_EQ(fx->dialInputLevel->toolTip(), hint + '\n' + ControlReasons::assignedTo("Control I"));
    EXPECT_EQ(fx->dialClipWave->toolTip(), QString()) << "not assigned, and usable";
    EXPECT_EQ(fx->chkDominantNoteCut->toolTip(), fx->chkDominantNoteCut->toolTip().section('\n', 0, 2))
        << "its hint alone";

    main->menuDisconnect->trigger();
    EXPECT_EQ(fx->dialInputLevel->toolTip(), hint + '\n' + said(ControlReasons::NoPedal));
}
