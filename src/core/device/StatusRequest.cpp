#include "device/StatusRequest.h"

#include "app/LogSink.h"
#include "app/PauseClock.h"
#include "app/UserPrompts.h"
#include "device/Communication.h"
#include "device/D2XXUnit.h"
#include "device/PedalCommand.h"

StatusRequest::StatusRequest(Communication &communication, LogSink &log, UserPrompts &prompts,
                             PauseClock &clock)
    : m_communication(communication), m_log(log), m_prompts(prompts), m_clock(clock)
{
}

PedalResultOf<DeviceStatus> StatusRequest::request_device_status(Queued queued)
{
    const QString what = QStringLiteral("status request");
    // The request, its pause and its reply hold the link together.
    const auto exchange = m_communication.beginExchange(what);
    if (!exchange)
        return m_communication.busy(what);
    // Bytes left from before would be read as the start of the reply.
    if (!m_communication.discardStrayBytes())
        return PedalResult::failed(QStringLiteral("The status request was not sent: ")
                                   + m_communication.transport().last_failure);
    // Status request: 02 00.
    m_communication.send_message(bareCommandMessage(PedalCommand::StatusRequest), 2, queued == Queued::Purge);
    // A failed write that left the pedal there is waited out like silence.
    if (m_communication.transport().device_gone)
        return m_communication.written(QStringLiteral("The status request"));
    m_clock.sleep(ReplyPauseMs);
    const Communication::Reply reply = m_communication.receive_reply(DeviceStatus::ValueCount);
    if (reply != Communication::Reply::Decoded)
        return m_communication.replyResult(reply, what);

    const std::optional<DeviceStatus> status =
        DeviceStatus::fromValues(m_communication.received_bytes_array);
    if (!status)
        return PedalResult::failed(QStringLiteral("The pedal's status reply could not be read"));
    m_log.PrintToConsole(QStringLiteral("Firmware Version: ") + status->device_firmware_version);
    m_log.PrintToConsole(QStringLiteral("Algorithm version: ") + status->device_algorithm_version);
    m_log.PrintToConsole(QStringLiteral("Effect Number: ") + status->device_effect_number);
    return *status;
}

void StatusRequest::checkVersions(const DeviceStatus &status, int latestFirmware,
                                  int latestAlgorithm)
{
    m_log.PrintToConsole(QStringLiteral("Current device firmware: ") + status.device_firmware_version);
    m_log.PrintToConsole(QStringLiteral("Most recent firmware: ") + QString::number(latestFirmware));

    const std::optional<int> firmware = DeviceStatus::versionNumber(status.device_firmware_version);
    if (!firmware)
        m_prompts.showMessage(QStringLiteral("Unknown firmware version ") + status.device_firmware_version);
    else if (latestFirmware > *firmware)
        m_prompts.showMessage(QStringLiteral("A firmware upgrade is required. Upgrade to Firmware ")
                              + QString::number(latestFirmware));

    const std::optional<int> algorithm = DeviceStatus::versionNumber(status.device_algorithm_version);
    if (!algorithm)
        m_prompts.showMessage(QStringLiteral("Unknown algorithm version ") + status.device_algorithm_version);
    else if (latestAlgorithm > *algorithm)
        m_prompts.showMessage(
            QStringLiteral("Upload the latest version of Sombrant MK3 algorithm. Upload Algorithm ")
            + QString::number(latestAlgorithm));
}
