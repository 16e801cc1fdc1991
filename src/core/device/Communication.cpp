#include "device/Communication.h"

#include "app/LogSink.h"
#include "app/PauseClock.h"
#include "app/UserPrompts.h"
#include "device/D2XXUnit.h"
#include "device/HexText.h"
#include "device/PedalCommand.h"
#include "device/ReplyDecoder.h"

#include <algorithm>

namespace {

// Milliseconds that n bytes take on a 115200-baud 8N1 line, rounded up.
int wireMs(qsizetype bytes)
{
    return int((qint64(bytes) * 10 * 1000 + 115200 - 1) / 115200);
}

}  // namespace

Communication::Communication(D2XXUnit &transport, LogSink &log, UserPrompts &prompts,
                             PauseClock &clock)
    : m_transport(transport), m_log(log), m_prompts(prompts), m_clock(clock)
{
}

int Communication::replyDeadlineMs(int expectedValues, int startTimeoutMs)
{
    return startTimeoutMs + 2 * wireMs(ReplyDecoder::maxReplyBytes(std::max(expectedValues, 0)));
}

Communication::Exchange::~Exchange()
{
    if (m_owner)
        m_owner->endExchange();
}

std::optional<Communication::Exchange> Communication::beginExchange(const QString &what)
{
    if (exchangeActive()) {
        m_log.PrintToConsole(QStringLiteral("Busy: %1 refused while the %2 waits for the pedal")
                                 .arg(what, m_exchangeName));
        return std::nullopt;
    }
    m_exchangeName = what.isEmpty() ? QStringLiteral("exchange") : what;
    if (onBusyChanged)
        onBusyChanged(true);
    return Exchange(this);
}

void Communication::endExchange()
{
    m_exchangeName.clear();
    if (onBusyChanged)
        onBusyChanged(false);
}

bool Communication::discardStrayBytes()
{
    if (m_transport.QueryFTQueueStatus() != 0)
        return false;
    const std::uint32_t stray = m_transport.rx_queue_count;
    if (m_transport.PurgeFTReceive() != 0)
        return false;
    if (stray > 0)
        m_log.PrintToConsole(QStringLiteral("Discarded %1 stray bytes").arg(stray));
    return true;
}

PedalResult Communication::written(const QString &what) const
{
    if (m_transport.ft_status == 0 && !m_transport.device_gone)
        return PedalResult::done();
    return PedalResult::failed(QStringLiteral("%1 was not sent: %2").arg(what, m_transport.last_failure));
}

PedalResult Communication::busy(const QString &what) const
{
    return PedalResult::failedUntold(QStringLiteral("The %1 was not started: the %2 waits for the pedal")
                                         .arg(what, m_exchangeName));
}

PedalResult Communication::replyResult(Reply reply, const QString &what) const
{
    switch (reply) {
    case Reply::Decoded:
        return PedalResult::done();
    case Reply::NoReply:
        return PedalResult::failed(QStringLiteral("No reply from the pedal to the %1").arg(what));
    case Reply::TransportError:
        return PedalResult::failed(QStringLiteral("The reply to the %1 could not be read: %2")
                                       .arg(what, m_transport.last_failure));
    case Reply::Incomplete:
        return PedalResult::failed(QStringLiteral("The reply to the %1 stopped short").arg(what));
    case Reply::Refused:
        break;
    }
    return PedalResult::failed(QStringLiteral("The reply to the %1 was refused: %2").arg(what, m_lastRefusal));
}

void Communication::send_message(const QString &text, int n, bool purgeFirst)
{
    n = std::clamp(n, 0, int(D2XXUnit::BufferSize));
    convertHexPairs(text, m_transport.output_buffer.data(), n);
    if (purgeFirst)
        m_transport.PurgeFTTransmit();
    m_transport.WriteFTDevice(std::uint32_t(n));
}

