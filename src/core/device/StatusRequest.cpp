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

std::optional<DeviceStatus> StatusRequest::request_device_status()
{
    // The request, its pause and its reply hold the link together.
    const auto exchange = m_communication.beginExchange(QStringLiteral("status request"));
    if (!exchange)
        return std::nullopt;
    // Bytes left from before would be read as the start of the reply.
    if (!m_communication.discardStrayBytes())
        return std::nullopt;
    // Status request: 02 00.
    m_communication.send_message(bareCommandMessage(PedalCommand::StatusRequest), 2, true);
    if (m_communication.transport().device_gone)
        return std::nullopt;
    m_clock.sleep(ReplyPauseMs);
    if (m_communication.receive_reply(DeviceStatus::ValueCount) != Communication::Reply::Decoded)
        return std::nullopt;

    const std::optional<DeviceStatus> status =
        DeviceStatus::fromValues(m_communication.received_bytes_array);
    if (!status)
        return std::nullopt;
    m_log.PrintToConsole(QStringLiteral("Firmware Version: ") + status->device_firmware_version);
    m_log.PrintToConsole(QStringLiteral("Algorithm version: ") + status->device_algorithm_version);
    m_log.PrintToConsole(QStringLiteral("Effect Number: ") + status->device_effect_number);
    return status;
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
