// The parameter model as data: dial mappings, addresses read from an
// algorithm image, the pitch table, a status reply taken into the model, and
// the store, assignment and footswitch messages as they reach the pedal.

#include "StandInFixture.h"
#include "FakeFtd2xx.h"
#include "ManualClock.h"
#include "QtPrinters.h"
#include "RecordingLog.h"
#include "ScriptedPrompts.h"
#include "ScriptedReplies.h"
#include "algorithms/EffectLibrary.h"
#include "device/Communication.h"
#include "device/D2XXUnit.h"
#include "device/D2xxLibraryDriver.h"
#include "device/DeviceStatus.h"
#include "params/DialMapping.h"
#include "params/FXsettings.h"
#include "params/ParameterCommands.h"

#include <gtest/gtest.h>

namespace {

QString image0010Line()
{
    ScriptedPrompts prompts;
    EffectLibrary library(prompts);
    EXPECT_TRUE(library.read_file_from_stream(EffectLibrary::format_resource_name("Sombrant MK3 0010")));
    return library.resource_lines.value(0);
}

}  // namespace

TEST(DialMapping, AnglesAndValuesBothWays)
{
    struct ToValue {
        int angle;
        std::uint32_t value;
    };
    for (const ToValue &c : {ToValue{-135, 0x000000}, {-136, 0x008000}, {-179, 0x14E000}, {180, 0x14E000},
                             {90, 0x3FC000}, {0, 0x6A8000}, {-45, 0x7FE000}, {89, 0x402000}}) {
        EXPECT_EQ(dial_angle_to_value(c.angle), c.value) << c.angle;
    }
    struct Snap {
        int angle, snapped;
    };
    for (const Snap &c : {Snap{-100, -135}, {-60, -45}, {-90, -135}, {-89, -45}, {-135, -135},
                          {-45, -45}, {-134, -135}, {-46, -45}, {-136, -136}, {90, 90}}) {
        EXPECT_EQ(snap_dial_angle(c.angle), c.snapped) << c.angle;
    }
    EXPECT_EQ(dial_angle_to_value(snap_dial_angle(-100)), 0x000000u);
    EXPECT_EQ(dial_angle_to_value(snap_dial_angle(-60)), 0x7FE000u);

    struct ToAngle {
        std::uint32_t value, scale;
        int angle;
    };
    for (const ToAngle &c : {ToAngle{0, dial::DialScale, -135}, {0x400000, dial::DialScale, 89},
                             {0x7FE000, dial::DialScale, -45}, {0x800000, dial::DialScale, -45},
                             {0xFFFFFFFF, dial::DialScale, -45}, {12, 24, 90}, {8, 16, 89}, {11, 22, 90},
                             {0, 24, -135}, {24, 24, -45}, {16, 16, -45}, {22, 22, -45}}) {
        EXPECT_EQ(value_to_dial_angle(c.value, c.scale), c.angle) << std::hex << c.value << " / " << c.scale;
    }
    // Shown and read back, a value can move by a step.
    EXPECT_EQ(dial_angle_to_value(value_to_dial_angle(0x400000, dial::DialScale)), 0x402000u);
    // Every position of the travel maps to a value that maps back to it.
    for (int p = 0; p <= dial::LastPosition; ++p) {
        const int angle = dial::angleAt(p);
        EXPECT_EQ(dial::position(angle), p);
        EXPECT_FALSE(dial::inDeadZone(angle)) << p;
    }
}

