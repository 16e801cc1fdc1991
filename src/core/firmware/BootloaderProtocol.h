#pragma once

#include "firmware/BootloaderLine.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>

class D2XXUnit;
class LogSink;
class PauseClock;

// The microcontroller's USART bootloader, from the host's side: Erase Memory
// (global erase), Write Memory, Read Memory and Go, each step answered by ACK
// 0x79 or NACK 0x1F, over a line paced or fast (BootloaderLine).
//
// Every step waits for its answer with a deadline (CommandTimeoutMs, or
// EraseTimeoutMs for the global erase) and succeeds only on exactly one
// answer byte, ACK. The receive queue is looked at before the last byte of
// each frame goes out: nothing can answer a frame before it is complete, so
// a byte waiting then is a stray one. The answer is every byte waiting once
// the first has come. A stray byte, a second answer byte, a NACK, any other
// answer, silence or a failing driver makes the step return false;
// failure() then says what failed, and the caller must send nothing more but
// a fresh synchronisation, which finds the bootloader wherever the failure
// left it. Before success is declared (after the version record and after
// Go) the line is watched QuietMs for a late extra byte.
class BootloaderProtocol {
public:
    using Transfer = BootloaderLine::Transfer;

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
    // How long the line must stay quiet after an answer that ends a phase
    // (the synchronisation, the version record, Go) for it to count alone:
    // above the FT230X's 16 ms latency timer.
    static constexpr int QuietMs = 30;
    // Bounds of synchronise(): its whole time, its rounds, and the filler
    // bytes of one round (more than the 257 bytes a data frame can still
    // want after its length byte).
    static constexpr int SyncDeadlineMs = 10000;
    static constexpr int SyncRounds = 4;
    static constexpr int MaxFillers = 260;
    static constexpr std::uint8_t Filler = 0x80;

    BootloaderProtocol(D2XXUnit &transport, LogSink &log, PauseClock &clock, Transfer transfer);

    Transfer transfer() const { return m_line.transfer(); }
    // The line, for its pauses (tests on simulated time replace them).
    BootloaderLine &line() { return m_line; }

    // Sets the line to 8E1 for a fast session; paced transfer keeps the
    // firmware's 8N1. closeSession() puts 8N1 back.
    bool openSession();
    void closeSession();

    // Brings the bootloader to its command phase from wherever a failed run
    // left it (see the .cpp); true when that is confirmed. On a bootloader
    // fresh from reset it is 0x7F answered by ACK alone, nothing more.
    bool synchronise();
    // The answer byte that settled the last synchronise(), as two
    // hexadecimal digits: "79" (synchronised now), "1F" (found in its
    // command phase), on failure the last byte received, or empty.
    QString syncAnswer() const { return m_syncAnswer; }
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
    using Pace = BootloaderLine::Pace;

    // Writes the frame: in paced transfer byte by byte with the pause of
    // `pace` after each, then settleMs; in fast transfer in one write. Fails
    // on a byte waiting before the frame's last byte goes out.
    bool send(const QByteArray &frame, Pace pace, int settleMs, const QString &what);
    // False (failure set) when a byte is waiting before `what` is complete.
    bool nothingWaiting(const QString &what);
    // Waits up to timeoutMs for the answer to `what` and logs it; true on ACK alone.
    bool expectAck(int timeoutMs, const QString &what);
    // Watches the line QuietMs after the answer to `what`; false on any byte.
    bool expectQuiet(const QString &what);
    bool send_write_command(const QString &what);
    // Fails the synchronisation on `answer`, the last it got.
    bool failSync(const QByteArray &answer);
    bool fail(const QString &failure);
    // Fails with the line's driver failure during `what`.
    bool lineFailed(const QString &what);

    BootloaderLine m_line;
    D2XXUnit &m_transport;
    LogSink &m_log;
    PauseClock &m_clock;
    QString m_failure;
    QString m_syncAnswer;
    bool m_evenParitySet = false;
};
