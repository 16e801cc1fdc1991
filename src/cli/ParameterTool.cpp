#include "ConsoleOutput.h"
#include "ParameterTool.h"

#include "PedalSession.h"
#include "ExitStatus.h"
#include "device/Communication.h"
#include "device/PedalCommand.h"
#include "device/StatusRequest.h"
#include "params/ParameterTable.h"

#include <algorithm>

#include <cstdio>

ParameterTool::ParameterTool(PedalSession &session)
    : m_session(session),
      m_commands(session.communication(), session.prompts(), session.prompts(), session.clock())
{
}

std::optional<DeviceStatus> ParameterTool::readStatus()
{
    StatusRequest request(m_session.communication(), m_session.prompts(), m_session.prompts(),
                          m_session.clock());
    return request.request_device_status();
}

bool ParameterTool::loadAddresses(const DeviceStatus &status)
{
    QString why;
    if (m_fx.takeReportedAlgorithm(status.device_algorithm_version, &why))
        return true;
    m_session.prompts().showMessage(why + QStringLiteral(": its parameter addresses are unknown, so nothing was sent."));
    return false;
}

bool ParameterTool::liveMessagesTaken()
{
    // The store purges the transmit queue before it writes, as the status
    // request does: either would drop live messages still on their way. A
    // status request sent behind them without that purge is answered only
    // once the pedal has taken them all.
    Communication &communication = m_session.communication();
    const std::optional<Communication::Exchange> exchange =
        communication.beginExchange(QStringLiteral("live messages taken"));
    if (!exchange || !communication.discardStrayBytes())
        return false;
    communication.send_message(bareCommandMessage(PedalCommand::StatusRequest), 2, false);
    if (!written())
        return false;
    m_session.clock().sleep(StatusRequest::ReplyPauseMs);
    return communication.receive_reply(DeviceStatus::ValueCount) == Communication::Reply::Decoded;
}

bool ParameterTool::written() const
{
    const D2XXUnit &transport = m_session.transport();
    return transport.ft_status == ft::Ok && !transport.device_gone;
}

bool ParameterTool::sendLive(const Change &change)
{
    m_fx.value(change.slot) = change.value;
    if (!m_commands.sendParameter(m_fx, change.slot, change.value))
        return false;
    out(QStringLiteral("%1: %2 (address %3)")
            .arg(toQString(ParameterTable[std::size_t(change.slot)].name), hex(change.value, 8),
                 hex(m_fx.address(change.slot), 4)));
    return true;
}

int ParameterTool::set(const Change &change)
{
    const std::optional<DeviceStatus> status = readStatus();
    if (!status)
        return PedalFailure;
    if (!loadAddresses(*status))
        return UsageError;
    return sendLive(change) ? Success : PedalFailure;
}

int ParameterTool::store(const QList<Change> &changes)
{
    const std::optional<DeviceStatus> status = readStatus();
    if (!status)
        return PedalFailure;
    if (!loadAddresses(*status))
        return UsageError;
    m_fx.takeStatus(*status, m_session.prompts());
    for (const Change &change : changes)
        if (!sendLive(change))
            return PedalFailure;
    if (!changes.isEmpty() && !liveMessagesTaken())
        return PedalFailure;

    return storeModel(!changes.isEmpty());
}

int ParameterTool::storeModel(bool sentLive)
{
    if (!m_commands.storeParameters(m_fx)) {
        if (m_session.prompts().unanswered()) {
            m_session.prompts().showMessage(QStringLiteral("Nothing stored: give --yes, or answer at a terminal."));
            return UsageError;
        }
        m_session.prompts().showMessage(!sentLive
                                            ? QStringLiteral("Nothing stored: the answer was No.")
                                            : QStringLiteral("Nothing stored: the answer was No. The values "
                                                             "sent live are lost at power-off."));
        return PedalFailure;
    }
    if (!written())
        return PedalFailure;
    for (int s = slot::FirstAssignable; s < ParameterSlotCount; ++s)
        out(QStringLiteral("Stored %1: %2").arg(toQString(ParameterTable[std::size_t(s)].name), hex(m_fx.value(s), 8)));
    return Success;
}

int ParameterTool::assign(const std::array<int, ControlCount> &entries)
{
    const std::optional<DeviceStatus> status = readStatus();
    if (!status)
        return PedalFailure;
    if (!loadAddresses(*status))
        return UsageError;
    if (!m_commands.assignControls(m_fx, entries)) {
        if (m_session.prompts().unanswered()) {
            m_session.prompts().showMessage(QStringLiteral("Nothing assigned: give --yes, or answer at a terminal."));
            return UsageError;
        }
        m_session.prompts().showMessage(QStringLiteral("Nothing assigned: the answer was No."));
        return PedalFailure;
    }
    if (!written())
        return PedalFailure;
    for (int k = 0; k < ControlCount; ++k)
        out(QStringLiteral("%1: %2").arg(toQString(ControlNames[std::size_t(k)]),
                                         toQString(assignmentEntry(k, entries[std::size_t(k)]))));
    return Success;
}

int ParameterTool::footswitch(const FootswitchChoice &choice)
{
    if (!readStatus())
        return PedalFailure;
    m_commands.setFootswitchMode(choice);
    if (!written())
        return PedalFailure;
    out(QStringLiteral("Footswitch: short press %1, long press %2 (mode %3)")
            .arg(choice.shortChangesPreset ? QStringLiteral("Change Preset") : QStringLiteral("Bypass"),
                 choice.longBypasses ? QStringLiteral("Bypass") : QStringLiteral("Change Preset"))
            .arg(choice.mode()));
    return Success;
}

int ParameterTool::savePreset(const QString &path)
{
    const std::optional<DeviceStatus> status = readStatus();
    if (!status)
        return PedalFailure;
    PresetFile::Values values{};
    std::copy(status->parameterValues.begin(), status->parameterValues.end(), values.begin());
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
    const std::optional<DeviceStatus> status = readStatus();
    if (!status)
        return PedalFailure;
    if (!loadAddresses(*status))
        return UsageError;
    m_fx.takeStatus(*status, m_session.prompts());
    for (int s = 0; s < ParameterSlotCount; ++s)
        m_fx.value(s) = values[std::size_t(s)];
    // The pedal's live values are unknown to the tool: every live parameter
    // goes out, each exactly as the preset has it.
    for (const FXsettings::LiveValue &live : m_fx.liveValuesShown()) {
        if (m_fx.isAssigned(live.slot)) {
            m_session.prompts().showMessage(toQString(ParameterTable[std::size_t(live.slot)].name)
                                            + QStringLiteral(" is assigned to a control of the pedal: not sent"));
            continue;
        }
        if (!sendLive({live.slot, live.value}))
            return PedalFailure;
    }
    if (!store)
        return Success;
    if (!liveMessagesTaken())
        return PedalFailure;
    return storeModel(true);
}