void Communication::write_dsp_message(const QString &prefix, std::uint16_t address,
                                      std::uint32_t value)
{
    // The live parameter message with the prefix as its command.
    const QString text = liveParameterMessage(address, value, prefix);
    const int n = int((text.size() / 2) & 0xFF);
    m_log.PrintToConsole(QStringLiteral("write to DSP msg: ") + text);
    send_message(text, n, false);
}

Communication::Wait Communication::waitForBytes(std::int64_t deadline)
{
    for (;;) {
        if (m_transport.QueryFTQueueStatus() != 0)
            return Wait::Failed;
        if (m_transport.rx_queue_count > 0)
            return Wait::Bytes;
        if (m_clock.elapsedMs() >= deadline)
            return Wait::Silence;
        // Never a busy loop, not even for the bootloader's quick answers.
        m_clock.processEvents(PollMs);
    }
}

std::optional<QByteArray> Communication::readSome(std::uint32_t limit)
{
    const std::uint32_t n = m_transport.ReadFTDevice(limit);
    if (m_transport.ft_status != 0)
        return std::nullopt;
    const QByteArray chunk(reinterpret_cast<const char *>(m_transport.input_buffer.data()), int(n));
    received_reply.append(chunk);
    return chunk;
}

Communication::Reply Communication::receive_reply(int expectedValues, int startTimeoutMs)
{
    return receive(expectedValues, startTimeoutMs, false);
}

Communication::Reply Communication::receive_values(int expectedValues, int startTimeoutMs)
{
    return receive(expectedValues, startTimeoutMs, true);
}

Communication::Reply Communication::receive(int expectedValues, int startTimeoutMs, bool keepShort)
{
    // Called on its own, the receive is an exchange by itself; inside a
    // request's exchange it is part of that one.
    const std::optional<Exchange> own =
        exchangeActive() ? std::nullopt : beginExchange(QStringLiteral("reply"));

    received_reply.clear();
    ReplyDecoder decoder(expectedValues);
    const qsizetype limit = ReplyDecoder::maxReplyBytes(expectedValues);
    const std::int64_t deadline = m_clock.elapsedMs() + replyDeadlineMs(expectedValues, startTimeoutMs);
    bool transmitPurged = false;
    for (;;) {
        const Wait wait = waitForBytes(deadline);
        if (wait == Wait::Failed)
            return Reply::TransportError;
        if (wait == Wait::Silence)
            break;
        if (!transmitPurged) {
            // The request is answered: nothing of it may still go out.
            if (m_transport.PurgeFTTransmit() != 0)
                return Reply::TransportError;
            transmitPurged = true;
        }
        // Never more than the longest valid reply; once it is whole, one byte
        // more is enough to know it is too long.
        const auto room = std::uint32_t(std::max<qsizetype>(1, limit - received_reply.size()));
        const std::optional<QByteArray> chunk = readSome(room);
        if (!chunk)
            return Reply::TransportError;
        if (decoder.feed(*chunk) != ReplyDecoder::State::Complete) {
            if (decoder.state() == ReplyDecoder::State::Failed)
                break;
            continue;
        }
        // Every value is in: a short look for anything that follows.
        m_clock.processEvents(ReplyCheckMs);
        if (m_transport.QueryFTQueueStatus() != 0)
            return Reply::TransportError;
        if (m_transport.rx_queue_count > 0) {
            const std::optional<QByteArray> more = readSome(1);
            if (!more)
                return Reply::TransportError;
            decoder.feed(*more);
        }
        break;
    }
    // What is left of a refused reply must not be taken for the next one.
    if (m_transport.PurgeFTReceive() != 0)
        return Reply::TransportError;
    if (received_reply.isEmpty()) {
        m_prompts.showFailure(QStringLiteral("No reply from the pedal"), QString::fromLatin1(SilenceAdvice));
        return Reply::NoReply;
    }
    return finishReply(decoder, keepShort);
}

