// What the parameter window sends when it shows values it did not make: a
// status reply or a preset goes back to the pedal exactly as it came, at the
// addresses of the algorithm the pedal runs, so that showing the pedal's
// state and storing it again changes nothing.

#include "EditorFixture.h"
#include "ScriptedReplies.h"

#include "params/DialMapping.h"
#include "params/ParameterTable.h"
#include "params/PresetFile.h"
#include "widgets/RotaryDial.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QPushButton>
#include <QRegularExpression>

namespace {

using Values = std::array<std::uint32_t, ParameterSlotCount>;

class ShownValuesTest : public EditorFixture {
protected:
    // Request, then Save Parameters answered Yes: what the pedal stores then.
    const PedalState &requestAndStore()
    {
        QTest::mouseClick(main->btnRequest, Qt::LeftButton);
        prompts.yesNoAnswers = {true};
        QTest::mouseClick(main->btnSaveParameters, Qt::LeftButton);
        return settle();
    }

    // The pedal's addresses of the live parameters, in slot order.
    static std::map<int, std::uint16_t> liveAddresses(const PedalState &state)
    {
        std::map<int, std::uint16_t> at;
        for (int s : {slot::Dry, slot::SubMix, slot::Minus1Oct, slot::Minus2Oct, slot::InputLevel,
                      slot::HarmonicPitch, slot::WaveClip, slot::DominantNotesCut, slot::HighNotesCut})
            at[s] = state.parameterAddresses[std::size_t(PedalState::SlotAddressField[std::size_t(s)])];
        return at;
    }
};

}  // namespace

// Every value a dial can stand for, every step of the step scales and values
// off the dials' grid: shown by a Request, stored again, read back equal; and
// the live parameters reach the processor as they were read.
TEST_F(ShownValuesTest, ShowingAndStoringAgainChangesNoStoredValue)
{
    open();
    PedalState &pedal = driver.pedal().state();
    pedal.tuningNumber = 1;  // the tracking functions may be on
    const Values factory = pedal.storedValues;
    const auto addresses = liveAddresses(pedal);

    std::vector<Values> cases{factory};
    for (std::uint32_t n = 0; n < 1024; ++n) {
        Values v = factory;
        for (int s : {slot::Dry, slot::SubMix, slot::Minus1Oct, slot::Minus2Oct, slot::FirstHarmonic, slot::InputLevel})
            v[std::size_t(s)] = n << 13;
        v[slot::WaveClip] = (1023 - n) << 13;
        v[slot::LowPass] = n % 25;
        v[slot::HighPass] = n % 17;
        v[slot::Range] = n % 23;
        v[slot::HarmonicPitch] = harmonic_pitch_table[n % PitchEntryCount];
        v[slot::DominantNotesCut] = n & 1;
        v[slot::HighNotesCut] = (n >> 1) & 1;
        cases.push_back(v);
    }
    // Between the dial's steps, past its end, and what the pedal shows but
    // its lists cannot (a pitch off the table, a tracking value of 2).
    for (std::uint32_t offGrid : {0x3FC000u, 0x3FFFFFu, 0x400001u, 0x7FFFFFu, 0x800000u, 0xFFFFFFFFu}) {
        Values v = factory;
        v[slot::InputLevel] = offGrid;
        v[slot::WaveClip] = offGrid ^ 0x1234;
        v[slot::Dry] = offGrid;
        v[slot::HarmonicPitch] = offGrid;
        v[slot::DominantNotesCut] = 2;
        cases.push_back(v);
    }

    int index = 0;
    for (const Values &v : cases) {
        SCOPED_TRACE(index++);
        pedal.storedValues = v;
        const PedalState &after = requestAndStore();
        ASSERT_EQ(after.storedValues, v);
        for (int s = 0; s < ParameterSlotCount; ++s)
            ASSERT_EQ(fx->settings().value(s), v[std::size_t(s)]) << "slot " << s;
        for (const auto &[s, address] : addresses) {
            const auto live = after.liveValues.find(address);
            ASSERT_NE(live, after.liveValues.end());
            // The lists show only their own values; anything else is left
            // as the processor has it.
            const bool listed = s == slot::HarmonicPitch
                                    ? std::count(harmonic_pitch_table.begin(), harmonic_pitch_table.end(), v[std::size_t(s)]) > 0
                                    : s < slot::DominantNotesCut || v[std::size_t(s)] <= 1;
            if (listed) {
                ASSERT_EQ(live->second, v[std::size_t(s)]) << "slot " << s;
            }
        }
    }
    EXPECT_TRUE(prompts.messages.isEmpty()) << prompts.messages.join(" | ").toStdString();
}

