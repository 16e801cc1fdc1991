#include "model/PedalFirmware.h"

namespace {

// Length of each message the firmware knows, by its first byte; 0 = unknown.
int messageLength(std::uint8_t command)
{
    switch (command) {
    case 0x01: return 7;    // live parameter: 01, address(2), value(4)
    case 0x02: return 2;    // status request: 02 00
    case 0x03: return 21;   // store values
    case 0x04: return 16;   // control assignments
    case 0x07: return 2;    // MIDI channel
    case 0x08: return 3;    // footswitch behaviour
    case 0x09: return 3;    // tuning selection
    case 0x0B: return 5;    // EEPROM erase
    case 0x0C: return 6;    // EEPROM read
    case 0x0D: return 2;    // bulk upload announcement
    case 0x0E: return 641;  // tuning data
    default: return 0;
    }
}

QString hex(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

}  // namespace

QByteArray PedalFirmware::encodeValue(std::uint8_t value)
{
    QByteArray out;
    out.append('\n');
    out.append(QByteArray::number(value));
    out.append('\r');
    return out;
}

std::array<std::uint8_t, PedalFirmware::StatusValueCount> PedalFirmware::statusValues() const
{
    std::array<std::uint8_t, StatusValueCount> v{};
    v[0] = state.firmwareVersion;
    v[1] = state.algorithmVersion[0];
    v[2] = state.algorithmVersion[1];
    v[3] = state.effectNumber;
    v[4] = state.footswitchMode;
    for (int k = 0; k < 5; ++k) {
        v[5 + k] = state.assigned[k];
        v[10 + 2 * k] = std::uint8_t(state.assignedAddress[k] >> 8);
        v[11 + 2 * k] = std::uint8_t(state.assignedAddress[k]);
    }
    v[20] = state.tuningNumber;
    v[21] = std::uint8_t(state.semitones);
    for (int i = 0; i < 15; ++i) {
        const std::uint32_t value = state.storedValues[i];
        for (int b = 0; b < 4; ++b)
            v[22 + 4 * i + b] = std::uint8_t(value >> (24 - 8 * b));
    }
    return v;
}

QByteArray PedalFirmware::receive(const QByteArray &bytes)
{
    m_pending.append(bytes);
    QByteArray answer;
    while (!m_pending.isEmpty()) {
        const auto command = std::uint8_t(m_pending.at(0));
        const int length = messageLength(command);
        if (length == 0) {
            events << QStringLiteral("ignored unknown byte %1").arg(hex(m_pending.left(1)));
            m_pending.remove(0, 1);
            continue;
        }
        if (m_pending.size() < length)
            break;  // the rest of the message is still on its way
        answer.append(handleMessage(m_pending.left(length)));
        m_pending.remove(0, length);
    }
    return answer;
}

QByteArray PedalFirmware::handleMessage(const QByteArray &message)
{
    const auto command = std::uint8_t(message.at(0));
    if (command == 0x02 && message.at(1) == 0x00) {
        events << QStringLiteral("status request");
        QByteArray reply;
        for (std::uint8_t value : statusValues())
            reply.append(encodeValue(value));
        return reply;
    }
    events << QStringLiteral("message %1 not handled").arg(hex(message));
    return {};
}
