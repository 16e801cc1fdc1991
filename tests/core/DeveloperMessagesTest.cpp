#include "StandInFixture.h"
#include "FakeFtd2xx.h"
#include "ManualClock.h"
#include "OpenAtLineSpeed.h"
#include "QtPrinters.h"
#include "RecordingLog.h"
#include "ScriptedPrompts.h"
#include "device/Communication.h"
#include "device/D2XXUnit.h"
#include "device/D2xxLibraryDriver.h"
#include "device/SimulatedPedalDriver.h"
#include "devtools/DeveloperMessages.h"
#include "model/PedalDevice.h"

#include <gtest/gtest.h>

namespace {

// The reply encoding of the pedal: 0A, decimal digits, 0D per value.
QByteArray encode(const QByteArray &values)
{
    QByteArray out;
    for (char v : values)
        out += '\n' + QByteArray::number(std::uint8_t(v)) + '\r';
    return out;
}

// The developer messages behind the stand-in D2XX library, whose journal
// shows every byte that crossed it.
class DeveloperMessagesWireTest : public StandInFixture {
protected:
    // The pedal queues `reply` at the first step of time after the request.
    void answerWith(const QByteArray &reply)
    {
        auto pending = std::make_shared<bool>(true);
        clock.onAdvance = [this, reply, pending](std::int64_t now) {
            fake.setTime(now);
            if (*pending)
                fake.push(0, reply);
            *pending = false;
        };
    }
    QStringList writes() const
    {
        QStringList out;
        for (const QString &line : fake.journal())
            if (line.contains(QLatin1String("FT_Write")))
                out << line.section(QLatin1Char(' '), -1);
        return out;
    }
    // Whether the transmit queue was purged before a write.
    bool transmitPurged() const { return fake.journal().join(' ').contains(QLatin1String("FT_Purge TX")); }

    DeveloperMessages tools{comm, log, clock};
};

// The same on the in-process simulated pedal at wire speed, on manual time.
class DeveloperMessagesPedalTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(openAtLineSpeed(transport, QStringLiteral("SIM00001")), ft::Ok);
        ASSERT_TRUE(driver.wire().pacing());
    }
    QByteArray &eeprom() { return driver.pedal().state().eeprom; }
    QStringList listing() const
    {
        QStringList out;
        for (const QString &line : log.lines)
            if (line.contains(QLatin1String(":    ")))
                out << line;
        return out;
    }

    ManualClock clock;
    ScriptedPrompts prompts;
    RecordingLog log;
    SimulatedPedalDriver driver{clock.microseconds()};
    D2XXUnit transport{driver, prompts};
    Communication comm{transport, log, prompts, clock};
    DeveloperMessages tools{comm, log, clock};
};

}  // namespace

TEST(DeveloperMessagesInput, NumbersAreDecimalSixteenBitOrRefused)
{
    struct Case {
        const char *text;
        std::optional<std::uint16_t> value;
        const char *error;
    };
    const Case cases[] = {
        {"0", 0, nullptr},
        {"255", 255, nullptr},
        {" 16383 ", 16383, nullptr},
        {"65535", 65535, nullptr},
        {"65536", std::nullopt, "Start must be from 0 to 65535, not 65536"},
        {"70000", std::nullopt, "Start must be from 0 to 65535, not 70000"},
        {"-1", std::nullopt, "Start must be from 0 to 65535, not -1"},
        {"0x10", std::nullopt, "'0x10' is not a valid integer value"},
        {"", std::nullopt, "'' is not a valid integer value"},
        {"12a", std::nullopt, "'12a' is not a valid integer value"},
    };
    for (const Case &c : cases) {
        QString error;
        EXPECT_EQ(DeveloperMessages::parseNumber(QStringLiteral("Start"), QString::fromLatin1(c.text), &error),
                  c.value)
            << c.text;
        EXPECT_EQ(error, c.error ? QString::fromLatin1(c.error) : QString()) << c.text;
    }
}

