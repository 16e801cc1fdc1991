#pragma once

#include <QByteArray>
#include <array>
#include <cstdint>
#include <map>

// Everything the pedal keeps: what its firmware reports and stores, its
// EEPROM, and the microcontroller's flash. Field meanings are the pedal's
// own; the defaults are a freshly flashed pedal running firmware 8 and
// algorithm 0010.
struct PedalState {
    static constexpr int SlotCount = 15;          // stored parameter values
    static constexpr int AddressFieldCount = 17;  // addresses in an algorithm image
    static constexpr int EepromSize = 16384;
    static constexpr int EepromPageSize = 64;
    static constexpr std::uint32_t FlashBase = 0x08000000;
    static constexpr int FlashSize = 128 * 1024;
    static constexpr int FlashPageSize = 1024;
    static constexpr std::uint32_t VersionRecordAddress = 0x0801FC00;
    static constexpr std::uint32_t RamBase = 0x20000000;
    static constexpr int RamSize = 20 * 1024;     // ends at 0x20005000

    // The algorithm image's address field of each stored slot; -1 = none
    // (Range has no address field; fields 9-11 belong to no slot).
    static constexpr std::array<int, SlotCount> SlotAddressField{
        0, 1, 2, 3, 4, 5, 6, 7, 8, -1, 12, 13, 14, 15, 16};
    // Slots 10-14 are the five values the store message sets.
    static constexpr int FirstStoredBySave = 10;

    std::uint8_t firmwareVersion = 0x08;          // one decimal digit per half-byte
    std::array<std::uint8_t, 2> algorithmVersion{0x00, 0x10};
    std::uint8_t effectNumber = 0x10;
    std::uint8_t footswitchMode = 0;              // 2 x short-press code + long-press code
    // Controls I-IV and the remote footswitch: assigned flag and address (the
    // remote footswitch's "address" is its function code).
    std::array<std::uint8_t, 5> assigned{0, 0, 0, 0, 1};
    std::array<std::uint16_t, 5> assignedAddress{0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFE};
    std::uint8_t tuningNumber = 0;
    std::int8_t semitones = 0;
    std::array<std::uint32_t, SlotCount> storedValues{
        0x00400000, 0x00400000, 0x00400000, 0x00200000, 0x00400000,  // Dry .. Wave
        0x0000000C, 0x00000008, 0x00200000, 0x00000000, 0x0000000B,  // LPF .. Range
        0x00600000, 0x00400000, 0x00400000, 0x00000000, 0x00000000,  // Input .. High cut
    };
    std::uint8_t midiChannel = 0;                 // 0 = OMNI, 1-16
    // The algorithm's parameter addresses, as its image's header lists them
    // (those of algorithm 0010).
    std::array<std::uint16_t, AddressFieldCount> parameterAddresses{
        0x000B, 0x00E7, 0x0078, 0x0076, 0x0003, 0x00CB, 0x00DD, 0x00A1, 0x00E8,
        0x0000, 0x0000, 0x0000, 0x000A, 0x0073, 0x00E6, 0x001B, 0x000C};
    bool tuningTableReceived = false;
    QByteArray tuningTable;                       // the 640 bytes last received
    QByteArray eeprom = QByteArray(EepromSize, char(0xFF));
    // Flash from FlashBase; the factory image is put there by the owner.
    QByteArray flash = QByteArray(FlashSize, char(0xFF));

    // Not kept over a power cycle: what the signal processor runs with now,
    // by processor address.
    std::map<std::uint16_t, std::uint32_t> liveValues;

    // The processor starts each power-up with the stored values.
    void loadLiveValuesFromStore()
    {
        liveValues.clear();
        for (int slot = 0; slot < SlotCount; ++slot) {
            const int field = SlotAddressField[std::size_t(slot)];
            if (field >= 0)
                liveValues[parameterAddresses[std::size_t(field)]] = storedValues[std::size_t(slot)];
        }
    }
};
