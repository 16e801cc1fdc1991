#pragma once

#include "model/PedalState.h"

#include <QByteArray>
#include <QStringList>

// The pedal's firmware as seen from the wire: it consumes the bytes the host
// writes, message by message, and returns the bytes it answers. Bytes of a
// message that has not fully arrived are kept until the rest comes.
class PedalFirmware {
public:
    static constexpr int StatusValueCount = 82;

    // Feeds host bytes; returns the answer bytes (empty when nothing is answered).
    QByteArray receive(const QByteArray &bytes);

    // The 82 status values, in reply order.
    std::array<std::uint8_t, StatusValueCount> statusValues() const;
    // One value in the firmware's reply encoding: 0x0A, its decimal digits, 0x0D.
    static QByteArray encodeValue(std::uint8_t value);

    PedalState state;
    // One line per message understood or ignored, for the simulator's log.
    QStringList events;

private:
    QByteArray handleMessage(const QByteArray &message);

    QByteArray m_pending;
};
