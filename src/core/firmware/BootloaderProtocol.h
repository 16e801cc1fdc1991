#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>

class D2XXUnit;
class LogSink;
class PauseClock;

// The microcontroller's USART bootloader, from the host's side: Erase Memory
// (global erase), Write Memory, Read Memory and Go, each step answered by ACK
// 0x79 or NACK 0x1F.
//
// Every step waits for its answer with a deadline (CommandTimeoutMs, or
// EraseTimeoutMs for the global erase) and succeeds only on ACK. A NACK, any
// other answer, silence or a failing driver makes the step return false;
// failure() then says what failed, and the caller must send nothing more but
// a fresh synchronisation.
//
// Two transfers, the same bytes in both:
// - Paced: each byte in a write of its own, followed by a pause (1 ms after
//   command and address bytes, bytePause after data bytes). The gaps let the
//   bootloader's 8E1 USART read the 8N1 line: each stop bit is taken for the
//   parity bit and the gap for the stop bit.
// - Fast: the line is 8E1 for the session (openSession), each frame goes out
//   in one write and the next step starts as soon as the answer is in.
class BootloaderProtocol {
public:
    enum class Transfer { Paced, Fast };

    static constexpr std::uint8_t Sync = 0x7F;
    static constexpr std::uint8_t Ack = 0x79;
    static constexpr std::uint8_t Nack = 0x1F;
    static constexpr std::uint8_t WriteMemory = 0x31;
    static constexpr std::uint8_t ReadMemory = 0x11;
    static constexpr std::uint8_t EraseMemory = 0x43;
    static constexpr std::uint8_t Go = 0x21;
    // Deadlines for an answer, as established hosts of this bootloader use:
    // a command or frame, and the global erase of the whole flash.
    static constexpr int CommandTimeoutMs = 1000;
    static constexpr int EraseTimeoutMs = 35000;

    BootloaderProtocol(D2XXUnit &transport, LogSink &log, PauseClock &clock, Transfer transfer);

    Transfer transfer() const { return m_transfer; }

    // The pause after each data byte in paced transfer, about 0.1 ms; a
    // sleep, never a count-down. Tests on simulated time replace it.
    std::function<void()> bytePause;
    // In fast transfer, the sleep between two looks at the receive queue
    // while an answer is awaited, about 0.2 ms: far below the time of a frame
    // on the line, so an answer is taken almost as it arrives.
    std::function<void()> answerPause;

    // Sets the line to 8E1 for a fast session; paced transfer keeps the
    // firmware's 8N1. closeSession() puts 8N1 back.
    bool openSession();
    void closeSession();

    // Sends 0x7F. ACK: synchronised now. NACK: the bootloader was still
    // synchronised and refused it as a command, so it is alive. Silence: a
    // bootloader that took the 0x7F as a command byte waits for its
    // complement; 0x80 completes the pair and the refusal (NACK) follows.
    bool synchronise();
    // Erase Memory with the global erase code (43 BC, then FF 00).
    bool erase_flash();
    // Write Memory of chunk `index` (1 to 256 bytes) at `address`: command,
    // address frame, data frame, with the log lines of each step.
    bool write_chunk(int index, std::uint32_t address, const QByteArray &data);
    // Write Memory of the 8-byte version record for firmware n at 0x0801FC00.
    bool write_version_record(int n);
    // Read Memory of `length` (1 to 256) bytes at `address`; `what` names the
    // range in a failure.
    std::optional<QByteArray> read_memory(std::uint32_t address, int length, const QString &what);
    // Go to 0x08000000: the pedal leaves the bootloader.
    bool start_firmware();

    // What failed, for "Firmware upgrade failed: ".
    QString failure() const { return m_failure; }

    // The bytes of each frame, as they go out in both transfers.
    static QByteArray commandFrame(std::uint8_t command);
    static QByteArray addressFrame(std::uint32_t address);
    static QByteArray dataFrame(const QByteArray &data);
    static QByteArray versionRecordFrame(int n);

    // The address the next Write Memory or Go sends.
    std::uint32_t bootloader_address = 0x08000000;

private:
    enum class Pace { Command, Data };

    // Writes the frame: in paced transfer byte by byte with the pause of
    // `pace` after each, then settleMs; in fast transfer in one write.
    bool send(const QByteArray &frame, Pace pace, int settleMs, const QString &what);
    // Waits up to timeoutMs for the answer to `what` and logs it; true on ACK.
    bool expectAck(int timeoutMs, const QString &what);
    // Waits for `count` bytes; nullopt (failure set) on silence or a driver failure.
    std::optional<QByteArray> readBytes(int count, int timeoutMs, const QString &what);
    bool send_write_command(const QString &what);
    bool fail(const QString &failure);

    D2XXUnit &m_transport;
    LogSink &m_log;
    PauseClock &m_clock;
    Transfer m_transfer;
    QString m_failure;
    bool m_evenParitySet = false;
};