TEST(DeveloperMessagesInput, RawMessageNeedsExactlyItsDigits)
{
    struct Case {
        const char *address;
        const char *data;
        const char *text;
        const char *error;
    };
    const Case cases[] = {
        {"0012", "00000100", "01001200000100", nullptr},
        {"abcd", "deadbeef", "01ABCDDEADBEEF", nullptr},
        {"addr", "00000100", nullptr, "Address must be 4 hexadecimal digits"},
        {"012", "00000100", nullptr, "Address must be 4 hexadecimal digits"},
        {"00123", "00000100", nullptr, "Address must be 4 hexadecimal digits"},
        {"0012", "data", nullptr, "Data must be 8 hexadecimal digits"},
        {"0012", "0000010", nullptr, "Data must be 8 hexadecimal digits"},
        {"0012", "00000100 ", nullptr, "Data must be 8 hexadecimal digits"},
    };
    for (const Case &c : cases) {
        QString error;
        const auto text = DeveloperMessages::rawMessageText(QString::fromLatin1(c.address),
                                                            QString::fromLatin1(c.data), &error);
        EXPECT_EQ(text, c.text ? std::optional<QString>(QString::fromLatin1(c.text)) : std::nullopt)
            << c.address << " " << c.data;
        EXPECT_EQ(error, c.error ? QString::fromLatin1(c.error) : QString()) << c.address << " " << c.data;
    }
    QString error;
    EXPECT_EQ(DeveloperMessages::parseDeviceAddress({}, &error), QStringLiteral("50"));
    EXPECT_EQ(DeveloperMessages::parseDeviceAddress(QStringLiteral("51"), &error), QStringLiteral("51"));
    EXPECT_FALSE(DeveloperMessages::parseDeviceAddress(QStringLiteral("5"), &error));
    EXPECT_EQ(error, "Device address must be 2 hexadecimal digits");
}

TEST_F(DeveloperMessagesWireTest, MessagesCarryTheirBytesAndLogLines)
{
    struct Case {
        const char *what;
        std::function<void()> run;
        QStringList written;
        QStringList logged;
        bool purgesFirst;  // the raw message goes out like a live parameter, without a purge
    };
    const Case cases[] = {
        {"dump of the defaults", [&] { tools.dump(QStringLiteral("50"), 0, 255); },
         {"0C50000000FF"}, {"6", "0C50000000FF"}, true},
        {"dump at device address 51", [&] { tools.dump(QStringLiteral("51"), 100, 115); },
         {"0C5100640073"}, {"6", "0C5100640073"}, true},
        {"erase of the defaults", [&] { tools.erase(0, 255); }, {"0B000000FF"},
         {"erase message: 0B000000FF"}, true},
        {"erase of the last pages", [&] { tools.erase(254, 255); }, {"0B00FE00FF"},
         {"erase message: 0B00FE00FF"}, true},
        {"erase past the last page", [&] { tools.erase(254, 256); }, {},
         {"EEPROM erase refused: pages 254 to 256 are not within 0 to 255"}, false},
        {"dump past the last address", [&] { tools.dump(QStringLiteral("50"), 16383, 16384); }, {},
         {"EEPROM dump refused: end 16384 is past the last address 16383"}, false},
        {"raw message", [&] { tools.sendRaw(*DeveloperMessages::rawMessageText("0012", "00000100", nullptr)); },
         {"01001200000100"}, {"01001200000100"}, false},
    };
    for (const Case &c : cases) {
        fake.reset();
        ASSERT_EQ(fake.add("PDL00001", "FT230X Basic UART"), 0);
        transport.GetFTDeviceCount();
        ASSERT_EQ(transport.Open_USB_Device_By_Serial_Number("PDL00001"), ft::Ok);
        log.lines.clear();
        c.run();
        EXPECT_EQ(writes(), c.written) << c.what;
        EXPECT_EQ(transmitPurged(), c.purgesFirst) << c.what;
        EXPECT_EQ(log.lines.mid(0, c.logged.size()), c.logged) << c.what;
        EXPECT_FALSE(comm.eeprom_read_active) << c.what;
        EXPECT_FALSE(comm.exchangeActive()) << c.what;
    }
}

TEST_F(DeveloperMessagesWireTest, DumpPurgesBeforeAndAfterTheRequestAndPausesForTheReply)
{
    answerWith(encode(QByteArray::fromHex("0102")));
    const auto result = tools.dump(QStringLiteral("50"), 7, 8);
    ASSERT_TRUE(result);
    EXPECT_TRUE(result->complete());
    const QStringList calls = fake.journalWithout("FT_GetQueueStatus").mid(2);  // count, open
    ASSERT_GE(calls.size(), 4);
    EXPECT_EQ(calls.mid(0, 3), QStringList({"@0 FT_Purge RX", "@0 FT_Purge TX", "@0 FT_Write 0C5000070008"}));
    EXPECT_TRUE(calls.at(3).startsWith("@200 ")) << calls.join(" | ");
    EXPECT_EQ(log.lines.mid(log.lines.size() - 2), QStringList({"7:    01", "8:    02"}));
}

TEST_F(DeveloperMessagesWireTest, DumpThatEndsEarlyListsWhatCameAndSaysHowMuch)
{
    answerWith(encode(QByteArray::fromHex("A0A1A2")));
    const auto result = tools.dump(QStringLiteral("50"), 100, 115);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->reply, Communication::Reply::Incomplete);
    EXPECT_EQ(result->values, QByteArray::fromHex("A0A1A2"));
    EXPECT_EQ(log.lines.mid(log.lines.size() - 4),
              QStringList({"100:    A0", "101:    A1", "102:    A2", "EEPROM dump incomplete: 3 of 16 bytes"}));
    EXPECT_TRUE(prompts.messages.isEmpty()) << prompts.messages.join(" | ");
    EXPECT_FALSE(comm.eeprom_read_active);
}