// Three rounds of what a guitarist does: Request and Save Parameters, then a
// preset saved, loaded back and stored. The pedal stores what it had.
TEST_F(ShownValuesTest, ThreeShowAndStoreCyclesLeaveThePedalAsItWas)
{
    open();
    PedalState &pedal = driver.pedal().state();
    pedal.tuningNumber = 2;
    pedal.storedValues[slot::InputLevel] = 0x3FC000;  // 90 degrees, which a turned dial reads as itself
    pedal.storedValues[slot::WaveClip] = 0x400000;    // 89 degrees, which a turned dial reads as 0x402000
    pedal.storedValues[slot::HighNotesCut] = 1;
    const Values stored = pedal.storedValues;
    const PresetFile presets(documentsPath, prompts);
    ASSERT_TRUE(QDir().mkpath(presets.saveFolder()));
    const QString file = presets.saveFolder() + "/round.txt";

    for (int round = 1; round <= 3; ++round) {
        SCOPED_TRACE(round);
        EXPECT_EQ(requestAndStore().storedValues, stored);
        prompts.fileAnswers = {file};
        main->menuSavePreset->trigger();
        prompts.fileAnswers = {file};
        main->menuLoadPreset->trigger();
        prompts.yesNoAnswers = {true};
        QTest::mouseClick(main->btnSaveParameters, Qt::LeftButton);
        EXPECT_EQ(settle().storedValues, stored);
        EXPECT_EQ(live(0x000A), 0x3FC000u);
        EXPECT_EQ(live(0x00E6), 0x400000u);
    }
    EXPECT_EQ(prompts.messages.filter("Error").size(), 0) << prompts.messages.join(" | ").toStdString();
}

