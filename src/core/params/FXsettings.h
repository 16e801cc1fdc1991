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
    // The control (0..ControlCount-1) the pedal reports it on, -1 for none.
    int assignedControl(int slot) const;

    // Reads the fourteen addresses from the first line of an algorithm image.
    // A line too short for the table, or a field that is not four hexadecimal
    // digits, changes no address and gives false.
    bool read_parameter_addresses(const QString &line0);

    // Whether an image's table has given the addresses. Until then (and after
    // forgetAddresses) no parameter message may go out: the records' 0 and
    // 0xFFFF are no parameter's address.
    bool addressesKnown() const { return m_addressesKnown; }
    // Where a parameter message for `slot` goes: nullopt while the addresses
    // are unknown, and for Range, which no image gives an address.
    std::optional<std::uint16_t> messageAddress(int slot) const;
    // Back to no addresses: 0xFFFF and 0, as before any image was read.
    void forgetAddresses();

    // The algorithm version the pedal reported in its last status ("0010"),
    // while it still holds; empty when no status has told it, or the pedal
    // may have changed since (another pedal, an upload). While it is set,
    // its addresses (or none) stand, whatever effect is selected.
    QString reportedAlgorithm;
    // Takes the version the pedal reports and the addresses of its carried
    // image. False, with the reason in words in *why, when no carried image
    // of that version has a parameter table: the addresses are then unknown.
    bool takeReportedAlgorithm(const QString &version, QString *why);
    // The effect list's name of an algorithm version: "Sombrant MK3 0010".
    static QString effectNameOf(const QString &version);

    // Takes a status reply into the model: the footswitch mode, which
    // assignable parameters sit on a control (is_assigned), the tuning and the
    // fifteen values, with their log lines. Returns what the window shows.
    StatusShown takeStatus(const DeviceStatus &status, LogSink &log);

    using Values = std::array<std::uint32_t, ParameterSlotCount>;
    Values values() const;

    // What goes to the pedal when the model's values are shown (a status
    // reply, a preset): each live parameter as exactly the value the model
    // holds, never as the position its control shows, so that showing and
    // storing again changes nothing. Only values that differ from `before`
    // (the values shown until now) go out; with no `before`, all of them. A
    // dial shows any value; the pitch list only a value of its table and the
    // tracking boxes only 0 or 1, so other values are not sent (nor changed).
    // The display-only parameters are never sent.
    struct LiveValue {
        int slot;
        std::uint32_t value;
    };
    std::vector<LiveValue> liveValuesShown(const std::optional<Values> &before = std::nullopt) const;

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

private:
    bool m_addressesKnown = false;
};
