// The wire between host and pedal, on a clock the test moves.

#include "model/PedalWire.h"

#include <QStringList>
#include "ScriptedReplies.h"

#include <gtest/gtest.h>

namespace {

const QByteArray StatusRequest = QByteArray::fromHex("0200");

int linesContaining(const QStringList &lines, const QString &fragment)
{
    int n = 0;
    for (const QString &l : lines)
        n += l.contains(fragment) ? 1 : 0;
    return n;
}

}  // namespace

// A host that writes requests and never reads: the answers queued for it stay
// within the transmit buffer, those that do not fit are dropped whole, and
// after the host reads and purges, a new request gets a whole answer.
TEST(PedalWire, TransmitBufferIsBoundedAndAnswersThatDoNotFitAreDroppedWhole)
{
    for (const bool pacing : {false, true}) {
        SCOPED_TRACE(pacing ? "paced" : "unpaced");
        std::int64_t now = 0;
        PedalWire wire([&now] { return now; });
        wire.setPacing(pacing);

        wire.hostWrite(StatusRequest);
        now += 10'000'000;
        const QByteArray one = wire.take(PedalWire::TransmitBufferBytes);
        ASSERT_EQ(splitValues(one).size(), 82u);
        const int answerBytes = int(one.size());

        const int requests = 2 * int(PedalWire::TransmitBufferBytes) / answerBytes;
        for (int i = 0; i < requests; ++i) {
            wire.hostWrite(StatusRequest);
            ASSERT_LE(wire.queuedBytes(), PedalWire::TransmitBufferBytes) << "after request " << i;
        }
        const int kept = int(PedalWire::TransmitBufferBytes) / answerBytes;
        EXPECT_EQ(wire.queuedBytes(), std::uint32_t(kept * answerBytes)) << "only whole answers are kept";
        const QString dropped = QStringLiteral("transmit buffer full: %1 answer bytes dropped").arg(answerBytes);
        EXPECT_EQ(linesContaining(wire.pedal.log().lines(), dropped), requests - kept);

        // The host catches up: everything it reads is whole answers.
        now += 100'000'000;
        const QByteArray backlog = wire.take(PedalWire::TransmitBufferBytes);
        EXPECT_EQ(backlog.size(), qsizetype(kept) * answerBytes);
        EXPECT_EQ(splitValues(backlog).size(), std::size_t(kept) * 82);
        wire.purgeReceived();
        EXPECT_EQ(wire.queuedBytes(), 0u);

        wire.hostWrite(StatusRequest);
        now += 10'000'000;
        EXPECT_EQ(wire.take(PedalWire::TransmitBufferBytes), one);
    }
}

// The longest answer, the whole EEPROM, fits in the transmit buffer.
TEST(PedalWire, WholeEepromDumpFitsTheTransmitBuffer)
{
    std::int64_t now = 0;
    PedalWire wire([&now] { return now; });
    wire.setPacing(false);
    wire.pedal.state().eeprom.fill(char(200));  // three digits a value, the longest
    wire.hostWrite(QByteArray::fromHex("0C5000003FFF"));
    const QByteArray dump = wire.take(PedalWire::TransmitBufferBytes);
    EXPECT_EQ(splitValues(dump).size(), 16384u);
    EXPECT_FALSE(wire.pedal.log().contains("transmit buffer full"));
}

// "split-reply[=PARTS[:GAP_MS]]": each answer arrives in PARTS pieces, GAP_MS
// apart (plus the time of a byte), as the wire's own clock measures.
TEST(PedalWire, SplitReplyPiecesArriveTheGivenPauseApart)
{
    struct Case {
        const char *fault;
        int parts;
        std::int64_t gapUs;
    };
    const Case cases[] = {
        {"split-reply", 2, 250'000},
        {"split-reply=2:300", 2, 300'000},
        {"split-reply=3:100", 3, 100'000},
        {"split-reply=4", 4, 250'000},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.fault);
        std::int64_t now = 0;
        PedalWire wire([&now] { return now; });
        QString error;
        ASSERT_TRUE(wire.pedal.faults().apply(QString::fromLatin1(c.fault), &error)) << error.toStdString();
        wire.hostWrite(StatusRequest);

        // Steps from one event of the wire to the next, noting when each
        // answer byte arrives.
        QByteArray answer;
        std::vector<std::int64_t> arrivals;
        for (int step = 0; step < 10'000; ++step) {
            const auto next = wire.nextEventMicroseconds();
            if (!next)
                break;
            now = std::max(now, *next);
            const QByteArray got = wire.take(PedalWire::TransmitBufferBytes);
            answer += got;
            arrivals.insert(arrivals.end(), size_t(got.size()), now);
        }
        ASSERT_EQ(splitValues(answer).size(), 82u);

        const std::int64_t byteUs = wire.byteTimeMicroseconds();
        std::vector<std::int64_t> pauses;
        for (size_t i = 1; i < arrivals.size(); ++i) {
            const std::int64_t d = arrivals[i] - arrivals[i - 1];
            if (d > byteUs)
                pauses.push_back(d);
        }
        ASSERT_EQ(pauses.size(), size_t(c.parts - 1));
        for (const std::int64_t d : pauses) {
            EXPECT_GE(d, c.gapUs);
            EXPECT_LE(d, c.gapUs + byteUs);
        }
    }
}

// A bootloader answer a fault holds back keeps its delay on a wire without
// pacing too, and the answers after it wait behind it, as on a real line.
TEST(PedalWire, ADelayedAnswerKeepsItsDelayWithoutPacingAndHoldsBackTheNext)
{
    for (const bool pacing : {false, true}) {
        SCOPED_TRACE(pacing ? "paced" : "unpaced");
        std::int64_t now = 0;
        PedalWire wire([&now] { return now; });
        wire.setPacing(pacing);
        wire.pedal.faults().lateNack.first = 2;
        wire.pedal.faults().lateNackUs = 50'000;
        wire.pedal.powerUp(true);
        wire.hostWrite(QByteArray::fromHex("7f"));
        now += 1000;
        EXPECT_EQ(wire.take(16), QByteArray::fromHex("79"));
        wire.hostWrite(QByteArray::fromHex("01fe"));  // refused late
        wire.hostWrite(QByteArray::fromHex("01fe"));  // Get Version, answered at once
        now += 40'000;
        EXPECT_EQ(wire.available(), 0u);
        now += 20'000;
        EXPECT_EQ(wire.take(16), QByteArray::fromHex("1f7922000079"));
    }
}
