#pragma once

#include "device/FtDriver.h"

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
    };

    // The editor's and the tool's shared options: --simulate and --port PATH.
    static void addOptions(QCommandLineParser &parser);
    static Options optionsFrom(const QCommandLineParser &parser);

    // The driver and one line that says which was chosen and why.
    static std::unique_ptr<FtDriver> choose(const Options &options, QString *logLine);
};
