#pragma once

#include "device/FtDriver.h"
#include "model/PedalSetup.h"

#include <QStringList>
#include <memory>

class QCommandLineParser;

// Chooses the driver at start: the simulated pedal when asked for; the serial
// port driver when explicit ports are given or FTDI's D2XX library does not
// load; the D2XX library otherwise.
class DriverSelection {
public:
    struct Options {
        bool simulate = false;
        QStringList ports;  // --port PATH, each listed as one device
        // How the simulated pedal starts (--simulate-*); its state file is
        // empty unless --simulate-state names one (see defaultSimulatedStateFile).
        PedalSetup simulated;
        QString simulateError;  // a --simulate-* value that could not be read
    };

    // The editor's and the tool's shared options: --simulate, --port PATH and
    // the simulated pedal's --simulate-* settings.
    static void addOptions(QCommandLineParser &parser);
    static Options optionsFrom(const QCommandLineParser &parser);

    // Where the editor keeps its simulated pedal's state between runs: a file
    // in the user's application-data folder (set the application name first).
    static QString defaultSimulatedStateFile();

    // The driver and one line that says which was chosen and why. A simulated
    // pedal whose settings or state file are bad starts in its factory state,
    // saves nothing, and the line says why; *setupError then holds the reason
    // too, for a caller that would rather stop (the command-line tool).
    static std::unique_ptr<FtDriver> choose(const Options &options, QString *logLine,
                                            QString *setupError = nullptr);
};
