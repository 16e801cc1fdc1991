#pragma once

#include <QString>
#include <cstdint>

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

private:
    // FIRST to LAST, checked.
    static int eraseEeprom(const Invocation &run, std::uint16_t first, std::uint16_t last);
    // START to END, checked; --device is checked here.
    static int dumpEeprom(const Invocation &run, std::uint16_t first, std::uint16_t last);
};
