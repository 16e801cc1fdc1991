#pragma once

#include "params/FXsettings.h"

#include <QString>
#include <array>
#include <cstdint>

class Communication;
class LogSink;
class PauseClock;
class UserPrompts;

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
    // unknown (or for Range, which has none); false then, and when the
    // write failed (the transport has said why).
    bool sendParameter(const FXsettings &fx, int slot, std::uint32_t value);

    // Store: 03, then the five assignable values (4 bytes each, slot order).
    static QString storeMessage(const FXsettings &fx);
    // Logs the message and its length, asks "Save Parameters to pedal?", and
    // unless the answer is No purges the transmit queue, writes the 21 bytes
    // and waits SettleMs. True when it was sent.
    bool storeParameters(const FXsettings &fx);

    // Assignment: 04, five flags (01 = something assigned), five targets
    // (the parameter's address, a remote footswitch code, or FFFF), 16 bytes.
    // `entries` are the lists' selections in control order (0 = Not Assigned).
    static QString assignMessage(const FXsettings &fx, const std::array<int, ControlCount> &entries);
    // Builds and logs the message (build_assign_message), asks "Upload
    // Assignments?", and unless the answer is No writes the 16 bytes and
    // waits SettleMs. True when it was sent. While the addresses are unknown
    // nothing is asked or sent: the user is told why.
    bool assignControls(const FXsettings &fx, const std::array<int, ControlCount> &entries);
    QString build_assign_message(const FXsettings &fx, const std::array<int, ControlCount> &entries);

    // Footswitch behaviour: 08, short press (00 Bypass, 01 Change Preset),
    // long press (00 Change Preset, 01 Bypass).
    static QString footswitchMessage(const FootswitchChoice &choice);
    // Builds and logs it (build_footswitch_message), logs it again and
    // writes the 3 bytes: no question, no purge, no wait.
    void setFootswitchMode(const FootswitchChoice &choice);
    QString build_footswitch_message(const FootswitchChoice &choice);

private:
    Communication &m_communication;
    LogSink &m_log;
    UserPrompts &m_prompts;
    PauseClock &m_clock;
};