TEST_F(DeveloperMessagesWireTest, DumpRefusesBadRepliesAndEndsBelowStart)
{
    answerWith("\n12\r\nAB\r");
    auto result = tools.dump(QStringLiteral("50"), 0, 15);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->reply, Communication::Reply::Refused);
    EXPECT_TRUE(result->values.isEmpty());
    ASSERT_EQ(prompts.messages.size(), 1);
    EXPECT_TRUE(prompts.messages.first().startsWith("Undecodable reply from the pedal at byte 5"))
        << prompts.messages.first();

    prompts.messages.clear();
    answerWith(encode(QByteArray(3, '\x01')));
    result = tools.dump(QStringLiteral("50"), 0, 1);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->reply, Communication::Reply::Refused);
    EXPECT_EQ(prompts.messages, QStringList({"Unexpected reply: more than 2 values"}));

    const int writesBefore = int(fake.callCount("FT_Write"));
    log.lines.clear();
    EXPECT_FALSE(tools.dump(QStringLiteral("50"), 20, 10));
    EXPECT_EQ(int(fake.callCount("FT_Write")), writesBefore);
    EXPECT_EQ(log.lines, QStringList({"EEPROM dump refused: end 10 is below start 20"}));
}

TEST_F(DeveloperMessagesWireTest, DumpAndEraseWaitForAnExchangeThatHoldsTheLink)
{
    const auto held = comm.beginExchange(QStringLiteral("status request"));
    ASSERT_TRUE(held);
    EXPECT_FALSE(tools.dump(QStringLiteral("50"), 0, 1));
    EXPECT_FALSE(tools.erase(0, 1));
    EXPECT_EQ(fake.callCount("FT_Write"), 0u);
}

TEST_F(DeveloperMessagesPedalTest, DumpOfSixteenBytesListsTheirAddressesAndValues)
{
    for (int i = 0; i < 40; ++i)
        eeprom()[90 + i] = char(i * 7);
    const auto result = tools.dump(QStringLiteral("50"), 100, 115);
    ASSERT_TRUE(result);
    ASSERT_TRUE(result->complete()) << prompts.messages.join(" | ");
    EXPECT_EQ(result->values, eeprom().mid(100, 16));
    QStringList expected;
    for (int a = 100; a <= 115; ++a)
        expected << Communication::listingLine(a, std::uint8_t(eeprom().at(a)));
    EXPECT_EQ(listing(), expected);
    EXPECT_EQ(listing().first(), "100:    46");
    EXPECT_EQ(listing().last(), "115:    AF");
}

TEST_F(DeveloperMessagesPedalTest, WholeEepromArrivesCompleteOverThePacedLink)
{
    for (int i = 0; i < eeprom().size(); ++i)
        eeprom()[i] = char((i * 31 + i / 256) & 0xFF);
    const auto result = tools.dump(QStringLiteral("50"), 0, 16383);
    ASSERT_TRUE(result);
    ASSERT_TRUE(result->complete()) << prompts.messages.join(" | ");
    EXPECT_EQ(result->values, eeprom());
    const QStringList lines = listing();
    ASSERT_EQ(lines.size(), 16384);
    EXPECT_EQ(lines.first(), Communication::listingLine(0, std::uint8_t(eeprom().at(0))));
    EXPECT_EQ(lines.last(), Communication::listingLine(16383, std::uint8_t(eeprom().at(16383))));
    // Paced: the reply took its time on the wire (about 7 s), well inside the deadline.
    EXPECT_GT(clock.now, 5000);
}

TEST_F(DeveloperMessagesPedalTest, EraseThenDumpShowsErasedPages)
{
    eeprom().fill(char(0x5A));
    ASSERT_TRUE(tools.erase(1, 2));  // bytes 64-191
    const auto result = tools.dump(QStringLiteral("50"), 60, 195);
    ASSERT_TRUE(result);
    ASSERT_TRUE(result->complete()) << prompts.messages.join(" | ");
    const QByteArray expected =
        QByteArray(4, char(0x5A)) + QByteArray(128, char(0xFF)) + QByteArray(4, char(0x5A));
    EXPECT_EQ(result->values, expected);
    EXPECT_TRUE(listing().contains("64:    FF"));
    EXPECT_TRUE(listing().contains("63:    5A"));
    EXPECT_TRUE(listing().contains("192:    5A"));
}

TEST_F(DeveloperMessagesPedalTest, DumpAtAnotherDeviceAddressFindsNothingOnTheBus)
{
    eeprom().fill(char(0x11));
    const auto result = tools.dump(QStringLiteral("51"), 0, 3);
    ASSERT_TRUE(result);
    ASSERT_TRUE(result->complete());
    EXPECT_EQ(result->values, QByteArray(4, char(0xFF)));
}
