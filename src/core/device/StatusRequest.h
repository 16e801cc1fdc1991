#pragma once

#include "device/DeviceStatus.h"
#include "device/PedalResult.h"

#include <optional>

class Communication;
class LogSink;
class PauseClock;
class UserPrompts;

// The status request: asks the pedal for its whole state (0x02 0x00) and
// turns the reply into a DeviceStatus, and compares its versions with the
// newest ones the editor carries.
class StatusRequest {
public:
    // The pedal has the whole reply queued within this time.
    static constexpr int ReplyPauseMs = 200;

    StatusRequest(Communication &communication, LogSink &log, UserPrompts &prompts,
                  PauseClock &clock);

    // Purges what waits in the receive queue, sends the request, pauses and
    // decodes the reply of exactly 82 values. Failed when another exchange
    // holds the link, the pedal did not answer, the driver failed, or the
    // reply was refused; the user has then been told why (or the log, for a
    // refused nested request) and nothing should change.
    //
    // The transmit queue is purged before the request, so live messages
    // still on their way are dropped; with Queued::Keep the request goes out
    // behind them instead, and its answer says the pedal has taken them all.
    enum class Queued { Purge, Keep };
    PedalResultOf<DeviceStatus> request_device_status(Queued queued = Queued::Purge);

    // Logs the pedal's and the newest firmware, and tells the user when the
    // pedal's firmware or algorithm is older than the newest carried.
    void checkVersions(const DeviceStatus &status, int latestFirmware, int latestAlgorithm);

private:
    Communication &m_communication;
    LogSink &m_log;
    UserPrompts &m_prompts;
    PauseClock &m_clock;
};
