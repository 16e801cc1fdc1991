#pragma once

#include "device/PedalResult.h"
#include "device/StatusRequest.h"
#include "params/FXsettings.h"

#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>

class Communication;
class LogSink;
class PauseClock;
class UserPrompts;
enum class Confirmation;

// The messages that change the effect on the pedal, built from the parameter
// model and sent without waiting for an answer (the pedal sends none). Used
// alike by the parameter window's handlers and by the command-line tool.
class ParameterCommands {
public:
    // After a store or an assignment the pedal writes its memory.
    static constexpr int SettleMs = 100;

    ParameterCommands(Communication &communication, LogSink &log, UserPrompts &prompts,
                      PauseClock &clock);

    // Sends `value` live to the parameter of `slot`, at the address its
    // image gave. The tracking functions' messages are logged ("write to DSP
    // msg: "), the others not. Nothing is sent while the addresses are
    // unknown (or for Range, which has none): Refused then. Failed when the
    // write failed (the transport has said why).
    PedalResult sendParameter(const FXsettings &fx, int slot, std::uint32_t value);

    // What goes to the pedal when the model's values are shown (a status
    // reply, a preset), for the window and the tool alike: each live value
    // FXsettings::liveValuesShown(before) names, exactly as the model holds
    // it, except those `keep` turns down (a parameter the pedal's own control
    // holds). `sent` hears of each value that went out. Stops at the first
    // message that fails.
    PedalResult sendShown(const FXsettings &fx, const std::optional<FXsettings::Values> &before,
                          const std::function<bool(int slot)> &keep = {},
                          const std::function<void(const FXsettings::LiveValue &)> &sent = {});

    // The pedal's status, and the parameter addresses of the algorithm it
    // reports taken into `fx` (when given). Done with the status even when
    // no carried image gives those addresses: addressesUnknown then says why
    // (logged, not shown: the caller says what it means for it).
    struct Reading {
        DeviceStatus status;
        QString addressesUnknown;
    };
    PedalResultOf<Reading> readStatusAndAddresses(FXsettings *fx,
                                                  StatusRequest::Queued queued = StatusRequest::Queued::Purge);

    // Store: 03, then the five assignable values (4 bytes each, slot order).
    static QString storeMessage(const FXsettings &fx);
    // Logs the message and its length, asks "Save Parameters to pedal?"
    // (unless the caller has: Confirmation::Given), and unless the answer is
    // No purges the transmit queue, writes the 21 bytes and waits SettleMs.
    // Declined ("Nothing stored") on No; Failed when the write failed.
    PedalResult storeParameters(const FXsettings &fx);
    PedalResult storeParameters(const FXsettings &fx, Confirmation confirmation);

    // Assignment: 04, five flags (01 = something assigned), five targets
    // (the parameter's address, a remote footswitch code, or FFFF), 16 bytes.
    // `entries` are the lists' selections in control order (0 = Not Assigned).
    static QString assignMessage(const FXsettings &fx, const std::array<int, ControlCount> &entries);
    // Builds and logs the message (build_assign_message), asks "Upload
    // Assignments?", and unless the answer is No writes the 16 bytes and
    // waits SettleMs. Declined ("Nothing assigned") on No, Failed when the
    // write failed. While the addresses are unknown
    // nothing is asked or sent: the user is told why, and it is Refused.
    PedalResult assignControls(const FXsettings &fx, const std::array<int, ControlCount> &entries);
    QString build_assign_message(const FXsettings &fx, const std::array<int, ControlCount> &entries);
    // The message for assignments as a status reports them: each flag as
    // 01 or 00, each address or code as it is.
    static QString assignMessage(const std::array<DeviceStatus::Assignment, ControlCount> &assignments);
    // Logs `text` as build_assign_message does, asks "Upload Assignments?"
    // unless Confirmation::Given, and writes it and waits SettleMs; Declined
    // ("Nothing assigned") on No, Failed when the write failed.
    PedalResult sendAssignment(const QString &text, Confirmation confirmation);

    // Footswitch behaviour: 08, short press (00 Bypass, 01 Change Preset),
    // long press (00 Change Preset, 01 Bypass).
    static QString footswitchMessage(const FootswitchChoice &choice);
    // Builds and logs it (build_footswitch_message), logs it again and
    // writes the 3 bytes: no question, no purge, no wait.
    PedalResult setFootswitchMode(const FootswitchChoice &choice);
    QString build_footswitch_message(const FootswitchChoice &choice);

private:
    Communication &m_communication;
    LogSink &m_log;
    UserPrompts &m_prompts;
    PauseClock &m_clock;
};
