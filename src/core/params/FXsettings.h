#pragma once

#include "params/ParameterRecords.h"
#include "params/ParameterTable.h"

#include <QString>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

class LogSink;
struct DeviceStatus;

// The footswitch's two presses: each bypasses the effect or changes the preset.
struct FootswitchChoice {
    bool shortChangesPreset = false;  // short press: false = Bypass
    bool longBypasses = false;        // long press: false = Change Preset

    bool operator==(const FootswitchChoice &) const = default;
    // The mode number the pedal reports: 2 x short code + long code.
    int mode() const { return 2 * int(shortChangesPreset) + int(longBypasses); }
    // The choice for a mode number 0-3; nullopt for any other.
    static std::optional<FootswitchChoice> fromMode(int mode);
};

// What the parameter window is to show after a status reply: nullopt leaves a
// control as it is.
struct StatusShown {
    std::optional<FootswitchChoice> footswitch;
    std::array<std::optional<int>, ControlCount> assignmentEntries{};
    std::optional<int> tuningEntry;
    std::optional<int> semitoneEntry;
};

// The effect parameters' state for the whole run: the fifteen records with
// their values and addresses, which controls have something assigned, the
// tuning and the footswitch mode as last read. One object, owned by the
// parameter window (or by a command of the command-line tool); the window's
// handlers and the flows that send it read and write it directly.
class FXsettings {
public:
    FXsettings();

    // Slot access to the fifteen records (slot order of ParameterTable).
    std::uint32_t &value(int slot);
    std::uint32_t value(int slot) const;
    std::uint16_t address(int slot) const;
    bool isAssigned(int slot) const;  // false for the standard ones

    // Reads the fourteen addresses from the first line of an algorithm image.
    // A line too short for the table, or a field that is not four hexadecimal
    // digits, changes no address and gives false.
    bool read_parameter_addresses(const QString &line0);

    // Takes a status reply into the model: the footswitch mode, which
    // assignable parameters sit on a control (is_assigned), the tuning and the
    // fifteen values, with their log lines. Returns what the window shows.
    StatusShown takeStatus(const DeviceStatus &status, LogSink &log);

    // What the parameter window's live controls send when these values are
    // shown on them: the live dials their values on the dial's nearest
    // position, the pitch when the table holds it, the tracking functions as
    // 0 or 1. The display-only parameters are not sent.
    struct LiveValue {
        int slot;
        std::uint32_t value;
    };
    std::vector<LiveValue> liveValuesShown() const;

    // The list entry (1-based, 0 = "Not Assigned") that names the parameter
    // at `address` for Control I-IV, or nullopt when none does.
    std::optional<int> entryForAddress(int control, std::uint16_t address) const;
    // The address a control's list entry stands for: a parameter's address,
    // a remote footswitch code, or NotAssignedCode for entry 0.
    std::uint16_t targetOf(int control, int entry) const;

    std::vector<standard_parameter> standard;      // slots 0-9
    std::vector<assignable_parameter> assignable;  // slots 10-14
    std::array<bool, ControlCount> control_assigned{};
    std::uint8_t current_tuning = 0;
    std::int8_t semitones_variation = 0;
    std::uint16_t footswitch_mode = 0;
};
