// sombrant-pedal-sim: the simulated Sombrant MK3 on a pseudo-terminal. Prints
// the terminal's path as the first line of standard output and plays the pedal
// on it until an "unplug" fault strikes or SIGTERM, SIGINT or SIGHUP arrives;
// then it saves the state file a last time. Logs each message it understood or
// ignored on standard error. Exit status: 0 after an "unplug" fault or a
// signal, 2 on a usage error (options, faults, a bad state file or one another
// simulator holds), 1 when the terminal cannot be opened or the state could
// not be saved at the end.

#include "model/PedalFaults.h"
#include "model/PedalSetup.h"
#include "sim/PtyPedalServer.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

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

// The write end of the pipe that turns a signal into an event: the handler
// may do no more than write a byte.
int signalPipeWriteEnd = -1;

void onStopSignal(int)
{
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(signalPipeWriteEnd, &byte, 1);
    errno = saved;
}

// Makes SIGTERM, SIGINT and SIGHUP end the event loop, so that the program
// ends as after an "unplug" fault and saves what the state file does not hold.
bool quitOnStopSignals(QCoreApplication &app, QString *error)
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) {
        *error = QStringLiteral("pipe: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    signalPipeWriteEnd = fds[1];
    auto *notifier = new QSocketNotifier(fds[0], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, [fd = fds[0]] {
        char bytes[16];
        while (::read(fd, bytes, sizeof bytes) > 0) {
        }
        QCoreApplication::quit();
    });
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(signal, &action, nullptr);
    return true;
}

}  // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("sombrant-pedal-sim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "The simulated Sombrant MK3 pedal on a pseudo-terminal. The terminal's path is the first "
        "line of standard output."));
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

    PtyPedalServer server(setup);
    server.wire().pedal.log().sink = [](const QString &line) {
        std::fprintf(stderr, "%s\n", qPrintable(line));
        std::fflush(stderr);
    };
    if (!server.start(&error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return server.setupFailed() ? 2 : 1;
    }
    if (!quitOnStopSignals(app, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    std::fprintf(stdout, "%s\n", qPrintable(server.slavePath()));
    std::fflush(stdout);
    QObject::connect(&server, &PtyPedalServer::unplugged, &app, [] { QCoreApplication::exit(0); });
    const int status = app.exec();
    return server.finish() ? status : 1;
}
