#include "params/FXsettings.h"

#include "app/LogSink.h"
#include "device/DeviceStatus.h"
#include "device/HexText.h"
#include "params/DialMapping.h"

#include <algorithm>

std::optional<FootswitchChoice> FootswitchChoice::fromMode(int mode)
{
    if (mode < 0 || mode > 3)
        return std::nullopt;
    return FootswitchChoice{(mode & 2) != 0, (mode & 1) != 0};
}

FXsettings::FXsettings()
{
    for (int s = 0; s < ParameterSlotCount; ++s) {
        const QString name = toQString(ParameterTable[s].name);
        if (ParameterTable[s].assignable)
            assignable.emplace_back(name, 0xFFFF, false);
        else
            standard.emplace_back(name, 0, 1);
    }
}

std::uint32_t &FXsettings::value(int slot)
{
    return slot < StandardParameterCount ? standard[std::size_t(slot)].value
                                         : assignable[std::size_t(slot - StandardParameterCount)].value;
}

std::uint32_t FXsettings::value(int slot) const
{
    return slot < StandardParameterCount ? standard[std::size_t(slot)].value
                                         : assignable[std::size_t(slot - StandardParameterCount)].value;
}

std::uint16_t FXsettings::address(int slot) const
{
    return slot < StandardParameterCount ? standard[std::size_t(slot)].address
                                         : assignable[std::size_t(slot - StandardParameterCount)].address;
}

bool FXsettings::isAssigned(int slot) const
{
    return slot >= StandardParameterCount
           && assignable[std::size_t(slot - StandardParameterCount)].is_assigned;
}

bool FXsettings::read_parameter_addresses(const QString &line0)
{
    if (line0.size() < ParameterTableLineLength)
        return false;
    // All fields are read before any address changes: a bad one leaves the
    // addresses of the previous image whole.
    std::array<std::uint16_t, ParameterSlotCount> read{};
    for (int s = 0; s < ParameterSlotCount; ++s) {
        const int field = ParameterTable[s].addressField;
        if (field == 0)
            continue;
        const std::optional<QByteArray> bytes = HexToBytes(line0.mid(field - 1, 4));
        if (!bytes || bytes->size() != 2)
            return false;
        read[s] = std::uint16_t(std::uint8_t(bytes->at(0)) * 256 + std::uint8_t(bytes->at(1)));
    }
    for (int s = 0; s < ParameterSlotCount; ++s) {
        if (ParameterTable[s].addressField == 0)
            continue;
        if (s < StandardParameterCount)
            standard[std::size_t(s)].address = read[s];
        else
            assignable[std::size_t(s - StandardParameterCount)].address = read[s];
    }
    return true;
}

std::optional<int> FXsettings::entryForAddress(int control, std::uint16_t address) const
{
    if (control < 0 || control >= RemoteControl)
        return std::nullopt;
    const auto &offered = AssignableSlotsOfControl[std::size_t(control)];
    for (std::size_t i = 0; i < offered.size(); ++i) {
        if (offered[i] >= 0 && this->address(offered[i]) == address)
            return int(i) + 1;
    }
    return std::nullopt;
}

std::uint16_t FXsettings::targetOf(int control, int entry) const
{
    if (entry <= 0 || entry >= assignmentEntryCount(control))
        return NotAssignedCode;
    if (control == RemoteControl)
        return RemoteCodes[std::size_t(entry - 1)];
    return address(AssignableSlotsOfControl[std::size_t(control)][std::size_t(entry - 1)]);
}

StatusShown FXsettings::takeStatus(const DeviceStatus &status, LogSink &log)
{
    StatusShown shown;

    footswitch_mode = status.footswitch_mode;
    log.PrintToConsole(QStringLiteral("Footswitch Mode: ") + QString::number(footswitch_mode));
    shown.footswitch = FootswitchChoice::fromMode(footswitch_mode);

    for (assignable_parameter &p : assignable)
        p.is_assigned = false;
    for (int k = 0; k < ControlCount; ++k) {
        const DeviceStatus::Assignment &a = status.assignments[std::size_t(k)];
        if (!a.assigned) {
            shown.assignmentEntries[std::size_t(k)] = 0;
            continue;
        }
        if (k == RemoteControl) {
            if (a.address == RemoteBypassCode)
                shown.assignmentEntries[std::size_t(k)] = 1;
            else if (a.address == RemotePresetCode)
                shown.assignmentEntries[std::size_t(k)] = 2;
            continue;
        }
        // An address that names none of the control's parameters keeps the
        // list as it is.
        if (const std::optional<int> entry = entryForAddress(k, a.address)) {
            shown.assignmentEntries[std::size_t(k)] = *entry;
            const int s = AssignableSlotsOfControl[std::size_t(k)][std::size_t(*entry - 1)];
            assignable[std::size_t(s - StandardParameterCount)].is_assigned = true;
        }
    }

    const int semitones = status.semitones;
    log.PrintToConsole(QStringLiteral("Current Tuning: ") + QString::number(status.tuning));
    log.PrintToConsole(QStringLiteral("Semitones variation: ")
                       + QStringLiteral("%1").arg(std::uint8_t(status.semitones), 2, 16, QLatin1Char('0')).toUpper());
    // Numbers that name no entry leave the lists, and what they stand for, as
    // they are: they would be sent back as they are by Set Tuning.
    if (status.tuning < TuningEntries.size()) {
        current_tuning = status.tuning;
        shown.tuningEntry = status.tuning;
    } else {
        log.PrintToConsole(QStringLiteral("Unknown tuning ") + QString::number(status.tuning));
    }
    if (semitones >= -SemitoneEntryOffset && semitones < int(SemitoneEntries.size()) - SemitoneEntryOffset) {
        semitones_variation = std::int8_t(semitones);
        shown.semitoneEntry = semitones + SemitoneEntryOffset;
    } else {
        log.PrintToConsole(QStringLiteral("Unknown semitone variation ")
                           + QStringLiteral("%1").arg(std::uint8_t(status.semitones), 2, 16, QLatin1Char('0')).toUpper());
    }

    for (int s = 0; s < ParameterSlotCount; ++s) {
        value(s) = status.parameterValues[std::size_t(s)];
        log.PrintToConsole(toQString(ParameterTable[s].logLabel)
                           + QStringLiteral("%1").arg(value(s), 8, 16, QLatin1Char('0')).toUpper());
    }
    return shown;
}

std::vector<FXsettings::LiveValue> FXsettings::liveValuesShown() const
{
    std::vector<LiveValue> sent;
    for (int s : {slot::Dry, slot::SubMix, slot::Minus1Oct, slot::Minus2Oct, slot::InputLevel, slot::WaveClip})
        sent.push_back({s, dial_angle_to_value(value_to_dial_angle(value(s), dial::DialScale))});
    if (std::find(harmonic_pitch_table.begin(), harmonic_pitch_table.end(), value(slot::HarmonicPitch))
        != harmonic_pitch_table.end())
        sent.push_back({slot::HarmonicPitch, value(slot::HarmonicPitch)});
    for (int s : {slot::DominantNotesCut, slot::HighNotesCut})
        sent.push_back({s, value(s) == 1 ? 1u : 0u});
    return sent;
}