TEST(DialMapping, WhatTheGuitaristReadsOffADial)
{
    // Percent of travel: the ends, the top, and the dead zone as its ends.
    struct Percent {
        int angle, percent;
    };
    for (const Percent &c : {Percent{-135, 0}, {-45, 100}, {90, 50}, {-100, 0}, {-60, 100}, {180, 16},
                             {-136, 0}, {-138, 1}, {-46, 100}, {-42, 99}}) {
        EXPECT_EQ(dial::percentOfTravel(c.angle), c.percent) << c.angle;
    }
    // A step shown on its dial reads back as the same step, at every step of
    // the three step scales; angles between steps read as the nearer one.
    for (std::uint32_t steps : {24u, 16u, 22u}) {
        for (std::uint32_t step = 0; step <= steps; ++step)
            EXPECT_EQ(dial::nearestStep(value_to_dial_angle(step, steps), steps), int(step)) << step << "/" << steps;
    }
    EXPECT_EQ(dial::nearestStep(-135, 24), 0);
    EXPECT_EQ(dial::nearestStep(-100, 16), 0);
    EXPECT_EQ(dial::nearestStep(-60, 22), 22);
    EXPECT_EQ(dial::nearestStep(92, 24), 12);
}

TEST(ParameterModel, AddressesComeFromTheImagesFirstLine)
{
    FXsettings fx;
    for (int s = 0; s < ParameterSlotCount; ++s)
        EXPECT_EQ(fx.address(s), s < StandardParameterCount ? 0 : 0xFFFF) << s;

    const QString line = image0010Line();
    ASSERT_TRUE(fx.read_parameter_addresses(line));
    const std::uint16_t expected[ParameterSlotCount] = {0x000B, 0x00E7, 0x0078, 0x0076, 0x0003,
                                                        0x00CB, 0x00DD, 0x00A1, 0x00E8, 0x0000,
                                                        0x000A, 0x0073, 0x00E6, 0x001B, 0x000C};
    for (int s = 0; s < ParameterSlotCount; ++s)
        EXPECT_EQ(fx.address(s), expected[s]) << ParameterTable[s].name;

    // The three fields at 43-54 belong to no parameter.
    FXsettings other;
    ASSERT_TRUE(other.read_parameter_addresses(line.left(42) + "FFFFFFFFFFFF" + line.mid(54)));
    for (int s = 0; s < ParameterSlotCount; ++s)
        EXPECT_EQ(other.address(s), expected[s]) << ParameterTable[s].name;

    // An image without a whole table changes nothing.
    for (const QString &bad : {line.left(73), line.left(54) + "00G7" + line.mid(58), QString()}) {
        EXPECT_FALSE(fx.read_parameter_addresses(bad)) << bad.left(80);
        for (int s = 0; s < ParameterSlotCount; ++s)
            EXPECT_EQ(fx.address(s), expected[s]) << ParameterTable[s].name;
    }
}

TEST(ParameterModel, PitchTableFollowsItsRule)
{
    for (int i = 0; i < PitchEntryCount; ++i) {
        const int semitones = i - 12;
        const double exact = semitones < 0 ? 0x400000 + semitones * (0x200000 / 12.0)
                                           : 0x400000 + semitones * (0x400000 / 12.0);
        const auto rounded = std::uint32_t(std::llround(exact / 8) * 8);
        EXPECT_EQ(harmonic_pitch_table[i], rounded) << harmonic_pitch_entries[i];
        EXPECT_EQ(harmonic_pitch_entries[i].front() == '-' ? -1 : 1,
                  semitones < 0 ? -1 : 1);
    }
    EXPECT_EQ(harmonic_pitch_table[0], 0x00200000u);
    EXPECT_EQ(harmonic_pitch_table[12], 0x00400000u);
    EXPECT_EQ(harmonic_pitch_table[24], 0x00800000u);
    EXPECT_EQ(harmonic_pitch_entries[13], "+1");
}

