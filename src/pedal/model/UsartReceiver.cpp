#include "model/UsartReceiver.h"

namespace {

bool parityLevel(std::uint8_t data, int bits, std::uint8_t parity)
{
    int ones = 0;
    for (int i = 0; i < bits; ++i)
        ones += (data >> i) & 1;
    switch (parity) {
    case 1: return ones % 2 == 0;  // odd: the bit makes the count odd
    case 2: return ones % 2 == 1;  // even
    case 3: return true;           // mark
    default: return false;         // space
    }
}

}  // namespace

QByteArray UsartReceiver::pushByte(std::uint8_t byte, const HostFrame &host)
{
    QByteArray out;
    out += pushLevel(false);  // start bit
    const int dataBits = host.wordLength == 7 ? 7 : 8;
    for (int i = 0; i < dataBits; ++i)
        out += pushLevel(((byte >> i) & 1) != 0);
    if (host.parity)
        out += pushLevel(parityLevel(byte, dataBits, host.parity));
    const int stops = host.stopBits == 2 ? 2 : 1;
    for (int i = 0; i < stops; ++i)
        out += pushLevel(true);
    return out;
}

QByteArray UsartReceiver::pushIdle(int bits)
{
    QByteArray out;
    for (int i = 0; i < bits; ++i)
        out += pushLevel(true);
    return out;
}

QByteArray UsartReceiver::pushLevel(bool high)
{
    QByteArray out;
    if (m_bit == 0) {
        if (m_lastHigh && !high) {
            m_bit = 1;  // start bit
            m_data = 0;
        }
        m_lastHigh = high;
        return out;
    }
    const int index = m_bit++;  // 1..8 data, then parity, then stop
    if (index <= 8) {
        if (high)
            m_data |= std::uint8_t(1u << (index - 1));
    } else if (index == frameBits() - 1) {
        if (high)
            out.append(char(m_data));
        else
            ++m_framingErrors;
        m_bit = 0;
    }
    // index 9 with a parity bit: read and ignored.
    m_lastHigh = high;
    return out;
}
