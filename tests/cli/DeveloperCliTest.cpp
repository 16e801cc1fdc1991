// The developers' commands (eeprom dump and erase, raw, calc-coeff) run
// through the sombrant program against sombrant-pedal-sim on its
// pseudo-terminal; the EEPROM is set up through the simulator's state file.

#include "SombrantTool.h"
#include "PedalSimProcess.h"
#include "ProgramRun.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QStringList lines(const QString &text)
{
    QStringList out = text.split('\n');
    if (!out.isEmpty() && out.last().isEmpty())
        out.removeLast();
    return out;
}

QString listingLine(int address, std::uint8_t byte)
{
    return QStringLiteral("%1:    %2").arg(address).arg(byte, 2, 16, QLatin1Char('0')).toUpper();
}

// A simulator whose EEPROM holds `eeprom`: the state file of a first run,
// with its EEPROM replaced, is the second run's.
class DeveloperCliTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }

    std::unique_ptr<Simulator> simulatorWith(const QByteArray &eeprom, const QStringList &options = {"--no-pacing"})
    {
        const QString state = dir.filePath("pedal.json");
        {
            // A change to keep makes it write the file.
            Simulator first({"--state", state, "--no-pacing"});
            EXPECT_EQ(sombrant(first, {"eeprom", "erase", "0", "0"}).exitCode, 0);
            first.stop();
        }
        QFile file(state);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        QJsonObject o = QJsonDocument::fromJson(file.readAll()).object();
        file.close();
        EXPECT_TRUE(o.contains("eeprom"));
        o.insert("eeprom", QString::fromLatin1(eeprom.toBase64()));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(QJsonDocument(o).toJson());
        file.close();
        return std::make_unique<Simulator>(QStringList{"--state", state} + options);
    }
    static QByteArray pattern()
    {
        QByteArray bytes(16384, '\0');
        for (int i = 0; i < bytes.size(); ++i)
            bytes[i] = char((i * 13 + 7) & 0xFF);
        return bytes;
    }

    QTemporaryDir dir;
};

}  // namespace

TEST_F(DeveloperCliTest, DumpListsOneLinePerByteOfTheRange)
{
    const QByteArray eeprom = pattern();
    auto sim = simulatorWith(eeprom);
    struct Case {
        QStringList args;
        int first;
        int count;
        bool onTheBus;
    };
    const Case cases[] = {
        {{"eeprom", "dump", "100", "115"}, 100, 16, true},
        {{"eeprom", "dump", "0", "0"}, 0, 1, true},
        {{"eeprom", "dump", "16380", "16383", "--device", "50"}, 16380, 4, true},
        {{"eeprom", "dump", "100", "103", "--device", "51"}, 100, 4, false},
    };
    for (const Case &c : cases) {
        const ProgramRun run = sombrant(*sim, c.args);
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        QStringList expected;
        for (int i = 0; i < c.count; ++i)
            expected << listingLine(c.first + i, c.onTheBus ? std::uint8_t(eeprom.at(c.first + i)) : 0xFF);
        EXPECT_EQ(lines(run.out), expected) << c.args.join(' ').toStdString();
    }
    EXPECT_TRUE(sim->log().contains("EEPROM read at 51, 100 to 103"));
}

TEST_F(DeveloperCliTest, WholeEepromArrivesCompleteOverThePacedLine)
{
    const QByteArray eeprom = pattern();
    auto sim = simulatorWith(eeprom, {});
    const ProgramRun run = sombrant(*sim, {"eeprom", "dump", "0", "16383"});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QStringList out = lines(run.out);
    ASSERT_EQ(out.size(), 16384);
    for (int a : {0, 1, 8191, 16383})
        EXPECT_EQ(out.at(a), listingLine(a, std::uint8_t(eeprom.at(a))));
}

TEST_F(DeveloperCliTest, EraseThenDumpShowsTheErasedPages)
{
    auto sim = simulatorWith(QByteArray(16384, char(0x42)));
    ProgramRun run = sombrant(*sim, {"eeprom", "erase", "1", "2"});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, "Erase sent: pages 1 to 2\n");
    run = sombrant(*sim, {"eeprom", "dump", "62", "65"});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(lines(run.out), QStringList({"62:    42", "63:    42", "64:    FF", "65:    FF"}));
    run = sombrant(*sim, {"eeprom", "dump", "190", "193"});
    EXPECT_EQ(lines(run.out), QStringList({"190:    FF", "191:    FF", "192:    42", "193:    42"}));
    EXPECT_TRUE(sim->log().contains("EEPROM erase of pages 1 to 2 (2 erased)"));
}

TEST_F(DeveloperCliTest, RawSendsTheTypedMessage)
{
    Simulator sim({"--no-pacing"});
    const ProgramRun run = sombrant(sim, {"raw", "0012", "00000100"});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, "Sent: 01001200000100\n");
    EXPECT_TRUE(sim.waitForLog("live parameter 0012 = 00000100")) << sim.log().toStdString();
}

