#pragma once

#include "model/PedalFirmware.h"

#include <QByteArray>
#include <cstdint>
#include <deque>
#include <functional>

// The serial line between the host and the pedal. Bytes the host writes reach
// the firmware; its answer becomes readable byte by byte at the times it
// would arrive on the wire (10 bits per byte at the line's baud rate) after a
// short processing latency. With pacing off every answer is readable at once.
class PedalWire {
public:
    // Monotonic time in microseconds.
    using Clock = std::function<std::int64_t()>;
    static Clock steadyClock();

    explicit PedalWire(Clock clock = steadyClock());

    void setPacing(bool on) { m_pacing = on; }
    bool pacing() const { return m_pacing; }
    void setBaudRate(std::uint32_t baud) { m_baud = baud ? baud : 1; }
    // Time from the end of a message to the pedal's first answer byte.
    void setLatencyMicroseconds(std::int64_t us) { m_latencyUs = us; }

    // Host side.
    void hostWrite(const QByteArray &bytes);
    std::uint32_t available() const;             // bytes that have arrived by now
    QByteArray take(std::uint32_t max);          // removes and returns arrived bytes
    void purgeReceived();                        // drops the bytes that have arrived

    std::int64_t byteTimeMicroseconds() const;

    PedalFirmware firmware;

private:
    struct Timed {
        std::int64_t arrivesAt;
        char byte;
    };

    Clock m_clock;
    bool m_pacing = true;
    std::uint32_t m_baud = 115200;
    std::int64_t m_latencyUs = 1000;
    std::int64_t m_lineFreeAt = 0;  // when the pedal's transmitter is idle again
    std::deque<Timed> m_toHost;
};
