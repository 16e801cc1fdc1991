#include "ConsoleOutput.h"
#include "ParameterTool.h"

#include "PedalSession.h"
#include "ExitStatus.h"
#include "device/StatusRequest.h"
#include "params/ParameterTable.h"

#include <algorithm>

ParameterTool::ParameterTool(PedalSession &session)
    : m_session(session),
      m_commands(session.communication(), session.prompts(), session.prompts(), session.clock())
{
}

int ParameterTool::readStatusAndAddresses(std::optional<DeviceStatus> *status)
{
    const auto reading = m_commands.readStatusAndAddresses(&m_fx);
    if (!reading)
        return m_session.exitStatus(reading);
    if (!reading->addressesUnknown.isEmpty()) {
        m_session.prompts().showMessage(reading->addressesUnknown
                                        + QStringLiteral(": its parameter addresses are unknown, so nothing was sent."));
        return UsageError;
    }
    if (status)
        *status = reading->status;
    return Success;
}

void ParameterTool::printSent(int slot)
{
    out(QStringLiteral("%1: %2 (address %3)")
            .arg(toQString(ParameterTable[std::size_t(slot)].name), hex(m_fx.value(slot), 8),
                 hex(m_fx.address(slot), 4)));
}

int ParameterTool::sendLive(const Change &change)
{
    m_fx.value(change.slot) = change.value;
    if (const PedalResult sent = m_commands.sendParameter(m_fx, change.slot, change.value); !sent)
        return m_session.exitStatus(sent);
    printSent(change.slot);
    return Success;
}

int ParameterTool::set(const Change &change)
{
    if (const int read = readStatusAndAddresses(); read != Success)
        return read;
    return sendLive(change);
}

int ParameterTool::store(const QList<Change> &changes)
{
    std::optional<DeviceStatus> status;
    if (const int read = readStatusAndAddresses(&status); read != Success)
        return read;
    m_fx.takeStatus(*status, m_session.prompts());
    for (const Change &change : changes)
        if (const int sent = sendLive(change); sent != Success)
            return sent;
    if (!changes.isEmpty())
        if (const int taken = liveMessagesTaken(); taken != Success)
            return taken;
    return storeModel(!changes.isEmpty());
}

int ParameterTool::liveMessagesTaken()
{
    // The store purges the transmit queue before it writes, as the status
    // request does: either would drop live messages still on their way. A
    // status request sent behind them, without that purge, is answered only
    // once the pedal has taken them all.
    StatusRequest request(m_session.communication(), m_session.prompts(), m_session.prompts(),
                          m_session.clock());
    return m_session.exitStatus(request.request_device_status(StatusRequest::Queued::Keep));
}

int ParameterTool::storeModel(bool sentLive)
{
    const PedalResult stored = m_commands.storeParameters(m_fx);
    if (!stored)
        return m_session.exitStatus(stored, sentLive ? QStringLiteral(" The values sent live are lost at power-off.")
                                                     : QString());
    for (int s = slot::FirstAssignable; s < ParameterSlotCount; ++s)
        out(QStringLiteral("Stored %1: %2").arg(toQString(ParameterTable[std::size_t(s)].name), hex(m_fx.value(s), 8)));
    return Success;
}

int ParameterTool::assign(const std::array<int, ControlCount> &entries)
{
    if (const int read = readStatusAndAddresses(); read != Success)
        return read;
    if (const PedalResult assigned = m_commands.assignControls(m_fx, entries); !assigned)
        return m_session.exitStatus(assigned);
    for (int k = 0; k < ControlCount; ++k)
        out(QStringLiteral("%1: %2").arg(toQString(ControlNames[std::size_t(k)]),
                                         toQString(assignmentEntry(k, entries[std::size_t(k)]))));
    return Success;
}

int ParameterTool::footswitch(const FootswitchChoice &choice)
{
    if (const auto status = m_commands.readStatusAndAddresses(nullptr); !status)
        return m_session.exitStatus(status);
    if (const PedalResult sent = m_commands.setFootswitchMode(choice); !sent)
        return m_session.exitStatus(sent);
    out(QStringLiteral("Footswitch: short press %1, long press %2 (mode %3)")
            .arg(choice.shortChangesPreset ? QStringLiteral("Change Preset") : QStringLiteral("Bypass"),
                 choice.longBypasses ? QStringLiteral("Bypass") : QStringLiteral("Change Preset"))
            .arg(choice.mode()));
    return Success;
}

int ParameterTool::savePreset(const QString &path)
{
    const auto reading = m_commands.readStatusAndAddresses(nullptr);
    if (!reading)
        return m_session.exitStatus(reading);
    PresetFile::Values values{};
    std::copy(reading->status.parameterValues.begin(), reading->status.parameterValues.end(), values.begin());
    QString error;
    if (!PresetFile::write(path, values, &error)) {
        m_session.prompts().showMessage(QStringLiteral("Error saving file: ") + error);
        return PedalFailure;
    }
    out(QStringLiteral("Saved %1").arg(path));
    return Success;
}

int ParameterTool::loadPreset(const PresetFile::Values &values, bool store)
{
    std::optional<DeviceStatus> status;
    if (const int read = readStatusAndAddresses(&status); read != Success)
        return read;
    m_fx.takeStatus(*status, m_session.prompts());
    for (int s = 0; s < ParameterSlotCount; ++s)
        m_fx.value(s) = values[std::size_t(s)];
    // The pedal's live values are unknown to the tool: every live parameter
    // goes out, each exactly as the preset has it.
    const auto notAssigned = [this](int slot) {
        if (!m_fx.isAssigned(slot))
            return true;
        m_session.prompts().showMessage(toQString(ParameterTable[std::size_t(slot)].name)
                                        + QStringLiteral(" is assigned to a control of the pedal: not sent"));
        return false;
    };
    const PedalResult sent = m_commands.sendShown(m_fx, std::nullopt, notAssigned,
                                                  [this](const FXsettings::LiveValue &live) { printSent(live.slot); });
    if (!sent)
        return m_session.exitStatus(sent);
    if (!store)
        return Success;
    if (const int taken = liveMessagesTaken(); taken != Success)
        return taken;
    return storeModel(true);
}
