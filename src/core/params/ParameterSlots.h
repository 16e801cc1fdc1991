#pragma once

#include <QString>

#include <array>
#include <string_view>

// A name from these tables as a QString.
inline QString toQString(std::string_view text)
{
    return QString::fromLatin1(text.data(), qsizetype(text.size()));
}

// The fifteen effect parameters in slot order: the order of the values in
// the pedal's status reply and of the lines of a preset file.
inline constexpr int ParameterSlotCount = 15;
inline constexpr std::array<std::string_view, ParameterSlotCount> ParameterSlotNames{
    "Dry",         "Sub Mix",     "-1 Oct",       "-2 Oct",
    "Wave",        "Low Pass",    "High Pass",    "1st Harmonic",
    "Split",       "Range",       "Input Level",  "1st Harmonic Pitch",
    "Wave Clip",   "Dominant Notes Cut",          "High Notes Cut",
};

// The pedal's five controls, in control order.
inline constexpr int ControlCount = 5;
inline constexpr std::array<std::string_view, ControlCount> ControlNames{
    "Control I", "Control II", "Control III", "Control IV", "Remote Footswitch",
};
