// sombrant: the pedal's operations from the command line, for scripts and
// production lines. Exit status: 0 success, 1 the pedal failed or did not
// answer, 2 a usage error. Errors go to standard error.

#include "ConsolePrompts.h"
#include "PedalSession.h"
#include "device/D2XXUnit.h"
#include "device/DriverSelection.h"
#include "device/SerialPortDriver.h"
#include "device/StatusRequest.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <cstdio>

#include "BuildVersion.h"

namespace {

enum Exit { Success = 0, PedalFailure = 1, UsageError = 2 };

void out(const QString &line)
{
    std::fprintf(stdout, "%s\n", line.toLocal8Bit().constData());
}

void err(const QString &line)
{
    std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
}

// One line per listed device: serial number, description and driver,
// separated by tabs. A port named with --port is listed only when it exists
// and opens; otherwise the system's reason is given and the exit status is 1.
int listDevices(D2XXUnit &transport, const QStringList &explicitPorts)
{
    QStringList unusable;
    for (const QString &port : explicitPorts) {
        QString reason;
        if (!SerialPortDriver::probe(port, &reason)) {
            err(port + QStringLiteral(": ") + reason);
            unusable << port;
        }
    }
    if (transport.GetFTDeviceCount() != ft::Ok)
        return PedalFailure;
    if (transport.device_count == 0) {
        if (unusable.isEmpty())
            err(QStringLiteral("No device found"));
        return PedalFailure;
    }
    const QString driver = transport.driver().driverName();
    for (std::uint32_t i = 0; i < transport.device_count; ++i) {
        if (transport.GetFTDeviceSerialNo(i) != ft::Ok)
            return PedalFailure;
        const QString serial = QString::fromLocal8Bit(transport.FT_Device_String);
        if (transport.GetFTDeviceDescription(i) != ft::Ok)
            return PedalFailure;
        const QString description = QString::fromLocal8Bit(transport.FT_Device_String);
        if (!unusable.contains(serial))
            out(serial + QLatin1Char('\t') + description + QLatin1Char('\t') + driver);
    }
    return unusable.isEmpty() ? Success : PedalFailure;
}

QString hex(std::uint32_t value, int digits)
{
    return QStringLiteral("0x%1").arg(value, digits, 16, QLatin1Char('0')).toUpper().replace(
        QStringLiteral("0X"), QStringLiteral("0x"));
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
        out(QString::fromLatin1(ControlNames[k].data(), qsizetype(ControlNames[k].size())) + QStringLiteral(": ")
            + (a.assigned ? hex(a.address, 4) : QStringLiteral("not assigned")));
    }
    out(QStringLiteral("Tuning: ") + QString::number(status.tuning));
    out(QStringLiteral("Semitones: ") + QString::number(status.semitones));
    for (int i = 0; i < ParameterSlotCount; ++i)
        out(QString::fromLatin1(ParameterSlotNames[i].data(), qsizetype(ParameterSlotNames[i].size()))
            + QStringLiteral(": ") + hex(status.parameterValues[i], 8));
}

int readStatus(const DriverSelection::Options &options, const QCommandLineParser &parser)
{
    PedalSession session(options, parser.isSet(QStringLiteral("verbose")));
    bool usageError = false;
    if (!session.open(parser.value(QStringLiteral("serial")), &usageError))
        return usageError ? UsageError : PedalFailure;
    StatusRequest request(session.communication(), session.prompts(), session.prompts(),
                          session.clock());
    const std::optional<DeviceStatus> status = request.request_device_status();
    if (!status)
        return PedalFailure;
    if (parser.isSet(QStringLiteral("json")))
        out(QString::fromUtf8(status->toJson()));
    else
        printStatus(*status);
    return Success;
}

}  // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("sombrant"));
    QCoreApplication::setApplicationVersion(QStringLiteral(SOMBRANT_VERSION_TEXT));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Sombrant MK3 pedal operations.\n\nCommands:\n"
        "  list      List the attached pedals: serial number, description and driver, one per line.\n"
        "  status    Read the pedal's state (--json for one JSON object)."));
    parser.addHelpOption();
    parser.addVersionOption();
    DriverSelection::addOptions(parser);
    parser.addOption({QStringLiteral("verbose"), QStringLiteral("Write the log to standard error.")});
    parser.addOption({QStringLiteral("serial"),
                      QStringLiteral("The pedal to use, by serial number, when several are attached."),
                      QStringLiteral("SERIAL")});
    parser.addOption({QStringLiteral("json"), QStringLiteral("status: print one JSON object.")});
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("The command to run."));

    if (!parser.parse(QCoreApplication::arguments())) {
        err(parser.errorText());
        return UsageError;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        out(parser.helpText());
        return Success;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        out(QStringLiteral("sombrant ") + QCoreApplication::applicationVersion());
        return Success;
    }

    const QStringList args = parser.positionalArguments();
    if (args.isEmpty()) {
        err(QStringLiteral("No command given; try --help."));
        return UsageError;
    }
    const QString command = args.first();
    const auto options = DriverSelection::optionsFrom(parser);
    if (!options.simulateError.isEmpty()) {
        err(options.simulateError);
        return UsageError;
    }
    if (options.simulate && !options.ports.isEmpty()) {
        err(QStringLiteral("--simulate and --port cannot be used together."));
        return UsageError;
    }

    if (command == QLatin1String("list")) {
        if (args.size() != 1) {
            err(QStringLiteral("list takes no arguments."));
            return UsageError;
        }
        ConsolePrompts prompts(parser.isSet(QStringLiteral("verbose")));
        QString driverLine;
        QString setupError;
        auto driver = DriverSelection::choose(options, &driverLine, &setupError);
        if (!setupError.isEmpty()) {
            err(setupError);
            return UsageError;
        }
        prompts.PrintToConsole(driverLine);
        D2XXUnit transport(*driver, prompts);
        return listDevices(transport, options.ports);
    }

    if (command == QLatin1String("status")) {
        if (args.size() != 1) {
            err(QStringLiteral("status takes no arguments."));
            return UsageError;
        }
        return readStatus(options, parser);
    }

    err(QStringLiteral("Unknown command \"%1\"; try --help.").arg(command));
    return UsageError;
}
