// sombrant: the pedal's operations from the command line, for scripts and
// production lines. Exit status: 0 success, 1 the pedal failed or did not
// answer, 2 a usage error. Errors go to standard error.

#include "ConsolePrompts.h"
#include "device/D2XXUnit.h"
#include "device/DriverSelection.h"

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
// separated by tabs.
int listDevices(D2XXUnit &transport)
{
    if (transport.GetFTDeviceCount() != ft::Ok)
        return PedalFailure;
    if (transport.device_count == 0) {
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
        out(serial + QLatin1Char('\t') + description + QLatin1Char('\t') + driver);
    }
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
        "Sombrant MK3 pedal operations.\n\nCommands:\n  list    List the attached pedals: serial "
        "number, description and driver, one per line."));
    parser.addHelpOption();
    parser.addVersionOption();
    DriverSelection::addOptions(parser);
    parser.addOption({QStringLiteral("verbose"), QStringLiteral("Write the log to standard error.")});
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
        auto driver = DriverSelection::choose(options, &driverLine);
        prompts.PrintToConsole(driverLine);
        D2XXUnit transport(*driver, prompts);
        return listDevices(transport);
    }

    err(QStringLiteral("Unknown command \"%1\"; try --help.").arg(command));
    return UsageError;
}