TEST(ParameterModel, AStatusReplyIsTakenIntoTheModel)
{
    FXsettings fx;
    ASSERT_TRUE(fx.read_parameter_addresses(image0010Line()));

    // Footswitch modes: 0-3 name both presses; any other leaves them.
    for (int mode = 0; mode < 8; ++mode) {
        QByteArray v = statusValues();
        v[4] = char(mode);
        RecordingLog log;
        const StatusShown shown = fx.takeStatus(*DeviceStatus::fromValues(v), log);
        EXPECT_EQ(log.lines.first(), QStringLiteral("Footswitch Mode: %1").arg(mode));
        EXPECT_EQ(fx.footswitch_mode, mode);
        if (mode > 3) {
            EXPECT_FALSE(shown.footswitch.has_value()) << mode;
            continue;
        }
        ASSERT_TRUE(shown.footswitch.has_value()) << mode;
        EXPECT_EQ(shown.footswitch->mode(), mode);
    }
    const FootswitchChoice three = *FootswitchChoice::fromMode(3);
    EXPECT_TRUE(three.shortChangesPreset);
    EXPECT_TRUE(three.longBypasses);

    // Assignments: Control I on Input Level (000A), a flag with an unknown
    // address, a remote footswitch on Bypass.
    QByteArray v = statusValues();
    v.replace(5, 15, QByteArray::fromHex("0100000001000A123456789ABCFFFE"));
    RecordingLog log;
    StatusShown shown = fx.takeStatus(*DeviceStatus::fromValues(v), log);
    EXPECT_EQ(shown.assignmentEntries[0], 1);
    EXPECT_EQ(shown.assignmentEntries[1], 0);
    EXPECT_EQ(shown.assignmentEntries[2], 0);
    EXPECT_EQ(shown.assignmentEntries[3], 0);
    EXPECT_EQ(shown.assignmentEntries[4], 1);
    EXPECT_TRUE(fx.isAssigned(slot::InputLevel));
    EXPECT_FALSE(fx.isAssigned(slot::WaveClip));

    v.replace(5, 15, QByteArray::fromHex("01000100010073FFFF000C1234FFFD"));
    shown = fx.takeStatus(*DeviceStatus::fromValues(v), log);
    EXPECT_EQ(shown.assignmentEntries[0], 2) << "1st Harmonic Pitch";
    EXPECT_EQ(shown.assignmentEntries[2], 2) << "High Notes Cut";
    EXPECT_EQ(shown.assignmentEntries[4], 2) << "Preset";
    EXPECT_FALSE(fx.isAssigned(slot::InputLevel)) << "every reply clears the locks first";
    EXPECT_TRUE(fx.isAssigned(slot::HarmonicPitch));
    EXPECT_TRUE(fx.isAssigned(slot::HighNotesCut));

    v.replace(5, 15, QByteArray::fromHex("01010101010B0B00E7000C000CFFFF"));
    shown = fx.takeStatus(*DeviceStatus::fromValues(v), log);
    for (int k : {0, 1, 4})
        EXPECT_FALSE(shown.assignmentEntries[k].has_value()) << "address of no offered parameter: " << k;
}

TEST(ParameterModel, TuningAndValuesFromAStatusReply)
{
    FXsettings fx;
    QByteArray v = statusValues();
    v.replace(20, 2, QByteArray::fromHex("02FE"));
    v.replace(22, 4, QByteArray::fromHex("00400000"));
    RecordingLog log;
    StatusShown shown = fx.takeStatus(*DeviceStatus::fromValues(v), log);
    EXPECT_EQ(shown.tuningEntry, 2);
    EXPECT_EQ(shown.semitoneEntry, 3);
    EXPECT_EQ(fx.current_tuning, 2);
    EXPECT_EQ(fx.semitones_variation, -2);
    EXPECT_EQ(fx.value(slot::Dry), 0x00400000u);
    EXPECT_EQ(fx.value(slot::HighNotesCut), 1u);
    const QStringList expected{"Current Tuning: 2", "Semitones variation: FE", "Dry: \t00400000",
                               "Sub Mix: 00000000", "Sub -1: \t00000000"};
    EXPECT_EQ(log.lines.mid(1, 5), expected);
    EXPECT_EQ(log.lines.last(), "High notes cut: \t00000001");
    EXPECT_EQ(log.lines.size(), 1 + 2 + 15);

    // Numbers that name no entry leave the lists and the numbers as they are.
    struct Bad {
        const char *bytes;
        bool tuningKnown, semitonesKnown;
        const char *line;
    };
    for (const Bad &c : {Bad{"08FE", false, true, "Unknown tuning 8"}, Bad{"0204", true, false, "Unknown semitone variation 04"},
                         Bad{"02FA", true, false, "Unknown semitone variation FA"}, Bad{"0203", true, true, nullptr},
                         Bad{"01FB", true, true, nullptr}}) {
        fx.current_tuning = 5;
        fx.semitones_variation = 1;
        v.replace(20, 2, QByteArray::fromHex(c.bytes));
        log.lines.clear();
        shown = fx.takeStatus(*DeviceStatus::fromValues(v), log);
        EXPECT_EQ(shown.tuningEntry.has_value(), c.tuningKnown) << c.bytes;
        EXPECT_EQ(shown.semitoneEntry.has_value(), c.semitonesKnown) << c.bytes;
        if (!c.tuningKnown) {
            EXPECT_EQ(fx.current_tuning, 5) << c.bytes;
        }
        if (!c.semitonesKnown) {
            EXPECT_EQ(fx.semitones_variation, 1) << c.bytes;
        }
        if (c.line) {
            EXPECT_TRUE(log.lines.contains(c.line)) << c.bytes << ": " << log.lines.join(" | ");
        } else {
            EXPECT_TRUE(log.lines.filter("Unknown").isEmpty()) << c.bytes;
        }
    }
}

