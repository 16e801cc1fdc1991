#pragma once

#include "model/PedalDevice.h"
#include "model/UsartReceiver.h"

#include <QByteArray>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>

// The serial line between the host and the pedal, with the pedal on its far
// end. Host bytes cross the wire at the line's baud rate; the pedal's answer
// becomes readable byte by byte at the times it would arrive (10 bits per
// byte from the firmware, 11 from the bootloader, whose USART sends a parity
// bit) after a short processing latency. With pacing off, answers are
// readable at once (but for those a fault delays) and each write counts as
// followed by an idle line.
//
// With the line model on (the in-process driver), the pedal's USART sees the
// host's frames bit by bit: an 8E1 host works with the 8E1 bootloader; 8N1
// bytes with a pause after each are accepted (their stop bit read as the
// parity bit); 8N1 bytes sent back to back cause framing errors and are lost.
// Off (a pseudo-terminal, which carries no framing), bytes pass as they are.
//
// Faults the wire shows: "silent" drops every answer; "split-reply" delivers
// each answer in pieces with a pause between them.
//
// The pedal's answers wait for the host in a bounded transmit buffer, as in a
// real chip: the bytes in flight plus those arrived but not read are at most
// TransmitBufferBytes. An answer that does not fit whole is dropped whole
// (logged as "transmit buffer full: N answer bytes dropped"); one that fits is
// never cut, so a host that reads and purges gets whole answers again. The
// bound holds more than the longest answer, a dump of the whole EEPROM
// (about 82 KB in the reply encoding).
class PedalWire {
public:
    static constexpr std::uint32_t TransmitBufferBytes = 128 * 1024;

    // Monotonic time in microseconds.
    using Clock = std::function<std::int64_t()>;
    static Clock steadyClock();

    explicit PedalWire(Clock clock = steadyClock());

    void setPacing(bool on) { m_pacing = on; }
    bool pacing() const { return m_pacing; }
    void setBaudRate(std::uint32_t baud) { m_baud = baud ? baud : 1; }
    std::uint32_t baudRate() const { return m_baud; }
    // Time from the end of a message to the firmware's first answer byte.
    // The bootloader, a few instructions from its USART, answers within
    // BootloaderLatencyUs.
    void setLatencyMicroseconds(std::int64_t us) { m_latencyUs = us; }
    static constexpr std::int64_t BootloaderLatencyUs = 20;
    void setLineModel(bool on) { m_lineModel = on; }
    void setHostFrame(const UsartReceiver::HostFrame &frame) { m_hostFrame = frame; }

    // Host side.
    void hostWrite(const QByteArray &bytes);
    std::uint32_t available();                   // bytes that have arrived by now
    QByteArray take(std::uint32_t max);          // removes and returns arrived bytes
    void purgeReceived();                        // drops the bytes that have arrived
    // Lets the pedal act on the time that has passed (timeouts, a pending
    // byte's end); available() and hostWrite() do it too.
    void poll();
    // When something next becomes due: an answer byte, or a pedal timeout.
    std::optional<std::int64_t> nextEventMicroseconds() const;
    // When the pedal next acts on its own, answer bytes aside: a timeout, or
    // the end of a byte it is receiving.
    std::optional<std::int64_t> nextPedalEventMicroseconds() const;
    // Answer bytes in the transmit buffer: in flight or arrived and not read.
    std::uint32_t queuedBytes() const { return std::uint32_t(m_toHost.size()); }

    // Time of one 10-bit byte, in microseconds, rounded up.
    std::int64_t byteTimeMicroseconds() const;
    int framingErrors() const { return m_receiver.framingErrors(); }

    PedalDevice pedal;

private:
    struct Timed {
        std::int64_t arrivesAtNs;
        char byte;
    };

    double bitNs() const { return 1e9 / double(m_baud); }
    void advance(std::int64_t nowNs);
    void deliver(const QByteArray &bytes, std::int64_t atNs);
    void schedule(const PedalReplies &replies, std::int64_t nowNs);

    Clock m_clock;
    bool m_pacing = true;
    bool m_lineModel = false;
    std::uint32_t m_baud = 115200;
    std::int64_t m_latencyUs = 1000;
    UsartReceiver::HostFrame m_hostFrame;
    UsartReceiver m_receiver;
    std::int64_t m_hostLineEndNs = 0;  // when the host's last frame ended
    int m_idleBitsSent = 0;            // idle bits given to the receiver since then
    std::int64_t m_pedalLineFreeNs = 0;
    std::deque<Timed> m_toHost;
};
