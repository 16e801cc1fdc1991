#include "params/ParameterCommands.h"

#include "app/LogSink.h"
#include "app/PauseClock.h"
#include "app/UserPrompts.h"
#include "device/Communication.h"
#include "device/D2XXUnit.h"
#include "device/HexText.h"
#include "device/PedalCommand.h"

ParameterCommands::ParameterCommands(Communication &communication, LogSink &log,
                                     UserPrompts &prompts, PauseClock &clock)
    : m_communication(communication), m_log(log), m_prompts(prompts), m_clock(clock)
{
}

PedalResult ParameterCommands::sendParameter(const FXsettings &fx, int slot, std::uint32_t value)
{
    const QString name = toQString(ParameterTable[std::size_t(slot)].name);
    const std::optional<std::uint16_t> address = fx.messageAddress(slot);
    if (!address) {
        const QString why = QStringLiteral("No address for %1: nothing sent").arg(name);
        m_log.PrintToConsole(why);
        return PedalResult::refused(why);
    }
    if (ParameterTable[std::size_t(slot)].encoding == ValueEncoding::OnOff)
        m_communication.write_dsp_message(commandText(PedalCommand::LiveParameter), *address, value);
    else
        m_communication.send_message(liveParameterMessage(*address, value), 7, false);
    return m_communication.written(QStringLiteral("The %1 message").arg(name));
}

PedalResult ParameterCommands::sendShown(const FXsettings &fx, const std::optional<FXsettings::Values> &before,
                                         const std::function<bool(int slot)> &keep,
                                         const std::function<void(const FXsettings::LiveValue &)> &sent)
{
    for (const FXsettings::LiveValue &live : fx.liveValuesShown(before)) {
        if (keep && !keep(live.slot))
            continue;
        if (const PedalResult result = sendParameter(fx, live.slot, live.value); !result)
            return result;
        if (sent)
            sent(live);
    }
    return PedalResult::done();
}

PedalResultOf<ParameterCommands::Reading> ParameterCommands::readStatusAndAddresses(FXsettings *fx,
                                                                                    StatusRequest::Queued queued)
{
    StatusRequest request(m_communication, m_log, m_prompts, m_clock);
    const PedalResultOf<DeviceStatus> status = request.request_device_status(queued);
    if (!status)
        return status.result();
    Reading reading{*status, {}};
    if (fx && !fx->takeReportedAlgorithm(status->device_algorithm_version, &reading.addressesUnknown))
        m_log.PrintToConsole(reading.addressesUnknown);
    return reading;
}

QString ParameterCommands::storeMessage(const FXsettings &fx)
{
    QString text = commandText(PedalCommand::Store);
    for (int s = slot::FirstAssignable; s < ParameterSlotCount; ++s)
        text += hexDigits(fx.value(s), 8);
    return text;
}

PedalResult ParameterCommands::storeParameters(const FXsettings &fx)
{
    return storeParameters(fx, Confirmation::Ask);
}

PedalResult ParameterCommands::storeParameters(const FXsettings &fx, Confirmation confirmation)
{
    const QString text = storeMessage(fx);
    const int n = int(text.size() / 2);
    m_log.PrintToConsole(QStringLiteral("Store settings message (HEX): ") + text);
    m_log.PrintToConsole(QString::number(n));
    if (confirmation == Confirmation::Ask && !m_prompts.askYesNo(QStringLiteral("Save Parameters to pedal?")))
        return PedalResult::declined(QStringLiteral("Nothing stored"));
    m_communication.send_message(text, n, true);
    const PedalResult sent = m_communication.written(QStringLiteral("The store message"));
    m_clock.sleep(SettleMs);
    return sent;
}

QString ParameterCommands::assignMessage(const FXsettings &fx,
                                         const std::array<int, ControlCount> &entries)
{
    QString flags;
    QString targets;
    for (int k = 0; k < ControlCount; ++k) {
        const int entry = entries[std::size_t(k)];
        flags += entry > 0 ? QStringLiteral("01") : QStringLiteral("00");
        targets += hexDigits(fx.targetOf(k, entry), 4);
    }
    return commandText(PedalCommand::Assign) + flags + targets;
}

QString ParameterCommands::assignMessage(const std::array<DeviceStatus::Assignment, ControlCount> &assignments)
{
    QString flags;
    QString targets;
    for (const DeviceStatus::Assignment &a : assignments) {
        flags += a.assigned ? QStringLiteral("01") : QStringLiteral("00");
        targets += hexDigits(a.address, 4);
    }
    return commandText(PedalCommand::Assign) + flags + targets;
}

QString ParameterCommands::build_assign_message(const FXsettings &fx,
                                                const std::array<int, ControlCount> &entries)
{
    const QString text = assignMessage(fx, entries);
    m_log.PrintToConsole(QStringLiteral("lenght of assign message in bytes: ")
                         + QString::number(text.size() / 2));
    m_log.PrintToConsole(QStringLiteral("assign message: ") + text);
    return text;
}

PedalResult ParameterCommands::sendAssignment(const QString &text, Confirmation confirmation)
{
    if (confirmation == Confirmation::Given) {
        m_log.PrintToConsole(QStringLiteral("lenght of assign message in bytes: ")
                             + QString::number(text.size() / 2));
        m_log.PrintToConsole(QStringLiteral("assign message: ") + text);
    } else if (!m_prompts.askYesNo(QStringLiteral("Upload Assignments?"))) {
        return PedalResult::declined(QStringLiteral("Nothing assigned"));
    }
    m_communication.send_message(text, int(text.size() / 2), false);
    const PedalResult sent = m_communication.written(QStringLiteral("The assignment message"));
    m_clock.sleep(SettleMs);
    return sent;
}

PedalResult ParameterCommands::assignControls(const FXsettings &fx,
                                              const std::array<int, ControlCount> &entries)
{
    // The message names each control's parameter by its address.
    if (!fx.addressesKnown()) {
        const QString why =
            QStringLiteral("Nothing assigned: the parameter addresses of the pedal's algorithm are unknown.");
        m_prompts.showMessage(why);
        return PedalResult::refused(why);
    }
    return sendAssignment(build_assign_message(fx, entries), Confirmation::Ask);
}

QString ParameterCommands::footswitchMessage(const FootswitchChoice &choice)
{
    return commandText(PedalCommand::Footswitch)
           + (choice.shortChangesPreset ? QStringLiteral("01") : QStringLiteral("00"))
           + (choice.longBypasses ? QStringLiteral("01") : QStringLiteral("00"));
}

QString ParameterCommands::build_footswitch_message(const FootswitchChoice &choice)
{
    const QString text = footswitchMessage(choice);
    m_log.PrintToConsole(QStringLiteral("footswitch behaviour message: ") + text);
    return text;
}

PedalResult ParameterCommands::setFootswitchMode(const FootswitchChoice &choice)
{
    const QString text = build_footswitch_message(choice);
    m_log.PrintToConsole(text);
    m_communication.send_message(text, 3, false);
    return m_communication.written(QStringLiteral("The footswitch message"));
}
