#include "device/DriverSelection.h"

#include "device/D2xxLibraryDriver.h"
#include "device/SerialPortDriver.h"
#include "device/SimulatedPedalDriver.h"
#include "model/PedalFaults.h"

#include <QCommandLineParser>
#include <QDir>
#include <QStandardPaths>

void DriverSelection::addOptions(QCommandLineParser &parser)
{
    parser.addOption({QStringLiteral("simulate"),
                      QStringLiteral("Talk to the simulated pedal instead of a real one.")});
    parser.addOption({QStringLiteral("port"),
                      QStringLiteral("Use the serial port PATH as a pedal (may be repeated)."),
                      QStringLiteral("PATH")});
    parser.addOption({QStringLiteral("simulate-bootloader"),
                      QStringLiteral("Start the simulated pedal in its bootloader.")});
    parser.addOption({QStringLiteral("simulate-firmware"),
                      QStringLiteral("Firmware version N of the simulated pedal."), QStringLiteral("N")});
    parser.addOption({QStringLiteral("simulate-algorithm"),
                      QStringLiteral("Algorithm version N of the simulated pedal."), QStringLiteral("N")});
    parser.addOption({QStringLiteral("simulate-state"),
                      QStringLiteral("Keep the simulated pedal's state in FILE."), QStringLiteral("FILE")});
    parser.addOption({QStringLiteral("simulate-no-pacing"),
                      QStringLiteral("The simulated pedal answers at once instead of at 115200 baud.")});
    parser.addOption({QStringLiteral("simulate-fault"),
                      QStringLiteral("A fault of the simulated pedal (repeatable): ") + PedalFaults::helpText(),
                      QStringLiteral("FAULT")});
}

DriverSelection::Options DriverSelection::optionsFrom(const QCommandLineParser &parser)
{
    Options options;
    options.simulate = parser.isSet(QStringLiteral("simulate"));
    options.ports = parser.values(QStringLiteral("port"));

    PedalSetup &s = options.simulated;
    s.bootloader = parser.isSet(QStringLiteral("simulate-bootloader"));
    s.stateFile = parser.value(QStringLiteral("simulate-state"));
    s.pacing = !parser.isSet(QStringLiteral("simulate-no-pacing"));
    s.faults = parser.values(QStringLiteral("simulate-fault"));
    auto number = [&](const char *name, int max, int *out) {
        const QString key = QLatin1String(name);
        if (!parser.isSet(key))
            return;
        bool ok = false;
        const int n = parser.value(key).toInt(&ok);
        if (ok && n >= 0 && n <= max)
            *out = n;
        else if (options.simulateError.isEmpty())
            options.simulateError = QStringLiteral("--%1: \"%2\" is not a whole number from 0 to %3")
                                        .arg(key, parser.value(key))
                                        .arg(max);
    };
    number("simulate-firmware", 99, &s.firmwareVersion);
    number("simulate-algorithm", 9999, &s.algorithmVersion);
    return options;
}

QString DriverSelection::defaultSimulatedStateFile()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation))
        .filePath(QStringLiteral("simulated-pedal.json"));
}

std::unique_ptr<FtDriver> DriverSelection::choose(const Options &options, QString *logLine,
                                                  QString *setupError)
{
    auto say = [logLine](const QString &text) {
        if (logLine)
            *logLine = text;
    };

    if (options.simulate) {
        auto simulated = std::make_unique<SimulatedPedalDriver>();
        QString error = options.simulateError;
        if (error.isEmpty())
            simulated->configure(options.simulated, &error);
        if (error.isEmpty())
            say(QStringLiteral("driver: simulated pedal"));
        else
            say(QStringLiteral("driver: simulated pedal, in its factory state (%1)").arg(error));
        if (setupError)
            *setupError = error;
        return simulated;
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
