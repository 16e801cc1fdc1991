#pragma once

#include "model/PedalState.h"

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>

// The pedal's check of an uploaded algorithm image before it hands it to the
// signal processor.
//
// Layout (offsets in bytes, numbers big-endian):
//   0    3   total length of the image; a multiple of 32
//   3   34   seventeen 16-bit parameter addresses
//  37   86   zero bytes (not checked: the signal processor ignores them)
// 123    2   algorithm version, one decimal digit per half-byte
// 125    3   not checked
// 128  ...   records: 0x01 len(2) data(len >= 3: chip, target(2), bytes...),
//            0x03 (one-byte filler); 0x06 ends them; zero bytes up to the length
class AlgorithmImage {
public:
    static constexpr int HeaderSize = 128;
    static constexpr int MinimumLength = HeaderSize + 32;
    static constexpr int MaximumLength = 65536;

    struct Result {
        bool ok = false;
        QString error;  // the pedal's short answer text when not ok
        std::array<std::uint8_t, 2> version{};
        std::array<std::uint16_t, PedalState::AddressFieldCount> addresses{};
    };

    // The length the image's first three bytes announce.
    static std::uint32_t announcedLength(const QByteArray &firstBytes);
    static bool plausibleLength(std::uint32_t length);
    static Result check(const QByteArray &image);
};
