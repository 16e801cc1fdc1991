#include "params/FXsettings.h"

#include "algorithms/EffectLibrary.h"
#include "app/LogSink.h"
#include "device/DeviceStatus.h"
#include "device/HexText.h"

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

int FXsettings::assignedControl(int slot) const
{
    return isAssigned(slot) ? assignable[std::size_t(slot - StandardParameterCount)].assigned_control : -1;
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
    m_addressesKnown = true;
    return true;
}

std::optional<std::uint16_t> FXsettings::messageAddress(int slot) const
{
    if (!m_addressesKnown || slot < 0 || slot >= ParameterSlotCount || ParameterTable[std::size_t(slot)].addressField == 0)
        return std::nullopt;
    return address(slot);
}

void FXsettings::forgetAddresses()
{
    for (standard_parameter &p : standard)
        p.address = 0;
    for (assignable_parameter &p : assignable)
        p.address = 0xFFFF;
    m_addressesKnown = false;
}

QString FXsettings::effectNameOf(const QString &version)
{
    return QStringLiteral("Sombrant MK3 ") + version;
}

bool FXsettings::takeReportedAlgorithm(const QString &version, QString *why)
{
    reportedAlgorithm = version;
    // The addresses differ from one algorithm to the next, and only the
    // image of the algorithm the pedal runs knows them: any other would send
    // a value to another parameter than the one meant.
    const QString resource = EffectLibrary::format_resource_name(effectNameOf(version));
    const std::optional<QByteArray> image = EffectLibrary::resourceBytes(resource);
    QByteArray line0 = image.value_or(QByteArray());
    for (char lineEnd : {'\r', '\n'}) {
        if (const qsizetype at = line0.indexOf(lineEnd); at >= 0)
            line0.truncate(at);
    }
    if (image && read_parameter_addresses(QString::fromLatin1(line0)))
        return true;
    forgetAddresses();
    if (why) {
        *why = image ? QStringLiteral("The image of algorithm %1 has no parameter table").arg(version)
                     : QStringLiteral("The pedal runs algorithm %1, of which no image is carried").arg(version);
    }
    return false;
}

std::optional<int> FXsettings::entryForAddress(int control, std::uint16_t address) const
{
    // Unknown addresses match nothing: 0xFFFF is also "nothing assigned".
    if (!m_addressesKnown || control < 0 || control >= RemoteControl)
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

    for (assignable_parameter &p : assignable) {
        p.is_assigned = false;
        p.assigned_control = -1;
    }
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
            assignable[std::size_t(s - StandardParameterCount)].assigned_control = k;
        }
    }

    const int semitones = status.semitones;
    log.PrintToConsole(QStringLiteral("Current Tuning: ") + QString::number(status.tuning));
    log.PrintToConsole(QStringLiteral("Semitones variation: ")
                       + hexDigits(std::uint8_t(status.semitones), 2));
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
                           + hexDigits(std::uint8_t(status.semitones), 2));
    }

    for (int s = 0; s < ParameterSlotCount; ++s) {
        value(s) = status.parameterValues[std::size_t(s)];
        log.PrintToConsole(toQString(ParameterTable[s].logLabel)
                           + hexDigits(value(s), 8));
    }
    return shown;
}

FXsettings::Values FXsettings::values() const
{
    Values all{};
    for (int s = 0; s < ParameterSlotCount; ++s)
        all[std::size_t(s)] = value(s);
    return all;
}

std::vector<FXsettings::LiveValue> FXsettings::liveValuesShown(const std::optional<Values> &before) const
{
    auto changed = [&](int s) { return !before || (*before)[std::size_t(s)] != value(s); };
    std::vector<LiveValue> sent;
    for (int s : {slot::Dry, slot::SubMix, slot::Minus1Oct, slot::Minus2Oct, slot::InputLevel, slot::WaveClip,
                  slot::HarmonicPitch, slot::DominantNotesCut, slot::HighNotesCut}) {
        if (!changed(s))
            continue;
        const ParameterInfo &info = ParameterTable[std::size_t(s)];
        const std::uint32_t v = value(s);
        if (info.encoding == ValueEncoding::PitchTable
            && std::find(harmonic_pitch_table.begin(), harmonic_pitch_table.end(), v) == harmonic_pitch_table.end())
            continue;
        if (info.encoding == ValueEncoding::OnOff && v != info.onValue && v != info.offValue)
            continue;
        sent.push_back({s, v});
    }
    return sent;
}
