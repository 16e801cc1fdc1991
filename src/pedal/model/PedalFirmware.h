#pragma once

#include "model/PedalFaults.h"
#include "model/PedalLog.h"
#include "model/PedalReply.h"
#include "model/PedalState.h"

#include <QByteArray>
#include <array>
#include <cstdint>
#include <optional>

// The pedal's firmware as seen from the wire: it consumes the bytes the host
// writes, message by message, and returns what it answers. It sends nothing
// unasked: only the status request, the EEPROM read and an uploaded image are
// answered.
//
// A message whose bytes stop coming for QuietTimeoutUs is dropped as
// truncated; after the upload announcement 0x0D 0x00 the next bytes are the
// 0x0E tuning data or an algorithm image, whose length its first three bytes
// give.
class PedalFirmware {
public:
    static constexpr int StatusValueCount = 82;
    static constexpr std::int64_t QuietTimeoutUs = 50'000;
    // An image whose length its header gives is waited for longer: a host
    // that writes it in pieces (a busy computer, a serial driver's buffers)
    // still gets it taken whole.
    static constexpr std::int64_t ImageQuietTimeoutUs = 1'000'000;
    static constexpr std::int64_t AnnouncementTimeoutUs = 2'000'000;
    static constexpr std::uint8_t EepromI2cAddress = 0x50;

    PedalFirmware(PedalState &state, PedalLog &log, const PedalFaults &faults);

    // Host bytes that reached the firmware at `atUs`.
    PedalReplies receive(const QByteArray &bytes, std::int64_t atUs);
    // The line has been quiet until `nowUs`: ends what timed out.
    PedalReplies idle(std::int64_t nowUs);
    // When idle() next has something to do.
    std::optional<std::int64_t> nextDeadline() const;
    // Forgets half-received messages (the pedal was reset).
    void reset();

    // The 82 status values, in reply order.
    std::array<std::uint8_t, StatusValueCount> statusValues() const;
    // One value in the firmware's reply encoding: 0x0A, its decimal digits, 0x0D.
    static QByteArray encodeValue(std::uint8_t value);

    // True once since the last call when something kept over power-off changed.
    bool takePersistentChange();

private:
    enum class Phase { Messages, UploadAnnounced, Image };

    QByteArray handleMessage(const QByteArray &message);
    QByteArray statusReply() const;
    QByteArray eepromRead(const QByteArray &message);
    void eepromErase(const QByteArray &message);
    QByteArray finishImage();

    PedalState &m_state;
    PedalLog &m_log;
    const PedalFaults &m_faults;
    Phase m_phase = Phase::Messages;
    QByteArray m_pending;
    std::int64_t m_lastByteAt = 0;
    std::int64_t m_announcedAt = 0;
    std::uint32_t m_imageLength = 0;
    bool m_persistentChange = false;
};
