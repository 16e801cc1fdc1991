#pragma once

#include <QByteArray>
#include <array>
#include <cstdint>
#include <vector>

// Replies as the pedal's firmware sends them: each value as 0x0A, its
// decimal digits, 0x0D.
inline QByteArray encodeValues(const QByteArray &values)
{
    QByteArray out;
    for (char v : values)
        out += '\n' + QByteArray::number(std::uint8_t(v)) + '\r';
    return out;
}

// The 82 status values of a pedal with firmware fw, algorithm alg (two
// half-byte-coded bytes), effect number and otherwise plain settings.
inline QByteArray statusValues(std::uint8_t fw = 0x08, std::uint8_t algHigh = 0x00,
                               std::uint8_t algLow = 0x10, std::uint8_t effect = 0x10)
{
    QByteArray v(82, '\0');
    v[0] = char(fw);
    v[1] = char(algHigh);
    v[2] = char(algLow);
    v[3] = char(effect);
    v[4] = 3;                     // footswitch: Change Preset / Bypass
    v[5] = 1;                     // Control I assigned ...
    v[10] = 0x00, v[11] = 0x0A;   // ... to address 0x000A
    v[9] = 1;                     // remote footswitch: Bypass
    v[18] = char(0xFF), v[19] = char(0xFE);
    v[20] = 2;                    // tuning 2
    v[21] = char(0xFE);           // -2 semitones
    v[22] = 0x00, v[23] = 0x40;   // Dry 0x00400000
    v[81] = 1;                    // High Notes Cut on
    return v;
}

// Splits a reply in that encoding into its values, independently of the
// editor's decoder (the pedal's own tests cannot use it).
inline std::vector<int> splitValues(const QByteArray &reply)
{
    std::vector<int> out;
    for (const QByteArray &field : reply.split('\r')) {
        const QByteArray digits = field.startsWith('\n') ? field.mid(1) : field;
        if (!digits.isEmpty())
            out.push_back(digits.toInt());
    }
    return out;
}