Communication::Reply Communication::decode_reply(int expectedValues)
{
    ReplyDecoder decoder(expectedValues);
    decoder.feed(received_reply);
    return finishReply(decoder);
}

Communication::Reply Communication::finishReply(const ReplyDecoder &decoder, bool keepShort)
{
    switch (decoder.state()) {
    case ReplyDecoder::State::Failed:
        m_lastRefusal = decoder.error();
        m_prompts.showFailure(m_lastRefusal, QString::fromLatin1(GarbleAdvice));
        return Reply::Refused;
    case ReplyDecoder::State::Partial:
        if (keepShort)
            break;
        m_lastRefusal = QStringLiteral("Incomplete reply from the pedal: %1 of %2 values")
                            .arg(decoder.values().size())
                            .arg(decoder.expectedValues());
        m_prompts.showFailure(m_lastRefusal, QString::fromLatin1(GarbleAdvice));
        return Reply::Refused;
    case ReplyDecoder::State::Complete:
        break;
    }

    received_bytes_array = decoder.values();
    const qsizetype count = received_bytes_array.size();
    m_log.PrintToConsole(QStringLiteral("num of bytes received: ") + QString::number(count));
    m_log.PrintToConsole(QStringLiteral("received_bytes_array size: ") + QString::number(count));
    const qsizetype listed =
        !list_reply_values ? 0
        : eeprom_read_active
            ? std::clamp<qsizetype>(qsizetype(eeprom_end_address) - eeprom_start_address + 1, 0, count)
            : count;
    // One batch: a whole EEPROM dump is 16,384 lines.
    QStringList lines;
    lines.reserve(listed);
    for (qsizetype i = 0; i < listed; ++i) {
        const qsizetype number = eeprom_read_active ? eeprom_start_address + i : i;
        lines.append(listingLine(number, std::uint8_t(received_bytes_array.at(i))));
    }
    if (!lines.isEmpty())
        m_log.PrintLinesToConsole(lines);
    return decoder.state() == ReplyDecoder::State::Complete ? Reply::Decoded : Reply::Incomplete;
}

QString Communication::listingLine(qsizetype number, std::uint8_t byte)
{
    return QString::number(number) + QLatin1String(":    ") + hexDigits(byte, 2);
}

QString Communication::receive_reply_text(int startTimeoutMs)
{
    const std::optional<Exchange> own =
        exchangeActive() ? std::nullopt : beginExchange(QStringLiteral("reply"));

    received_reply.clear();
    const std::int64_t start = m_clock.elapsedMs();
    if (waitForBytes(start + startTimeoutMs) != Wait::Bytes)
        return {};
    if (firmware_upgrade_mode) {
        // The bootloader answers one byte: take what is there and go on.
        if (!readSome(TextReplyLimit))
            return {};
    } else {
        // Free text of unknown length: read until the line has been quiet
        // for ReplyGapMs, with a limit on both bytes and time.
        const std::int64_t deadline = start + startTimeoutMs + 2 * wireMs(TextReplyLimit);
        std::int64_t lastByteAt = m_clock.elapsedMs();
        while (received_reply.size() < TextReplyLimit) {
            if (m_transport.QueryFTQueueStatus() != 0)
                return {};
            const std::int64_t now = m_clock.elapsedMs();
            if (m_transport.rx_queue_count > 0) {
                if (!readSome(std::uint32_t(TextReplyLimit - received_reply.size())))
                    return {};
                lastByteAt = now;
            } else if (now - lastByteAt > ReplyGapMs || now >= deadline) {
                break;
            }
            m_clock.processEvents(PollMs);
        }
    }
    m_log.PrintToConsole(QStringLiteral("num of bytes received: ")
                         + QString::number(received_reply.size()));
    m_transport.PurgeFTReceive();
    if (firmware_upgrade_mode)
        return toHexText(received_reply.left(1));
    return QString::fromUtf8(received_reply);
}