namespace {

// The messages through the stand-in D2XX library, whose journal shows the
// bytes written and the purges before them.
class ParameterCommandsTest : public StandInFixture {
protected:
    void SetUp() override
    {
        StandInFixture::SetUp();
        if (HasFatalFailure())
            return;
        ASSERT_TRUE(fx.read_parameter_addresses(image0010Line()));
    }

    ParameterCommands commands{comm, log, prompts, clock};
    FXsettings fx;
};

}  // namespace

TEST_F(ParameterCommandsTest, LiveMessagesAreSevenBytes)
{
    EXPECT_TRUE(commands.sendParameter(fx, slot::InputLevel, 0x3FC000));
    EXPECT_TRUE(commands.sendParameter(fx, slot::DominantNotesCut, 1));
    EXPECT_EQ(calls(), QStringList({"@0 FT_Write 01000A003FC000", "@0 FT_Write 01001B00000001"}));
    EXPECT_EQ(log.lines, QStringList({"write to DSP msg: 01001B00000001"})) << "only the check boxes log";
}

// No image, no address: the records' 0 and 0xFFFF are nobody's address, and
// Range has none in any image.
TEST_F(ParameterCommandsTest, NothingGoesToAnAddressNoImageGave)
{
    FXsettings unread;
    EXPECT_FALSE(commands.sendParameter(unread, slot::Dry, 0x400000));
    EXPECT_FALSE(commands.sendParameter(unread, slot::InputLevel, 0x400000));
    EXPECT_FALSE(commands.sendParameter(fx, slot::Range, 11));
    fx.forgetAddresses();
    EXPECT_FALSE(commands.sendParameter(fx, slot::WaveClip, 0x400000));
    EXPECT_FALSE(commands.assignControls(fx, {1, 0, 0, 0, 0}));
    EXPECT_TRUE(calls().filter("FT_Write").isEmpty()) << calls().join(" | ").toStdString();
    EXPECT_TRUE(prompts.questions.isEmpty());

    // The reported algorithm's image gives them back; an unknown one takes them away.
    QString why;
    EXPECT_TRUE(fx.takeReportedAlgorithm("0009", &why)) << why.toStdString();
    EXPECT_EQ(fx.messageAddress(slot::Dry), std::optional<std::uint16_t>(0x000A)) << "Dry in 0009";
    EXPECT_FALSE(fx.takeReportedAlgorithm("0007", &why));
    EXPECT_EQ(why, "The pedal runs algorithm 0007, of which no image is carried");
    EXPECT_FALSE(fx.addressesKnown());
    EXPECT_EQ(fx.entryForAddress(0, 0xFFFF), std::nullopt);
}

