#pragma once

#include "params/ParameterSlots.h"

#include <array>
#include <cstdint>
#include <string_view>

// The effect's fifteen parameters as data, in slot order (the order of the
// status reply and of preset files), and the fixed lists the parameter
// window offers. Read in one place; nothing here changes at run time.

enum class ValueEncoding {
    DialScale,   // n x 8192, n = 0..1023
    Steps,       // 0..steps
    Switch,      // onValue / offValue, anything else shown unchanged
    PitchTable,  // one of harmonic_pitch_table
    OnOff,       // 1 / 0
};

struct ParameterInfo {
    std::string_view name;       // parameter_name, also its entry text in the assignment lists
    bool assignable;
    int addressField;            // 1-based position of its 4 hex digits in the image's first line; 0 = none
    ValueEncoding encoding;
    std::uint32_t steps;         // Steps: the number of steps N
    std::uint32_t onValue;       // Switch, OnOff
    std::uint32_t offValue;
    std::string_view logLabel;   // label of its line when read from the pedal
};

namespace slot {
enum : int {
    Dry, SubMix, Minus1Oct, Minus2Oct, Wave, LowPass, HighPass, FirstHarmonic, Split, Range,
    InputLevel, HarmonicPitch, WaveClip, DominantNotesCut, HighNotesCut,
};
inline constexpr int FirstAssignable = InputLevel;
}  // namespace slot

inline constexpr int StandardParameterCount = 10;
inline constexpr int AssignableParameterCount = 5;

inline constexpr std::array<ParameterInfo, ParameterSlotCount> ParameterTable{{
    {"Dry", false, 7, ValueEncoding::DialScale, 0, 0, 0, "Dry: \t"},
    {"Sub Mix", false, 11, ValueEncoding::DialScale, 0, 0, 0, "Sub Mix: "},
    {"-1 Oct", false, 15, ValueEncoding::DialScale, 0, 0, 0, "Sub -1: \t"},
    {"-2 Oct", false, 19, ValueEncoding::DialScale, 0, 0, 0, "Sub -2: \t"},
    {"Wave", false, 23, ValueEncoding::Switch, 0, 0x400000, 0x600000, "Wave: \t"},
    {"Low Pass", false, 27, ValueEncoding::Steps, 24, 0, 0, "LPF: \t"},
    {"High Pass", false, 31, ValueEncoding::Steps, 16, 0, 0, "HPF: \t"},
    {"1st Harmonic", false, 35, ValueEncoding::DialScale, 0, 0, 0, "1st Harmonic: \t"},
    {"Split", false, 39, ValueEncoding::Switch, 0, 1, 0, "Split: \t"},
    {"Range", false, 0, ValueEncoding::Steps, 22, 0, 0, "Range: \t"},
    {"Input Level", true, 55, ValueEncoding::DialScale, 0, 0, 0, "Input Lvl: \t"},
    {"1st Harmonic Pitch", true, 59, ValueEncoding::PitchTable, 0, 0, 0, "Harmonic pitch: \t"},
    {"Wave Clip", true, 63, ValueEncoding::DialScale, 0, 0, 0, "Clip: \t"},
    {"Dominant Notes Cut", true, 67, ValueEncoding::OnOff, 0, 1, 0, "Dominant notes cut: \t"},
    {"High Notes Cut", true, 71, ValueEncoding::OnOff, 0, 1, 0, "High notes cut: \t"},
}};

// The first line of an algorithm image must reach the last address field.
inline constexpr int ParameterTableLineLength = 74;

// Values of 1st Harmonic Pitch, indexed like harmonic_pitch_entries: 0x400000
// is the unshifted pitch; below it the value falls by 0x200000/12 per
// semitone, above it rises by 0x400000/12, each rounded to a multiple of 8.
inline constexpr int PitchEntryCount = 25;
inline constexpr std::array<std::uint32_t, PitchEntryCount> harmonic_pitch_table{
    0x00200000, 0x0022AAA8, 0x00255558, 0x00280000, 0x002AAAA8, 0x002D5558, 0x00300000,
    0x0032AAA8, 0x00355558, 0x00380000, 0x003AAAA8, 0x003D5558, 0x00400000, 0x00455558,
    0x004AAAA8, 0x00500000, 0x00555558, 0x005AAAA8, 0x00600000, 0x00655558, 0x006AAAA8,
    0x00700000, 0x00755558, 0x007AAAA8, 0x00800000,
};
inline constexpr std::array<std::string_view, PitchEntryCount> harmonic_pitch_entries{
    "-12", "-11", "-10", "-9", "-8", "-7", "-6", "-5", "-4", "-3", "-2", "-1", "0",
    "+1",  "+2",  "+3",  "+4", "+5", "+6", "+7", "+8", "+9", "+10", "+11", "+12",
};

// The guitar tunings; the index is the tuning number the pedal keeps.
inline constexpr std::array<std::string_view, 8> TuningEntries{
    "No Tuning Selected", "Standard (EADGBE)", "Drop D (DADGBE)",    "DADGAD",
    "open D (DADF#AD)",   "Blues G (DGDGBD)",  "Open A (EAC#EAE)",   "Open C (CGCGCE)",
};
inline constexpr int NoTuningIndex = 0;
// Semitone variations -5..+3; entry i is i - 5 semitones.
inline constexpr std::array<std::string_view, 9> SemitoneEntries{
    "-5", "-4", "-3", "-2", "-1", "0", "+1", "+2", "+3",
};
inline constexpr int SemitoneEntryOffset = 5;

// The assignment lists, one per control in control order. Entry 0 is
// "Not Assigned"; Controls I-IV offer parameters (by slot), the remote
// footswitch two functions (by code).
inline constexpr std::string_view NotAssigned = "Not Assigned";
inline constexpr std::uint16_t NotAssignedCode = 0xFFFF;
inline constexpr std::uint16_t RemoteBypassCode = 0xFFFE;
inline constexpr std::uint16_t RemotePresetCode = 0xFFFD;
inline constexpr int RemoteControl = 4;
inline constexpr std::array<std::array<int, 3>, 4> AssignableSlotsOfControl{{
    {slot::InputLevel, slot::HarmonicPitch, slot::WaveClip},
    {slot::InputLevel, slot::HarmonicPitch, slot::WaveClip},
    {slot::DominantNotesCut, slot::HighNotesCut, -1},
    {slot::DominantNotesCut, slot::HighNotesCut, -1},
}};
inline constexpr std::array<std::string_view, 2> RemoteEntries{"Bypass", "Preset"};
inline constexpr std::array<std::uint16_t, 2> RemoteCodes{RemoteBypassCode, RemotePresetCode};

// The entries of a control's list, "Not Assigned" first.
constexpr int assignmentEntryCount(int control)
{
    return control == RemoteControl ? 3 : (control < 2 ? 4 : 3);
}
constexpr std::string_view assignmentEntry(int control, int entry)
{
    if (entry == 0)
        return NotAssigned;
    if (control == RemoteControl)
        return RemoteEntries[std::size_t(entry - 1)];
    return ParameterTable[std::size_t(AssignableSlotsOfControl[std::size_t(control)][std::size_t(entry - 1)])].name;
}
