#pragma once

#include <QByteArray>
#include <cstdint>
#include <functional>
#include <optional>

class D2XXUnit;
class PauseClock;

// The serial line to the microcontroller's bootloader, byte by byte: writes
// in the manner of the transfer, and looks at and takes what the bootloader
// sends, every wait with a deadline and every read with a bound. What the
// bytes mean is BootloaderProtocol's.
//
// Two transfers, the same bytes in both:
// - Paced: each byte in a write of its own, followed by a pause (1 ms after
//   command and address bytes, bytePause after data bytes). The gaps let the
//   bootloader's 8E1 USART read the 8N1 line: each stop bit is taken for the
//   parity bit and the gap for the stop bit.
// - Fast: the line is 8E1 for the session, bytes go out in one write and an
//   answer is looked for every answerPause.
class BootloaderLine {
public:
    enum class Transfer { Paced, Fast };
    // The pause after each byte in paced transfer: 1 ms, or bytePause.
    enum class Pace { Command, Data };
    // The driver call that failed last.
    enum class Fault { None, Writing, Waiting, Reading };

    BootloaderLine(D2XXUnit &transport, PauseClock &clock, Transfer transfer);

    Transfer transfer() const { return m_transfer; }
    D2XXUnit &transport() const { return m_transport; }
    PauseClock &clock() const { return m_clock; }
    Fault fault() const { return m_fault; }

    // The pause after each data byte in paced transfer, about 0.1 ms; timed,
    // never a count-down (a sleep, on Windows a wait on the performance
    // counter, whose sleeps last a millisecond at least). Tests on simulated
    // time replace it.
    std::function<void()> bytePause;
    // In fast transfer, the sleep between two looks at the receive queue
    // while an answer is awaited, about 0.2 ms: far below the time of a frame
    // on the line, so an answer is taken almost as it arrives.
    std::function<void()> answerPause;

    // Writes the bytes as the transfer does; false when the driver failed.
    bool write(const QByteArray &bytes, Pace pace);
    // One look at the receive queue, reading what waits there onto `got`
    // while it holds fewer than `limit` bytes; false when the driver failed.
    bool takeWaiting(QByteArray &got, int limit);
    // Waits up to timeoutMs (and not past `until`, when given) for a first
    // byte, then takes every byte waiting, at most `limit`; with quietMs,
    // goes on taking until the line has been quiet that long. Empty on
    // silence; nullopt when the driver failed.
    std::optional<QByteArray> takeAnswer(int timeoutMs, int limit, int quietMs = 0,
                                         std::optional<std::int64_t> until = std::nullopt);
    // Waits up to timeoutMs for `count` bytes; what came (perhaps fewer), or
    // nullopt when the driver failed.
    std::optional<QByteArray> readBytes(int count, int timeoutMs);
    // Drops what has arrived; false when the driver failed.
    bool purge();

private:
    // Sleeps between two looks at the receive queue, letting the interface run.
    void waitForBytes();

    D2XXUnit &m_transport;
    PauseClock &m_clock;
    Transfer m_transfer;
    Fault m_fault = Fault::None;
};