TEST_F(DeveloperCliTest, BadArgumentsAreRefusedBeforeAnythingIsSent)
{
    Simulator sim({"--no-pacing"});
    struct Case {
        QStringList args;
        const char *error;
    };
    const Case cases[] = {
        // The EEPROM's addresses are 0-16383, its pages 0-255.
        {{"eeprom", "dump", "70000", "70001"}, "START must be from 0 to 16383, not 70000"},
        {{"eeprom", "dump", "16380", "16384"}, "END must be from 0 to 16383, not 16384"},
        {{"eeprom", "dump", "16384", "16390"}, "START must be from 0 to 16383, not 16384"},
        {{"eeprom", "erase", "0", "256"}, "LAST must be from 0 to 255, not 256"},
        {{"eeprom", "erase", "65535", "65535"}, "FIRST must be from 0 to 255, not 65535"},
        {{"eeprom", "dump", "1O", "20"}, "'1O' is not a valid integer value"},
        {{"eeprom", "dump", "20", "10"}, "END must not be below START."},
        {{"eeprom", "dump", "0", "1", "--device", "52"}, "--device takes 50 or 51, not \"52\"."},
        {{"eeprom", "erase", "0", "1", "--device", "51"}, "--device is an option of eeprom dump only."},
        {{"eeprom", "read", "0", "1"}, "eeprom takes dump START END [--device 50|51], or erase FIRST LAST."},
        {{"raw", "12", "00000100"}, "Address must be 4 hexadecimal digits"},
        {{"raw", "0012", "0000010G"}, "Data must be 8 hexadecimal digits"},
        {{"raw", "0012"}, "raw takes ADDRESS DATA: 4 and 8 hexadecimal digits."},
    };
    for (const Case &c : cases) {
        const ProgramRun run = sombrant(sim, c.args);
        EXPECT_EQ(run.exitCode, 2) << c.args.join(' ').toStdString();
        EXPECT_EQ(run.err.trimmed(), c.error) << c.args.join(' ').toStdString();
        EXPECT_TRUE(run.out.isEmpty()) << c.args.join(' ').toStdString();
    }
    const QString log = sim.log();
    EXPECT_FALSE(log.contains("EEPROM")) << log.toStdString();
    EXPECT_FALSE(log.contains("live parameter")) << log.toStdString();
}

TEST(DeveloperCli, CalcCoeffPrintsTheArrayWithoutAPedal)
{
    struct Case {
        QStringList args;
        int exitCode;
        QStringList out;
        const char *error;
    };
    const Case cases[] = {
        {{"calc-coeff", "A2", "1.41", "-6"}, 0,
         {"A2_6db_cut_Q1.41 : array[0..19] of string =", "('00', '7F', '8A', 'F6', ", "'FF', '01', 'DC', '05', ",
          "'00', '7E', '9F', 'C4', ", "'00', 'FE', '23', 'FB', ", "'FF', '81', 'D5', '46');"},
         ""},
        {{"calc-coeff", "a1", "11", "-6"}, 0,
         {"A1_6db_cut_Q11 : array[0..19] of string =", "('00', '7F', 'F8', '73', ", "'FF', '00', '1F', 'FA', ",
          "'00', '7F', 'E9', '46', ", "'00', 'FF', 'E0', '06', ", "'FF', '80', '1E', '48');"},
         ""},
        {{"calc-coeff", "A2", "1.41", "0"}, 0, {}, ""},
        {{"calc-coeff", "A2", "0", "-6"}, 2, {}, "Q must be greater than 0"},
        {{"calc-coeff", "A2", "-1", "-6"}, 2, {}, "Q must be greater than 0"},
        {{"calc-coeff", "A2", "1,41", "-6"}, 2, {}, "'1,41' is not a valid floating point value"},
        {{"calc-coeff", "H2", "1.41", "-6"}, 2, {}, "Unknown note \"H2\"; the notes run from A1 to G#5."},
        {{"calc-coeff", "A2", "1.41"}, 2, {},
         "calc-coeff takes NOTE Q GAIN: a note A1 to G#5, Q above 0, the gain in dB."},
    };
    for (const Case &c : cases) {
        const ProgramRun run = sombrant(c.args);
        const std::string what = c.args.join(' ').toStdString();
        EXPECT_EQ(run.exitCode, c.exitCode) << what << ": " << run.err.toStdString();
        EXPECT_EQ(run.err.trimmed(), c.error) << what;
        if (!c.out.isEmpty())
            EXPECT_EQ(lines(run.out), c.out) << what;
        else if (c.exitCode == 0)
            EXPECT_EQ(lines(run.out).value(0), "A2_0db_boost_Q1.41 : array[0..19] of string =") << what;
        else
            EXPECT_TRUE(run.out.isEmpty()) << what;
    }
}
