#include "device/DriverSelection.h"

#include "device/D2xxLibraryDriver.h"
#include "device/SerialPortDriver.h"
#include "device/SimulatedPedalDriver.h"

#include <QCommandLineParser>

void DriverSelection::addOptions(QCommandLineParser &parser)
{
    parser.addOption({QStringLiteral("simulate"),
                      QStringLiteral("Talk to the simulated pedal instead of a real one.")});
    parser.addOption({QStringLiteral("port"),
                      QStringLiteral("Use the serial port PATH as a pedal (may be repeated)."),
                      QStringLiteral("PATH")});
}

DriverSelection::Options DriverSelection::optionsFrom(const QCommandLineParser &parser)
{
    Options options;
    options.simulate = parser.isSet(QStringLiteral("simulate"));
    options.ports = parser.values(QStringLiteral("port"));
    return options;
}

std::unique_ptr<FtDriver> DriverSelection::choose(const Options &options, QString *logLine)
{
    auto say = [logLine](const QString &text) {
        if (logLine)
            *logLine = text;
    };

    if (options.simulate) {
        say(QStringLiteral("driver: simulated pedal"));
        return std::make_unique<SimulatedPedalDriver>();
    }

    QString why;
    if (options.ports.isEmpty()) {
        auto library = std::make_unique<D2xxLibraryDriver>();
        QString error;
        if (library->load(&error)) {
            say(QStringLiteral("driver: D2XX library (%1)").arg(D2xxLibraryDriver::defaultLibraryFile()));
            return library;
        }
        why = QStringLiteral(" (%1)").arg(error);
    } else {
        why = QStringLiteral(" (%1)").arg(options.ports.join(QStringLiteral(", ")));
    }

    auto serial = std::make_unique<SerialPortDriver>();
    for (const QString &port : options.ports)
        serial->addExplicitPort(port);
    say(QStringLiteral("driver: serial port") + why);
    return serial;
}
