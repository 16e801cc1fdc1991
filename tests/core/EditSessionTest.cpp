// The parameter window's edits against what the pedal stores: which values
// are edited, undo and redo, and compare, read at the bytes that cross the
// stand-in D2XX library.

#include "QtPrinters.h"
#include "StandInFixture.h"
#include "params/EditSession.h"
#include "params/ParameterCommands.h"

#include <gtest/gtest.h>

namespace {

class EditSessionTest : public StandInFixture {
protected:
    void SetUp() override
    {
        StandInFixture::SetUp();
        if (HasFatalFailure())
            return;
        QString why;
        ASSERT_TRUE(fx.takeReportedAlgorithm(QStringLiteral("0010"), &why)) << why.toStdString();
        // Values off the dials' grid, so that only an exact copy matches.
        stored = fx.values();
        stored[slot::Dry] = 0x00400001;
        stored[slot::InputLevel] = 0x00600003;
        stored[slot::HarmonicPitch] = 0x00400000;
        stored[slot::WaveClip] = 0x00123457;
        stored[slot::DominantNotesCut] = 0;
        stored[slot::HighNotesCut] = 1;
        for (int s = 0; s < ParameterSlotCount; ++s)
            fx.value(s) = stored[std::size_t(s)];
        session.takeStored(stored);
        // The first Request: nothing before it came from the pedal.
        session.record(QStringLiteral("Request"), FXsettings().values());
        EXPECT_FALSE(session.canUndo());
        mark();
    }

    // The hand turns `slot` to `value` within `gesture`.
    void turn(int slot, std::uint32_t value, int gesture)
    {
        const FXsettings::Values before = fx.values();
        session.send(slot, value);
        session.record(QStringLiteral("Input Level"), before, slot, gesture);
    }
    // The writes since the last mark().
    void mark() { m_mark = fake.journal().size(); }
    QStringList writes() const { return fake.journal().mid(m_mark).filter("FT_Write"); }

    ParameterCommands commands{comm, log, prompts, clock};
    FXsettings fx;
    EditSession session{fx, commands};
    FXsettings::Values stored{};
    qsizetype m_mark = 0;
};

}  // namespace

TEST_F(EditSessionTest, EditedUntilStoredOrReadAgain)
{
    EXPECT_FALSE(session.anyEdited());
    turn(slot::InputLevel, 0x00300000, 1);
    EXPECT_TRUE(session.edited(slot::InputLevel));
    EXPECT_TRUE(session.anyEdited());
    turn(slot::InputLevel, 0x00600003, 1);
    EXPECT_FALSE(session.anyEdited()) << "turned back to the stored value";

    // A preset sends Dry and Wave Clip live; Dry is not kept by the pedal.
    const FXsettings::Values before = fx.values();
    fx.value(slot::Dry) = 0x00200000;
    fx.value(slot::WaveClip) = 0x00654321;
    session.sendShown(before, {});
    EXPECT_TRUE(session.edited(slot::Dry));
    EXPECT_TRUE(session.edited(slot::WaveClip));
    EXPECT_EQ(session.live(slot::WaveClip), 0x00654321u);

    prompts.yesNoAnswers = {false};
    EXPECT_TRUE(session.storeParameters().isDeclined());
    EXPECT_TRUE(session.edited(slot::WaveClip)) << "nothing stored on No";
    prompts.yesNoAnswers = {true};
    EXPECT_TRUE(session.storeParameters());
    EXPECT_FALSE(session.edited(slot::WaveClip));
    EXPECT_EQ(session.stored(slot::WaveClip), std::optional<std::uint32_t>(0x00654321));
    EXPECT_TRUE(session.edited(slot::Dry)) << "the store message does not carry Dry";
    EXPECT_FALSE(EditSession::keptByPedal(slot::Dry));

    // A value that did not reach the pedal is not live.
    fx.forgetAddresses();
    session.send(slot::InputLevel, 0x00100000);
    EXPECT_FALSE(session.edited(slot::InputLevel));

    // A Request reads what the pedal stores and runs.
    session.takeStored(fx.values());
    EXPECT_FALSE(session.anyEdited());
    session.forgetPedal();
    EXPECT_FALSE(session.storedKnown());
}

