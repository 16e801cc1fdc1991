#pragma once

#include "params/FXsettings.h"

#include <QString>
#include <cstdint>
#include <optional>

// Parameter names and values as a person types them: a parameter's name, a
// value in the parameter's own terms, an assignment list's entry, a
// footswitch press. Every reader either gives the result or leaves *error
// with one sentence that says what was wrong and what is accepted; it never
// guesses. Pure functions over ParameterTable.
class ParameterInput {
public:
    // The slot whose parameter_name matches, without regard to letter case
    // or to blanks around it.
    static std::optional<int> slotNamed(const QString &name, QString *error);

    // A value for the parameter in `slot`, in the pedal's encoding:
    //   "0x" and one to eight hexadecimal digits: the raw 32-bit value, as it is;
    //   otherwise by the parameter's encoding:
    //     DialScale   a dial position 0-1023, giving position x 8192;
    //     Steps       a step 0..N;
    //     Switch      1 (on) or 0 (off), giving its on or off value;
    //     OnOff       1 or 0;
    //     PitchTable  a semitone entry -12..+12 ("+3", "-12", "0"; "3" is +3).
    // Decimal numbers are digits with an optional sign: no blanks, fractions
    // or exponents. A number outside the range is refused, never clamped.
    static std::optional<std::uint32_t> valueFor(int slot, const QString &text, QString *error);

    // What valueFor accepts for the parameter in `slot` without "0x", for
    // messages and help ("a dial position 0 to 1023").
    static QString acceptedValues(int slot);

    // The entry of a control's assignment list (0 = Not Assigned) whose text
    // matches, without regard to letter case; the error lists the entries.
    static std::optional<int> assignmentEntryNamed(int control, const QString &name, QString *error);

    // The control's list entries, quoted and separated by commas.
    static QString offeredEntries(int control);

    // The footswitch's two presses, each "bypass" or "preset" (any letter
    // case): the short press bypasses or changes the preset, and so does the
    // long one.
    static std::optional<FootswitchChoice> footswitchChoice(const QString &shortPress,
                                                            const QString &longPress, QString *error);
};
