#pragma once

#include <array>
#include <cstdint>

// What the pedal's firmware keeps: versions, effect, footswitch behaviour, the
// five control assignments, tuning and the fifteen stored parameter values.
// Field meanings are the pedal's own; the defaults are a freshly flashed pedal
// running firmware 8 and algorithm 0010.
struct PedalState {
    std::uint8_t firmwareVersion = 0x08;          // one decimal digit per half-byte
    std::array<std::uint8_t, 2> algorithmVersion{0x00, 0x10};
    std::uint8_t effectNumber = 0x10;
    std::uint8_t footswitchMode = 0;              // 2 x short-press code + long-press code
    // Controls I-IV and the remote footswitch: assigned flag and address (the
    // remote footswitch's "address" is its function code).
    std::array<std::uint8_t, 5> assigned{0, 0, 0, 0, 1};
    std::array<std::uint16_t, 5> assignedAddress{0, 0, 0, 0, 0xFFFE};
    std::uint8_t tuningNumber = 0;
    std::int8_t semitones = 0;
    std::array<std::uint32_t, 15> storedValues{
        0x00400000, 0x00400000, 0x00400000, 0x00200000, 0x00400000,  // Dry .. Wave
        0x0000000C, 0x00000008, 0x00200000, 0x00000000, 0x0000000B,  // LPF .. Range
        0x00600000, 0x00400000, 0x00400000, 0x00000000, 0x00000000,  // Input .. High cut
    };
};
