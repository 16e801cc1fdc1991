#pragma once

#include "ConsolePrompts.h"
#include "app/SystemClock.h"
#include "device/Communication.h"
#include "device/D2XXUnit.h"
#include "device/DeviceConnection.h"
#include "device/DriverSelection.h"

#include <memory>

// One run of the tool against one pedal: the chosen driver, the transport and
// the message exchange, with prompts and log on standard error.
class PedalSession {
public:
    PedalSession(const DriverSelection::Options &options, bool verbose);
    ~PedalSession();

    // Lists the devices and opens the one named by serial, or the only one
    // attached. False with a message on standard error otherwise; usageError
    // is set when the choice was the caller's to make, or the simulated
    // pedal's options or state file are bad.
    bool open(const QString &serial, bool *usageError);

    // The exit status for what a flow came to: Success when done, UsageError
    // when refused (the flow has said why), PedalFailure when failed (the
    // reason is said here unless the flow or the driver has said it). Declined says so here, with `note`
    // after "the answer was No."; a question nobody could answer is the
    // caller's to mend (give --yes), a UsageError.
    int exitStatus(const PedalResult &result, const QString &note = {});

    D2XXUnit &transport() { return *m_transport; }
    Communication &communication() { return *m_communication; }
    ConsolePrompts &prompts() { return m_prompts; }
    SystemClock &clock() { return m_clock; }

private:
    ConsolePrompts m_prompts;
    SystemClock m_clock;
    std::unique_ptr<FtDriver> m_driver;
    std::unique_ptr<D2XXUnit> m_transport;
    std::unique_ptr<Communication> m_communication;
    std::unique_ptr<DeviceConnection> m_connection;
    bool m_open = false;
    QString m_setupError;
};
