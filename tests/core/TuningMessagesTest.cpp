// The tuning filter table against the filter formulas, and the messages of
// the Settings menu and Set Tuning as they reach the stand-in D2XX library:
// the tuning-data upload, the tuning message and the MIDI channel message,
// with their questions, purges, pauses and log lines.

#include "StandInFixture.h"
#include "FakeFtd2xx.h"
#include "ManualClock.h"
#include "QtPrinters.h"
#include "RecordingLog.h"
#include "ScriptedPrompts.h"
#include "device/Communication.h"
#include "device/D2XXUnit.h"
#include "device/D2xxLibraryDriver.h"
#include "prefs/MidiChannel.h"
#include "tuning/Tunings.h"

#include <gtest/gtest.h>
#include <cmath>

namespace {

// The table's values recomputed here, in double precision, from the filter
// formulas: peaking equalisers at 48 kHz, rounded to 23 fraction bits.
std::array<std::int32_t, 5> expectedCoefficients(int row)
{
    const bool firstGroup = row < 18;
    const int note = firstGroup ? 38 + row : 48 + (row - 18);
    const double gainDb = firstGroup ? -6.0 : -20.0;
    const double q = firstGroup ? 11.0 : 12.0;
    const double frequency = 440.0 * std::pow(2.0, (note - 69) / 12.0);
    const double a = std::pow(10.0, gainDb / 40.0);
    const double w = 2.0 * M_PI * frequency / 48000.0;
    const double alpha = std::sin(w) / (2.0 * q);
    const double a0 = 1.0 + alpha / a;
    const double b0 = (1.0 + alpha * a) / a0;
    const double b1 = -2.0 * std::cos(w) / a0;
    const double b2 = (1.0 - alpha * a) / a0;
    const double a1 = -2.0 * std::cos(w) / a0;
    const double a2 = (1.0 - alpha / a) / a0;
    std::array<std::int32_t, 5> fixed{};
    const double stored[5] = {b0, b1, b2, -a1, -a2};
    for (int k = 0; k < 5; ++k)
        fixed[std::size_t(k)] = std::int32_t(std::llround(stored[k] * 8388608.0));
    return fixed;
}

std::int32_t storedCoefficient(int row, int k)
{
    const auto &bytes = tuning_table[std::size_t(row)];
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i)
        value = (value << 8) | bytes[std::size_t(4 * k + i)];
    return std::int32_t(value);
}

QByteArray rowBytes(int row)
{
    const auto &bytes = tuning_table[std::size_t(row)];
    return QByteArray(reinterpret_cast<const char *>(bytes.data()), qsizetype(bytes.size()));
}

}  // namespace

TEST(TuningTable, EqualsThePeakingFilterFormulas)
{
    const char *const coefficientNames[] = {"b0", "b1", "b2", "-a1", "-a2"};
    for (int row = 0; row < TuningTableRows; ++row) {
        const auto expected = expectedCoefficients(row);
        for (int k = 0; k < 5; ++k)
            EXPECT_EQ(storedCoefficient(row, k), expected[std::size_t(k)])
                << "row " << row << ", " << coefficientNames[k];
    }

    struct Checked {
        int row;
        const char *bytes;
    };
    const Checked checked[] = {
        {0, "007FF5ECFF002B70007FE1AB00FFD490FF80286A"},
        {17, "007FE51FFF00814D007FAF1C00FF7EB3FF806BC4"},
        {18, "007FBD9DFF009D1C007FAEDD00FF62E4FF809386"},
        {31, "007F73B6FF0162AE007F548A00FE9D52FF8137C0"},
    };
    for (const Checked &c : checked)
        EXPECT_EQ(rowBytes(c.row), QByteArray::fromHex(c.bytes)) << "row " << c.row;
}

namespace {

// The messages through the stand-in D2XX library, whose journal shows the
// bytes written, the purges before them and the manual clock's time.
class TuningMessagesTest : public StandInFixture {
protected:
    void SetUp() override
    {
        StandInFixture::SetUp();
        if (HasFatalFailure())
            return;
        fake.takeTx(0, nullptr, 0);
    }
    // Every byte written since the last call, in order.
    QByteArray takeWritten() const
    {
        QByteArray bytes(4096, '\0');
        bytes.resize(qsizetype(fake.takeTx(0, bytes.data(), size_t(bytes.size()))));
        return bytes;
    }

    Tunings tunings{comm, log, prompts, clock};
    MidiChannel midi{comm, log};
};

QByteArray wholeTable()
{
    QByteArray table;
    for (int row = 0; row < TuningTableRows; ++row)
        table += rowBytes(row);
    return table;
}

}  // namespace

TEST_F(TuningMessagesTest, TuningDataIsTheTableAsTextAndIsLogged)
{
    tunings.build_tuning_data();
    const QString text = QString::fromLatin1(wholeTable().toHex().toUpper());
    ASSERT_EQ(text.size(), 1280);
    EXPECT_EQ(tunings.tuning_data, text);
    EXPECT_EQ(log.lines, QStringList({"tuning data: " + text}));
    tunings.build_tuning_data();
    EXPECT_EQ(tunings.tuning_data, text) << "rebuilt, not appended to";
    EXPECT_TRUE(calls().isEmpty());
}

