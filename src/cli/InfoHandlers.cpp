#include "InfoHandlers.h"

#include "ConsoleOutput.h"
#include "ConsolePrompts.h"
#include "ExitStatus.h"
#include "Invocation.h"
#include "PedalSession.h"
#include "UpdateCheckTool.h"
#include "app/SystemClock.h"
#include "device/Communication.h"
#include "device/D2XXUnit.h"
#include "device/DeviceConnection.h"
#include "device/SerialPortDriver.h"
#include "device/StatusRequest.h"
#include "updates/UpdateServer.h"

#include <QCommandLineParser>

namespace {

// One line per listed device: serial number, description and driver,
// separated by tabs. A port named with --port is listed only when it exists
// and opens; otherwise the system's reason is given and the exit status is 1.
int listDevices(DeviceConnection &connection, const QString &driver, const QStringList &explicitPorts)
{
    QStringList unusable;
    for (const QString &port : explicitPorts) {
        QString reason;
        if (!SerialPortDriver::probe(port, &reason)) {
            err(port + QStringLiteral(": ") + reason);
            unusable << port;
        }
    }
    const auto devices = connection.listDevices();
    if (!devices)
        return PedalFailure;  // the driver's box said why
    if (devices->isEmpty()) {
        if (unusable.isEmpty())
            err(QStringLiteral("No device found"));
        return PedalFailure;
    }
    for (const DeviceConnection::ListedDevice &device : *devices) {
        if (!unusable.contains(device.serialNumber))
            out(device.serialNumber + QLatin1Char('\t') + device.description + QLatin1Char('\t') + driver);
    }
    return unusable.isEmpty() ? Success : PedalFailure;
}

// The pedal's state, for a person.
void printStatus(const DeviceStatus &status)
{
    out(QStringLiteral("Firmware: ") + status.device_firmware_version);
    out(QStringLiteral("Algorithm: ") + status.device_algorithm_version);
    out(QStringLiteral("Effect: ") + status.device_effect_number);
    out(QStringLiteral("Footswitch mode: ") + QString::number(status.footswitch_mode));
    for (int k = 0; k < ControlCount; ++k) {
        const auto &a = status.assignments[k];
        out(toQString(ControlNames[k]) + QStringLiteral(": ")
            + (a.assigned ? hex(a.address, 4) : QStringLiteral("not assigned")));
    }
    out(QStringLiteral("Tuning: ") + QString::number(status.tuning));
    out(QStringLiteral("Semitones: ") + QString::number(status.semitones));
    for (int i = 0; i < ParameterSlotCount; ++i)
        out(toQString(ParameterSlotNames[i])
            + QStringLiteral(": ") + hex(status.parameterValues[i], 8));
}

int readStatus(PedalSession &session, const QCommandLineParser &parser)
{
    StatusRequest request(session.communication(), session.prompts(), session.prompts(),
                          session.clock());
    const auto status = request.request_device_status();
    if (!status)
        return session.exitStatus(status);
    if (parser.isSet(QStringLiteral("json")))
        out(QString::fromUtf8(status->toJson()));
    else
        printStatus(*status);
    return Success;
}

}  // namespace

int InfoHandlers::list(const Invocation &run)
{
    ConsolePrompts prompts(run.isSet(QStringLiteral("verbose")));
    QString driverLine;
    QString setupError;
    auto driver = DriverSelection::choose(run.options(), &driverLine, &setupError);
    if (!setupError.isEmpty()) {
        err(setupError);
        return UsageError;
    }
    prompts.PrintToConsole(driverLine);
    D2XXUnit transport(*driver, prompts);
    SystemClock clock;
    Communication communication(transport, prompts, prompts, clock);
    DeviceConnection connection(transport, communication, prompts, prompts);
    return listDevices(connection, driver->driverName(), run.options().ports);
}

int InfoHandlers::status(const Invocation &run)
{
    return run.withPedal([&](PedalSession &session) { return readStatus(session, run.parser()); });
}

int InfoHandlers::checkUpdate(const Invocation &run)
{
    return UpdateCheckTool(UpdateServer::configuredAddress(), run.isSet(QStringLiteral("verbose"))).run();
}