TEST_F(ParameterCommandsTest, StoreSendsTheFiveAssignableValuesAfterAsking)
{
    fx.value(slot::InputLevel) = 0x3FC000;
    fx.value(slot::HarmonicPitch) = 0x400000;
    fx.value(slot::WaveClip) = 0x14E000;
    fx.value(slot::DominantNotesCut) = 1;
    fx.value(slot::HighNotesCut) = 0;
    fx.value(slot::Dry) = 0x7FE000;  // not stored
    const QString text = "03" "003FC000" "00400000" "0014E000" "00000001" "00000000";
    ASSERT_EQ(text.size(), 42);

    prompts.yesNoAnswers = {false, true};
    EXPECT_FALSE(commands.storeParameters(fx));
    EXPECT_EQ(prompts.questions, QStringList({"Save Parameters to pedal?"}));
    EXPECT_TRUE(calls().isEmpty()) << "No sends nothing";
    EXPECT_EQ(log.lines, QStringList({"Store settings message (HEX): " + text, "21"}));

    log.lines.clear();
    EXPECT_TRUE(commands.storeParameters(fx));
    EXPECT_EQ(calls(), QStringList({"@0 FT_Purge TX", "@0 FT_Write " + text}));
    EXPECT_EQ(clock.now, 100) << "the pedal writes its memory";
    EXPECT_EQ(log.lines, QStringList({"Store settings message (HEX): " + text, "21"}));
}

TEST_F(ParameterCommandsTest, AssignmentNamesEachControlsTarget)
{
    struct Case {
        std::array<int, ControlCount> entries;
        const char *message;
    };
    const Case cases[] = {
        {{0, 0, 0, 0, 0}, "0400000000" "00FFFFFFFFFFFFFFFFFFFF"},
        {{1, 0, 2, 0, 2}, "0401000100" "01000AFFFF000CFFFFFFFD"},
        {{2, 3, 1, 2, 1}, "0401010101" "010073" "00E6001B000CFFFE"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.message);
        fake.reset();
        fake.setTime(clock.now);
        fake.add("PDL00001", "FT230X Basic UART");
        ASSERT_EQ(transport.Open_USB_Device_By_Serial_Number("PDL00001"), ft::Ok);
        log.lines.clear();
        prompts.questions.clear();
        EXPECT_TRUE(commands.assignControls(fx, c.entries));
        EXPECT_EQ(prompts.questions, QStringList({"Upload Assignments?"}));
        EXPECT_EQ(log.lines, QStringList({"lenght of assign message in bytes: 16",
                                          QStringLiteral("assign message: ") + c.message}));
        EXPECT_EQ(fake.journalWithout("FT_GetQueueStatus").mid(1),
                  QStringList({QStringLiteral("@%1 FT_Write ").arg(clock.now - 100) + c.message}))
            << "no purge first";
    }
    prompts.yesNoAnswers = {false};
    fake.reset();
    fake.add("PDL00001", "FT230X Basic UART");
    ASSERT_EQ(transport.Open_USB_Device_By_Serial_Number("PDL00001"), ft::Ok);
    EXPECT_FALSE(commands.assignControls(fx, {1, 1, 1, 1, 1}));
    EXPECT_EQ(fake.callCount("FT_Write"), 0u);
}

TEST_F(ParameterCommandsTest, FootswitchBehaviourCodesEachPress)
{
    struct Case {
        FootswitchChoice choice;
        const char *message;
        int mode;
    };
    const Case cases[] = {
        {{false, false}, "080000", 0},
        {{false, true}, "080001", 1},
        {{true, false}, "080100", 2},
        {{true, true}, "080101", 3},
    };
    for (const Case &c : cases) {
        log.lines.clear();
        commands.setFootswitchMode(c.choice);
        EXPECT_EQ(log.lines, QStringList({QStringLiteral("footswitch behaviour message: ") + c.message, c.message}));
        EXPECT_EQ(calls().last(), QStringLiteral("@0 FT_Write ") + c.message);
        EXPECT_EQ(c.choice.mode(), c.mode);
        EXPECT_EQ(FootswitchChoice::fromMode(c.mode), c.choice);
    }
    EXPECT_TRUE(prompts.questions.isEmpty());
    EXPECT_EQ(clock.now, 0) << "no wait";
}
