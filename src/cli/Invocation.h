#pragma once

#include "device/DriverSelection.h"

#include <QStringList>
#include <functional>

class PedalSession;
class QCommandLineParser;
struct ToolCommand;

// One run of the tool as its command line asks for it: the command's row in
// the command table, the positional arguments (the command's name first),
// the parsed options and the driver options read from them. Handlers take
// it, check what is theirs to check, and open the pedal through withPedal.
class Invocation {
public:
    Invocation(const ToolCommand &command, QStringList args, const QCommandLineParser &parser,
               DriverSelection::Options options);

    const ToolCommand &command() const { return m_command; }
    const QStringList &args() const { return m_args; }
    const QCommandLineParser &parser() const { return m_parser; }
    const DriverSelection::Options &options() const { return m_options; }
    bool isSet(const QString &option) const;

    // Opens the pedal and runs one command on it; the command's exit status,
    // or the failure to open the pedal as one.
    int withPedal(const std::function<int(PedalSession &)> &command) const;

    // A command that writes the pedal's memory asks first: the answer comes
    // from --yes or from the person at the terminal. Without either it is
    // refused, with a message naming `what`, before anything is sent.
    bool confirmationPossible(const QString &what) const;

    // QCommandLineParser takes "-12" or "-1 Oct" for short options, but they
    // are a pitch entry and a parameter's name: no option of the tool starts
    // with a digit. Such arguments (before a "--") are marked so that the
    // parser leaves them as they are, and unmarked after parsing.
    static QStringList protectDashDigits(const QStringList &arguments);
    static QString unprotected(const QString &argument);

private:
    const ToolCommand &m_command;
    QStringList m_args;
    const QCommandLineParser &m_parser;
    DriverSelection::Options m_options;
};