TEST_F(TuningMessagesTest, UploadAnnouncesPausesAndSendsTheWholeTableInOneWrite)
{
    const QString table = QString::fromLatin1(wholeTable().toHex().toUpper());
    const QByteArray message = QByteArray::fromHex("0E") + wholeTable();
    ASSERT_EQ(message.size(), 641);
    EXPECT_TRUE(message.startsWith(QByteArray::fromHex("0E007FF5EC")));
    EXPECT_TRUE(message.endsWith(QByteArray::fromHex("8137C0")));

    // Twice: each run sends the same 641 bytes, the table rebuilt each time.
    for (int run = 0; run < 2; ++run) {
        SCOPED_TRACE(run);
        const std::int64_t start = clock.now;
        fake.reset();
        fake.setTime(start);
        fake.add("PDL00001", "FT230X Basic UART");
        ASSERT_EQ(transport.Open_USB_Device_By_Serial_Number("PDL00001"), ft::Ok);
        log.lines.clear();
        prompts.questions.clear();

        EXPECT_TRUE(tunings.uploadTuningData());
        EXPECT_EQ(prompts.questions, QStringList({"Upload Tuning Data?"}));
        EXPECT_EQ(log.lines, QStringList({"tuning data: " + table, "num_of_bytes: 641"}));
        const QString at = QStringLiteral("@%1 ").arg(start + 400);
        EXPECT_EQ(fake.journalWithout("FT_GetQueueStatus").mid(1),
                  QStringList({QStringLiteral("@%1 FT_Write 0D00").arg(start), at + "FT_Purge TX",
                               at + "FT_Write " + QString::fromLatin1(message.left(64).toHex().toUpper()) + "..."}))
            << "the announcement without a purge, 400 ms, then a purge and one write";
        EXPECT_EQ(takeWritten(), QByteArray::fromHex("0D00") + message);
        EXPECT_EQ(clock.now, start + 500) << "100 ms after the upload";
    }
}

TEST_F(TuningMessagesTest, AnsweringNoToTheUploadLogsTheTableAndSendsNothing)
{
    prompts.yesNoAnswers = {false};
    EXPECT_FALSE(tunings.uploadTuningData());
    EXPECT_EQ(prompts.questions, QStringList({"Upload Tuning Data?"}));
    EXPECT_EQ(log.lines, QStringList({"tuning data: " + QString::fromLatin1(wholeTable().toHex().toUpper())}));
    EXPECT_TRUE(calls().isEmpty());
    EXPECT_EQ(clock.now, 0);
}

TEST_F(TuningMessagesTest, TuningMessageCarriesTheTuningAndTheSemitonesAsAByte)
{
    struct Case {
        std::uint8_t tuning;
        std::int8_t semitones;
        const char *message;
    };
    const Case cases[] = {
        {2, -2, "0902FE"},  // Drop D, two semitones down
        {0, 0, "090000"},   // No Tuning Selected is sent like any other
        {1, -5, "0901FB"},
        {7, 3, "090703"},
        {5, 1, "090501"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.message);
        const std::int64_t start = clock.now;
        log.lines.clear();
        prompts.questions.clear();
        EXPECT_EQ(Tunings::tuningMessage(c.tuning, c.semitones), c.message);
        EXPECT_TRUE(tunings.setTuning(c.tuning, c.semitones));
        EXPECT_EQ(log.lines, QStringList({QStringLiteral("Tuning Message: ") + c.message}));
        EXPECT_EQ(prompts.questions, QStringList({"Set new tuning?"}));
        const QString at = QStringLiteral("@%1 ").arg(start);
        EXPECT_EQ(calls().mid(calls().size() - 2), QStringList({at + "FT_Purge TX", at + "FT_Write " + c.message}));
        EXPECT_EQ(takeWritten(), QByteArray::fromHex(c.message));
        EXPECT_EQ(clock.now, start + 100);
    }
}

TEST_F(TuningMessagesTest, AnsweringNoToTheTuningLogsItAndSendsNothing)
{
    prompts.yesNoAnswers = {false};
    EXPECT_FALSE(tunings.setTuning(2, -2));
    EXPECT_EQ(log.lines, QStringList({"Tuning Message: 0902FE"}));
    EXPECT_EQ(prompts.questions, QStringList({"Set new tuning?"}));
    EXPECT_TRUE(calls().isEmpty());
    EXPECT_EQ(clock.now, 0);
}

TEST_F(TuningMessagesTest, MidiChannelIsSentAtOnceWithoutAPurge)
{
    EXPECT_EQ(MidiChannel::channelItems(),
              QStringList({"OMNI", "1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "12", "13", "14",
                           "15", "16"}));
    struct Case {
        const char *item;
        const char *message;
    };
    const Case cases[] = {{"OMNI", "0700"}, {"1", "0701"}, {"9", "0709"}, {"10", "070A"}, {"16", "0710"}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.item);
        log.lines.clear();
        log.scrolling.clear();
        EXPECT_TRUE(midi.sendChannel(c.item));
        EXPECT_EQ(log.lines, QStringList({QStringLiteral("Midi channel: ") + c.item, c.message}));
        EXPECT_EQ(log.scrolling, QList<bool>({false, true})) << "the first line does not scroll";
        EXPECT_EQ(calls().last(), QStringLiteral("@0 FT_Write ") + c.message);
        EXPECT_EQ(takeWritten(), QByteArray::fromHex(c.message));
    }
    EXPECT_EQ(fake.callCount("FT_Purge"), 0u);
    EXPECT_EQ(clock.now, 0) << "no wait";
    EXPECT_TRUE(prompts.questions.isEmpty());

    // Only the menu's own items are channels.
    log.lines.clear();
    const int before = int(calls().size());
    for (const char *item : {"0", "17", "omni", " 9", "09", ""}) {
        EXPECT_FALSE(MidiChannel::channelMessage(item).has_value()) << item;
        EXPECT_FALSE(midi.sendChannel(item)) << item;
    }
    EXPECT_TRUE(log.lines.isEmpty());
    EXPECT_EQ(calls().size(), before);
}
