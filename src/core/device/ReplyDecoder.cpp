#include "device/ReplyDecoder.h"

#include "device/HexText.h"

#include <cstdint>

ReplyDecoder::ReplyDecoder(int expectedValues) : m_expected(expectedValues) {}

ReplyDecoder::State ReplyDecoder::feed(const QByteArray &bytes)
{
    for (char byte : bytes) {
        if (m_state == State::Failed)
            break;
        take(byte);
    }
    return m_state;
}

void ReplyDecoder::fail(const QString &text)
{
    m_state = State::Failed;
    m_error = text;
}

void ReplyDecoder::failAtByte()
{
    fail(QStringLiteral("Undecodable reply from the pedal at byte %1: %2")
             .arg(m_offset)
             .arg(toHexText(m_field, ' ')));
}

bool ReplyDecoder::take(char byte)
{
    if (m_state == State::Complete) {
        fail(QStringLiteral("Unexpected reply: more than %1 values").arg(m_expected));
        return false;
    }
    const auto b = std::uint8_t(byte);
    m_field.append(byte);
    if (b == 0x0A) {
        // A fresh start: whatever digits came before it are dropped.
        m_field = QByteArray(1, byte);
        m_digits = 0;
        m_number = 0;
    } else if (b >= '0' && b <= '9') {
        m_number = m_number * 10 + (b - '0');
        if (++m_digits > 3 || m_number > 255) {
            failAtByte();
            return false;
        }
    } else if (b == 0x0D) {
        if (m_digits == 0) {
            failAtByte();
            return false;
        }
        m_values.append(char(m_number));
        m_field.clear();
        m_digits = 0;
        m_number = 0;
        if (m_expected >= 0 && m_values.size() == m_expected)
            m_state = State::Complete;
    } else {
        failAtByte();
        return false;
    }
    ++m_offset;
    if (m_expected >= 0 && m_state != State::Complete && m_offset >= maxReplyBytes(m_expected)) {
        fail(QStringLiteral("Unexpected reply: more than %1 bytes for %2 values")
                 .arg(maxReplyBytes(m_expected))
                 .arg(m_expected));
        return false;
    }
    return true;
}
