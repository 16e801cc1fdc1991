#pragma once

#include <QStringList>
#include <functional>

class PedalSession;
class QCommandLineParser;

// The developers' commands: "eeprom dump START END [--device 50|51]" lists
// one line per EEPROM byte on standard output ("100:    FF"), "eeprom erase
// FIRST LAST" erases EEPROM pages, "raw ADDRESS DATA" sends a parameter-write
// message as it is typed, and "calc-coeff NOTE Q GAIN" prints the filter
// coefficient array without a pedal. Arguments are checked before the pedal
// is opened; the result is the tool's exit status.
class DeveloperTool {
public:
    // Runs a command on an opened pedal (main's withPedal).
    using WithPedal = std::function<int(const std::function<int(PedalSession &)> &)>;

    static void addOptions(QCommandLineParser &parser);
    static bool handles(const QString &command);
    static int run(const QStringList &args, const QCommandLineParser &parser, const WithPedal &withPedal);

private:
    static int eeprom(const QStringList &args, const QCommandLineParser &parser, const WithPedal &withPedal);
    static int raw(const QStringList &args, const WithPedal &withPedal);
    static int calcCoeff(const QStringList &args);
};