TEST_F(EditSessionTest, OneGestureIsOneStepAndUndoSendsTheExactValue)
{
    turn(slot::InputLevel, 0x00300000, 7);
    turn(slot::InputLevel, 0x00302000, 7);
    turn(slot::InputLevel, 0x00304000, 7);  // one drag
    turn(slot::InputLevel, 0x00500000, 8);  // a second one
    ASSERT_TRUE(session.canUndo());
    mark();

    EXPECT_TRUE(session.undo());
    EXPECT_EQ(writes(), QStringList({"@0 FT_Write 01000A00304000"}));
    mark();
    EXPECT_TRUE(session.undo());
    EXPECT_EQ(writes(), QStringList({"@0 FT_Write 01000A00600003"})) << "the stored value, not a dial step";
    EXPECT_FALSE(session.canUndo());
    EXPECT_TRUE(session.undo().isRefused());
    mark();

    EXPECT_TRUE(session.redo());
    EXPECT_TRUE(session.redo());
    EXPECT_EQ(writes(), QStringList({"@0 FT_Write 01000A00304000", "@0 FT_Write 01000A00500000"}));
    EXPECT_EQ(fx.value(slot::InputLevel), 0x00500000u);

    // A new change forgets what could be redone.
    session.undo();
    turn(slot::InputLevel, 0x00100000, 9);
    EXPECT_FALSE(session.canRedo());

    // A gesture turned back to where it began leaves no step.
    const FXsettings::Values before = fx.values();
    session.send(slot::WaveClip, 0x00000000);
    session.record(QStringLiteral("Wave Clip"), before, slot::WaveClip, 10);
    EXPECT_EQ(session.undoName(), QStringLiteral("Wave Clip"));
    session.send(slot::WaveClip, 0x00123457);
    session.record(QStringLiteral("Wave Clip"), before, slot::WaveClip, 10);
    EXPECT_EQ(session.undoName(), QStringLiteral("Input Level"));
}

TEST_F(EditSessionTest, AStepOfManyValuesUndoesThemAll)
{
    const FXsettings::Values before = fx.values();
    fx.value(slot::Dry) = 0x00700000;
    fx.value(slot::DominantNotesCut) = 1;
    fx.value(slot::Wave) = 0x00600000;  // shown, never sent
    session.sendShown(before, {});
    session.record(QStringLiteral("Load Preset"), before);
    mark();

    EXPECT_TRUE(session.undo());
    EXPECT_EQ(writes(), QStringList({"@0 FT_Write 01000B00400001", "@0 FT_Write 01001B00000000"}));
    EXPECT_EQ(fx.values(), before);
}

TEST_F(EditSessionTest, CompareSendsTheStoredThenTheEditedValuesExactly)
{
    turn(slot::InputLevel, 0x00300000, 1);
    turn(slot::HighNotesCut, 0, 2);
    mark();

    EXPECT_TRUE(session.hear(EditSession::Side::Stored));
    EXPECT_EQ(session.side(), EditSession::Side::Stored);
    EXPECT_EQ(writes(), QStringList({"@0 FT_Write 01000A00600003", "@0 FT_Write 01000C00000001"}));
    EXPECT_EQ(fx.value(slot::InputLevel), 0x00600003u) << "the window shows what is heard";
    mark();

    EXPECT_TRUE(session.returnToEdited());
    EXPECT_EQ(writes(), QStringList({"@0 FT_Write 01000A00300000", "@0 FT_Write 01000C00000000"}));
    mark();

    // Undo from the stored side hears the edited sound first, then undoes.
    session.hear(EditSession::Side::Stored);
    mark();
    EXPECT_TRUE(session.undo());
    EXPECT_EQ(session.side(), EditSession::Side::Edited);
    EXPECT_EQ(writes(), QStringList({"@0 FT_Write 01000A00300000", "@0 FT_Write 01000C00000000",
                                     "@0 FT_Write 01000C00000001"}));

    // A parameter on one of the pedal's controls is the control's.
    fx.assignable[0].is_assigned = true;
    mark();
    session.hear(EditSession::Side::Stored);
    EXPECT_TRUE(writes().isEmpty()) << writes().join(" | ").toStdString();

    session.forgetPedal();
    EXPECT_TRUE(session.hear(EditSession::Side::Stored).isRefused());
}
