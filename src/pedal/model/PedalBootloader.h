#pragma once

#include "model/PedalFaults.h"
#include "model/PedalLog.h"
#include "model/PedalReply.h"
#include "model/PedalState.h"

#include <QByteArray>
#include <cstdint>
#include <optional>

// The microcontroller's system bootloader as its USART protocol describes it
// (version 2.2 on a 128 KiB STM32F1, product 0x410). It answers the sync byte
// 0x7F with ACK, then takes commands: each command byte is followed by its
// complement, each address frame and data frame by an XOR checksum, and every
// step is answered with ACK 0x79 or NACK 0x1F.
//
// The injected faults of PedalFaults change the answer of the K-th frame:
// refused (at once or late), not answered, garbled, or with an ACK too many
// before or after it. A refused frame is not carried out; the others are.
//
// Commands: Get 0x00, Get Version 0x01, Get ID 0x02, Read Memory 0x11, Go 0x21,
// Write Memory 0x31 (word-aligned address and length), Erase 0x43 (global
// erase 0xFF 0x00, or a list of 1 KiB pages). Memory: flash 0x08000000 (128
// KiB), RAM 0x20000000 (20 KiB), system memory and option bytes (read only).
class PedalBootloader {
public:
    static constexpr std::uint8_t Sync = 0x7F;
    static constexpr std::uint8_t Ack = 0x79;
    static constexpr std::uint8_t Nack = 0x1F;
    static constexpr std::uint8_t Version = 0x22;
    static constexpr std::uint16_t ProductId = 0x0410;

    struct Timing {
        std::int64_t pageEraseUs = 20'000;
        std::int64_t massEraseUs = 40'000;
    };

    PedalBootloader(PedalState &state, PedalLog &log, const PedalFaults &faults);

    // Back to waiting for the sync byte, as after a reset.
    void reset();
    void setTiming(Timing timing) { m_timing = timing; }

    // Host bytes that reached the bootloader at `atUs`. Processing stops after
    // a Go command has been accepted: takeGo() then gives its address and the
    // bytes after it, which the started program receives.
    PedalReplies receive(const QByteArray &bytes, std::int64_t atUs);

    struct Go {
        std::uint32_t address;
        QByteArray leftover;
    };
    std::optional<Go> takeGo();

    bool takePersistentChange();

    // A vector table the core can start from: the stack pointer within RAM
    // (its top included) and a Thumb reset address inside the flash.
    static bool plausibleVectorTable(const QByteArray &flash, std::uint32_t offset);

private:
    enum class Phase { WaitSync, Command, Complement, Address, ReadLength, WriteData, Erase };
    enum class Command : std::uint8_t {
        Get = 0x00,
        GetVersion = 0x01,
        GetId = 0x02,
        ReadMemory = 0x11,
        Go = 0x21,
        WriteMemory = 0x31,
        Erase = 0x43,
    };

    // Handles one complete unit in m_frame; returns the answer bytes.
    QByteArray handleFrame(std::int64_t &readyAt);
    // Sends the answer to frame m_frames as the injected faults make it.
    void answerFrame(QByteArray answer, std::int64_t readyAt, PedalReplies &replies);
    QByteArray handleCommand();
    QByteArray handleAddress();
    QByteArray handleReadLength();
    QByteArray handleWriteData();
    QByteArray handleErase(std::int64_t &readyAt);
    // Bytes the current phase still needs before its unit is complete.
    int frameLength() const;
    // The memory a range lies in, or nullptr; `writable` limits it to flash and RAM.
    QByteArray *memoryFor(std::uint32_t address, std::uint32_t length, bool writable,
                          std::uint32_t *offset);
    QByteArray nack(const QString &why);

    PedalState &m_state;
    PedalLog &m_log;
    const PedalFaults &m_faults;
    Timing m_timing;
    Phase m_phase = Phase::WaitSync;
    Command m_command = Command::Get;
    QByteArray m_frame;
    std::uint32_t m_address = 0;
    int m_frames = 0;  // frames answered since power-up, for the injected faults
    std::optional<Go> m_go;
    QByteArray m_ram;
    QByteArray m_systemMemory;
    QByteArray m_optionBytes;
    bool m_persistentChange = false;
};
