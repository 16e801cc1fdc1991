#include "device/Communication.h"

#include "app/LogSink.h"
#include "app/PauseClock.h"
#include "app/UserPrompts.h"
#include "device/D2XXUnit.h"
#include "device/HexText.h"

#include <algorithm>

Communication::Communication(D2XXUnit &transport, LogSink &log, UserPrompts &prompts,
                             PauseClock &clock)
    : m_transport(transport), m_log(log), m_prompts(prompts), m_clock(clock)
{
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
    // Layout: prefix (the command, "01" for a live parameter), address (2 bytes),
    // value (4 bytes), all big-endian.
    const QString text = prefix + QStringLiteral("%1").arg(address, 4, 16, QLatin1Char('0')).toUpper()
                         + QStringLiteral("%1").arg(value, 8, 16, QLatin1Char('0')).toUpper();
    const int n = int((text.size() / 2) & 0xFF);
    m_log.PrintToConsole(QStringLiteral("write to DSP msg: ") + text);
    send_message(text, n, false);
}

Communication::Wait Communication::waitForBytes(int timeoutMs)
{
    const std::int64_t deadline = m_clock.elapsedMs() + timeoutMs;
    for (;;) {
        m_clock.processEvents(firmware_upgrade_mode ? 0 : PollMs);
        if (m_transport.QueryFTQueueStatus() != 0)
            return Wait::Failed;
        if (m_transport.rx_queue_count > 0)
            return Wait::Bytes;
        if (m_clock.elapsedMs() >= deadline)
            return Wait::Silence;
        if (firmware_upgrade_mode)
            m_clock.processEvents(PollMs);  // keep the bootloader's answer fast but never spin
    }
}

void Communication::readReply(bool stopAtFirstEmptyRead)
{
    // Every read of this reply is appended behind the earlier ones; the
    // transport's input_buffer only ever holds the latest read.
    received_reply.clear();
    const std::int64_t start = m_clock.elapsedMs();
    std::int64_t lastByteAt = start;
    for (;;) {
        const std::uint32_t n = m_transport.ReadFTDevice();
        const std::int64_t now = m_clock.elapsedMs();
        if (n > 0) {
            received_reply.append(reinterpret_cast<const char *>(m_transport.input_buffer.data()),
                                  int(n));
            lastByteAt = now;
        } else if (m_transport.ft_status != 0 || stopAtFirstEmptyRead
                   || now - lastByteAt > ReplyGapMs) {
            break;
        }
        if (now - start > ReplyMaxMs)
            break;
        m_clock.processEvents(PollMs);
    }
}

Communication::Reply Communication::receive_reply(int startTimeoutMs)
{
    switch (waitForBytes(startTimeoutMs)) {
    case Wait::Failed:
        return Reply::TransportError;
    case Wait::Silence:
        m_prompts.showMessage(QStringLiteral("No reply from the pedal"));
        return Reply::NoReply;
    case Wait::Bytes:
        break;
    }
    m_transport.PurgeFTTransmit();
    readReply(false);
    const Reply result = decode_reply();
    m_transport.PurgeFTReceive();
    return result;
}

QString Communication::receive_reply_text(int startTimeoutMs)
{
    if (waitForBytes(startTimeoutMs) != Wait::Bytes) {
        received_reply.clear();
        return {};
    }
    // The bootloader answers one byte at a time: take what is there and go on.
    readReply(firmware_upgrade_mode);
    m_log.PrintToConsole(QStringLiteral("num of bytes received: ")
                         + QString::number(received_reply.size()));
    m_transport.PurgeFTReceive();
    if (firmware_upgrade_mode)
        return toHexText(received_reply.left(1));
    return QString::fromUtf8(received_reply);
}

Communication::Reply Communication::decode_reply()
{
    // The pedal sends each value as decimal digits closed by 0x0D, a 0x0A
    // possibly before them. The scan runs over the hexadecimal text of the
    // reply, where those bytes show as the letters D and A; a value's digits
    // are the low half-bytes, the 2nd, 4th and 6th characters of its field.
    const QByteArray text = received_reply.toHex().toUpper();
    qsizetype fieldStart = 0;
    int value = 0;
    int count = 0;
    decoded_count = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text.at(i);
        if (c == 'A') {
            fieldStart = i + 1;
        } else if (c == 'D') {
            const QByteArray field = text.mid(fieldStart, i - fieldStart).chopped(
                i > fieldStart ? 1 : 0);
            const qsizetype length = field.size();
            if (length == 2 || length == 4 || length == 6) {
                QByteArray digits;
                for (qsizetype d = 1; d < length; d += 2)
                    digits.append(field.at(d));
                bool ok = false;
                const int parsed = digits.toInt(&ok, 10);
                if (!ok || !std::all_of(digits.begin(), digits.end(),
                                        [](char ch) { return ch >= '0' && ch <= '9'; })) {
                    m_prompts.showMessage(
                        QStringLiteral("Undecodable reply from the pedal: '%1' is not a decimal "
                                       "value (value %2)")
                            .arg(QString::fromLatin1(digits))
                            .arg(count));
                    return Reply::DecodeError;
                }
                value = parsed;
            }
            received_bytes_array.resize(count + 1);
            received_bytes_array[count] = char(value % 256);
            decoded_count = ++count;
            fieldStart = i + 1;
        }
    }

    m_log.PrintToConsole(QStringLiteral("num of bytes received: ") + QString::number(count));
    m_log.PrintToConsole(QStringLiteral("received_bytes_array size: ")
                         + QString::number(received_bytes_array.size()));
    const qsizetype listed =
        eeprom_read_active
            ? std::min<qsizetype>(received_bytes_array.size(),
                                  qsizetype(eeprom_end_address) - eeprom_start_address + 1)
            : received_bytes_array.size();
    for (qsizetype i = 0; i < listed; ++i) {
        const qsizetype number = eeprom_read_active ? eeprom_start_address + i : i;
        m_log.PrintToConsole(
            QStringLiteral("%1:    %2")
                .arg(number)
                .arg(std::uint8_t(received_bytes_array.at(i)), 2, 16, QLatin1Char('0'))
                .toUpper());
    }
    return Reply::Decoded;
}