// The parameter messages a Request sends go to the addresses of the
// algorithm the pedal reports, read from its carried image whether or not
// the parameter window was ever shown and whatever effect is selected.
TEST_F(ShownValuesTest, ARequestSendsToTheReportedAlgorithmsAddresses)
{
    // Every live parameter off its start value, so that each is sent.
    QByteArray values = statusValues();
    for (int s : {slot::Dry, slot::SubMix, slot::Minus1Oct, slot::Minus2Oct, slot::InputLevel, slot::HarmonicPitch,
                  slot::WaveClip}) {
        values[22 + 4 * s + 1] = 0x40;
        values[22 + 4 * s + 2] = char(s);  // a value of its own: 0x0040ss00
    }
    values[22 + 4 * slot::HarmonicPitch + 2] = 0;  // 0x00400000, in the pitch table
    values[22 + 4 * slot::DominantNotesCut + 3] = 1;
    values[22 + 4 * slot::HighNotesCut + 3] = 1;

    // Dry, Sub Mix, -1 Oct, -2 Oct, Input Level, Wave Clip, Pitch, Dominant
    // and High Notes Cut (the order the window shows them in), as each
    // image's first line lists them.
    const QStringList in0010{"000B", "00E7", "0078", "0076", "000A", "00E6", "0073", "001B", "000C"};
    const QStringList in0009{"000A", "00E4", "0074", "0072", "0009", "00E2", "006F", "001A", "000B"};
    auto expected = [](const QStringList &addresses) {
        QStringList messages;
        const int order[] = {slot::Dry, slot::SubMix, slot::Minus1Oct, slot::Minus2Oct, slot::InputLevel,
                             slot::WaveClip, slot::HarmonicPitch, slot::DominantNotesCut, slot::HighNotesCut};
        for (int i = 0; i < addresses.size(); ++i) {
            const int s = order[i];
            const QString value = s == slot::HarmonicPitch ? "00400000"
                                  : s >= slot::DominantNotesCut ? "00000001"
                                                                : "0040" + QStringLiteral("%1").arg(s, 2, 16, QLatin1Char('0')).toUpper() + "00";
            messages << "01" + addresses[i] + value;
        }
        return messages;
    };
    auto parameterMessages = [this] {
        QStringList sent;
        for (const QString &line : fake.journal()) {
            const QString bytes = line.section(' ', 2, 2);
            if (line.section(' ', 1, 1) == "FT_Write" && bytes.size() == 14 && bytes.startsWith("01"))
                sent << bytes;
        }
        return sent;
    };

    struct Case {
        const char *name;
        std::uint8_t algorithm;
        bool clickEffect;
        QStringList messages;
    };
    const Case cases[] = {
        {"0010 reported, no effect clicked", 0x10, false, expected(in0010)},
        {"0009 reported, 0010 selected", 0x09, true, expected(in0009)},
        {"0007 reported: no carried table", 0x07, true, {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        useStandIn();
        fake.add("PDL00001", "FT230X Basic UART");
        start();
        main = windows->formMain.get();
        fx = windows->formFXsettings.get();
        if (c.clickEffect) {
            main->show();
            QListWidget *list = main->lstEffects;
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(0)).center());
        }
        main->menuConnect->trigger();
        QByteArray reply = values;
        reply[2] = char(c.algorithm);
        answerOnce(encodeValues(reply));
        prompts.messages.clear();
        QTest::mouseClick(main->btnRequest, Qt::LeftButton);
        const QStringList sent = parameterMessages();
        EXPECT_EQ(sent, c.messages);
        for (const QString &message : sent) {
            EXPECT_NE(message.mid(2, 4), "0000") << message.toStdString();
            EXPECT_NE(message.mid(2, 4), "FFFF") << message.toStdString();
        }
        if (c.messages.isEmpty()) {
            // Said once, in words; the controls that would send wait.
            ASSERT_EQ(prompts.messages.filter("algorithm 0007").size(), 1) << prompts.messages.join(" | ").toStdString();
            EXPECT_TRUE(prompts.messages.filter("algorithm 0007").first().startsWith(
                "The pedal runs algorithm 0007, of which no image is carried"));
            EXPECT_FALSE(fx->dialInputLevel->isEnabled());
            EXPECT_FALSE(fx->chkHighNoteCut->isEnabled());
            prompts.yesNoAnswers = {true};
            QTest::mouseClick(main->btnAssign, Qt::LeftButton);
            EXPECT_TRUE(parameterMessages().isEmpty());
            EXPECT_TRUE(fake.journal().filter(QRegularExpression(" FT_Write 04")).isEmpty());
        } else {
            EXPECT_TRUE(fx->dialInputLevel->isEnabled());
        }
        windows.reset();
        transport.reset();
    }
}

// Clicking another effect after a Request does not take the pedal's
// addresses away; an upload and Disconnect do, since the pedal may run
// another algorithm then. Load Preset and Load Effect From File wait for a
// pedal.
TEST_F(ShownValuesTest, TheReportedAlgorithmHoldsUntilThePedalMayHaveChanged)
{
    driver.pedal().state().algorithmVersion = {0x00, 0x09};
    open();
    QTest::mouseClick(main->btnRequest, Qt::LeftButton);
    QListWidget *list = main->lstEffects;
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(0)).center());
    EXPECT_EQ(fx->settings().messageAddress(slot::InputLevel), std::optional<std::uint16_t>(0x0009));

    // An upload puts another algorithm on the pedal: the uploaded image's
    // addresses, until a Request tells again.
    prompts.yesNoAnswers = {true};
    QTest::mouseClick(main->btnUpload, Qt::LeftButton);
    EXPECT_EQ(fx->settings().messageAddress(slot::InputLevel), std::optional<std::uint16_t>(0x000A));
    QTest::mouseClick(main->btnRequest, Qt::LeftButton);
    EXPECT_EQ(fx->settings().reportedAlgorithm, "0010");
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(0)).center());

    main->menuDisconnect->trigger();
    EXPECT_EQ(fx->settings().messageAddress(slot::InputLevel), std::optional<std::uint16_t>(0x000A))
        << "the selected effect's, 0010";
    EXPECT_FALSE(main->menuLoadPreset->isEnabled());
    EXPECT_FALSE(main->menuLoadAlgorithmFromFile->isEnabled());
    EXPECT_TRUE(main->menuSavePreset->isEnabled());
}
