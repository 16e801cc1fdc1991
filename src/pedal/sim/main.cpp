// sombrant-pedal-sim: the simulated Sombrant MK3 on a line a program opens
// like a serial port: a pseudo-terminal on Unix, a named pipe on Windows.
// Prints the line's name (the terminal's path, the pipe's \\.\pipe\ name) as
// the first line of standard output and plays the pedal on it until an
// "unplug" fault strikes or it is asked to stop (see StopRequests); then it
// saves the state file a last time. Logs each message it understood or
// ignored on standard error. Exit status: 0 after an "unplug" fault or a stop
// request, 2 on a usage error (options, faults, a bad state file or one
// another simulator holds), 1 when the line cannot be opened or the state
// could not be saved at the end.

#include "model/PedalFaults.h"
#include "model/PedalSetup.h"
#include "sim/PedalLineService.h"
#include "sim/StopRequests.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <cstdio>

namespace {

bool number(const QCommandLineParser &parser, const QString &name, int max, int *out, QString *error)
{
    if (!parser.isSet(name))
        return true;
    bool ok = false;
    const int n = parser.value(name).toInt(&ok);
    if (!ok || n < 0 || n > max) {
        *error = QStringLiteral("--%1: \"%2\" is not a whole number from 0 to %3").arg(name, parser.value(name)).arg(max);
        return false;
    }
    *out = n;
    return true;
}

}  // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("sombrant-pedal-sim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "The simulated Sombrant MK3 pedal on a pseudo-terminal (on Windows, a named pipe). The "
        "line's name is the first line of standard output."));
    parser.addHelpOption();
    parser.addOptions({
        {QStringLiteral("bootloader"), QStringLiteral("Start in the microcontroller's bootloader.")},
        {QStringLiteral("firmware"), QStringLiteral("Firmware version N (decimal, 0-99)."), QStringLiteral("N")},
        {QStringLiteral("algorithm"), QStringLiteral("Algorithm version N (decimal, 0-9999)."), QStringLiteral("N")},
        {QStringLiteral("state"), QStringLiteral("Load and save the pedal's kept state in FILE (one simulator per file)."),
         QStringLiteral("FILE")},
        {QStringLiteral("no-pacing"), QStringLiteral("Answer at once instead of at 115200 baud.")},
        {QStringLiteral("erase-ms"), QStringLiteral("Time of a flash page erase in ms (default 20)."), QStringLiteral("MS")},
        {QStringLiteral("fault"), QStringLiteral("Show a fault (repeatable): ") + PedalFaults::helpText(), QStringLiteral("FAULT")},
    });
    // Not process(): it ends with status 1 on an unknown option, and a usage
    // error is status 2 here.
    if (!parser.parse(QCoreApplication::arguments())) {
        std::fprintf(stderr, "%s\n", qPrintable(parser.errorText()));
        return 2;
    }
    if (parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("help-all"))) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        return 0;
    }
    if (!parser.positionalArguments().isEmpty()) {
        std::fprintf(stderr, "unexpected argument \"%s\": sombrant-pedal-sim takes options only (see --help)\n",
                     qPrintable(parser.positionalArguments().constFirst()));
        return 2;
    }

    PedalSetup setup;
    QString error;
    int eraseMs = 20;
    setup.bootloader = parser.isSet(QStringLiteral("bootloader"));
    setup.stateFile = parser.value(QStringLiteral("state"));
    setup.pacing = !parser.isSet(QStringLiteral("no-pacing"));
    setup.faults = parser.values(QStringLiteral("fault"));
    if (!number(parser, QStringLiteral("firmware"), 99, &setup.firmwareVersion, &error)
        || !number(parser, QStringLiteral("algorithm"), 9999, &setup.algorithmVersion, &error)
        || !number(parser, QStringLiteral("erase-ms"), 10'000, &eraseMs, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 2;
    }
    setup.pageEraseUs = std::int64_t(eraseMs) * 1000;

    const std::unique_ptr<PedalLineService> server = PedalLineService::forThisPlatform(setup);
    server->wire().pedal.log().sink = [](const QString &line) {
        std::fprintf(stderr, "%s\n", qPrintable(line));
        std::fflush(stderr);
    };
    if (!server->start(&error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return server->setupFailed() ? 2 : 1;
    }
    if (!StopRequests::quitOnRequest(app, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    std::fprintf(stdout, "%s\n", qPrintable(server->linePath()));
    std::fflush(stdout);
    QObject::connect(server.get(), &PedalLineService::unplugged, &app, [] { QCoreApplication::exit(0); });
    const int status = app.exec();
    const bool saved = server->finish();
    StopRequests::ended();
    return saved ? status : 1;
}
