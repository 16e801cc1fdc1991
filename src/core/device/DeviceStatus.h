#pragma once

#include "params/ParameterSlots.h"

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>

// The pedal's whole state as its status reply gives it, 82 values:
//
//   0       firmware version, one decimal digit per half-byte (0x08)
//   1-2     algorithm version, high pair first (0x00 0x10 = 0010)
//   3       effect number
//   4       footswitch mode (2 x short-press code + long-press code)
//   5-9     Control I..IV, Remote Footswitch: assigned flag (0 = nothing)
//   10-19   their addresses, 16-bit big-endian (remote: function code)
//   20      tuning number
//   21      semitones variation, signed
//   22-81   the fifteen parameter values, 32-bit big-endian, in slot order
struct DeviceStatus {
    static constexpr int ValueCount = 82;

    struct Assignment {
        bool assigned = false;
        std::uint16_t address = 0;
        bool operator==(const Assignment &) const = default;
    };

    std::array<std::uint8_t, ValueCount> values{};

    QString device_firmware_version;   // "08"
    QString device_algorithm_version;  // "0010"
    QString device_effect_number;      // "10"
    std::uint8_t footswitch_mode = 0;
    std::array<Assignment, ControlCount> assignments{};
    std::uint8_t tuning = 0;
    std::int8_t semitones = 0;
    std::array<std::uint32_t, ParameterSlotCount> parameterValues{};

    // Builds the record from decoded values; nullopt when fewer than 82.
    static std::optional<DeviceStatus> fromValues(const QByteArray &values);

    // A version text read as a decimal number ("0010" → 10); nullopt when a
    // half-byte is above 9.
    static std::optional<int> versionNumber(const QString &text);

    // One JSON object for scripts (`sombrant status --json`).
    QByteArray toJson() const;
};
