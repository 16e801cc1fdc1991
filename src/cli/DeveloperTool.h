#pragma once

#include <QString>

class Invocation;
class QCommandLineParser;

// The developers' commands: "eeprom dump START END [--device 50|51]" lists
// one line per EEPROM byte on standard output ("100:    FF"), "eeprom erase
// FIRST LAST" erases EEPROM pages, "raw ADDRESS DATA" sends a parameter-write
// message as it is typed, and "calc-coeff NOTE Q GAIN" prints the filter
// coefficient array without a pedal. Arguments are checked before the pedal
// is opened; the result is the tool's exit status.
class DeveloperTool {
public:
    static void addOptions(QCommandLineParser &parser);
    // The complaint about --device given to any but eeprom dump, or an
    // empty text.
    static QString deviceOptionError(const Invocation &run);

    // The handlers, their number of arguments checked by the command table.
    static int eeprom(const Invocation &run);
    static int raw(const Invocation &run);
    static int calcCoeff(const Invocation &run);
};
