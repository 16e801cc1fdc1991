#pragma once

#include "model/PedalBootloader.h"
#include "model/PedalFaults.h"
#include "model/PedalFirmware.h"
#include "model/PedalLog.h"
#include "model/PedalReply.h"
#include "model/PedalState.h"

#include <QByteArray>
#include <cstdint>
#include <optional>

// The whole pedal behind its USART: the firmware, or the microcontroller's
// bootloader when the pedal was started in bootloader mode, and what both
// keep. Go to a flash address with a plausible vector table starts the
// firmware, which then reports the version record's byte at 0x0801FC07.
class PedalDevice {
public:
    enum class Mode { Firmware, Bootloader };

    static constexpr std::uint32_t VersionByteAddress = PedalState::VersionRecordAddress + 7;

    explicit PedalDevice(PedalState state = factoryState(0x08));
    // The firmware and the bootloader hold references into this object.
    PedalDevice(const PedalDevice &) = delete;
    PedalDevice &operator=(const PedalDevice &) = delete;

    // A pedal as it leaves the factory: its flash holds a small program with a
    // valid vector table and the version record for `firmwareVersion`.
    static PedalState factoryState(std::uint8_t firmwareVersion);
    // Puts `version` in the flash's version record and in the firmware state.
    static void setFirmwareVersion(PedalState &state, std::uint8_t version);

    // Power-up: the firmware when the flash holds a program and BOOT0 is low,
    // the bootloader otherwise.
    void powerUp(bool bootloaderPin);
    Mode mode() const { return m_mode; }

    PedalReplies receive(const QByteArray &bytes, std::int64_t atUs);
    PedalReplies idle(std::int64_t nowUs);
    std::optional<std::int64_t> nextDeadline() const;

    // True once when what the pedal keeps over power-off has changed.
    bool takePersistentChange();

    PedalState &state() { return m_state; }
    const PedalState &state() const { return m_state; }
    PedalLog &log() { return m_log; }
    const PedalLog &log() const { return m_log; }
    PedalFaults &faults() { return m_faults; }
    PedalFirmware &firmware() { return m_firmware; }
    PedalBootloader &bootloader() { return m_bootloader; }

private:
    void startFirmware();

    PedalState m_state;
    PedalLog m_log;
    PedalFaults m_faults;
    PedalFirmware m_firmware{m_state, m_log, m_faults};
    PedalBootloader m_bootloader{m_state, m_log, m_faults};
    Mode m_mode = Mode::Firmware;
};
