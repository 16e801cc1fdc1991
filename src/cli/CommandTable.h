#pragma once

#include "ToolCommand.h"

#include <QList>
#include <QStringList>

class QCommandLineParser;

// The tool's commands, one row each (ToolCommand): --help's list of commands
// and every usage error are made from the rows, and the dispatcher runs the
// row a command line names.
class CommandTable {
public:
    static const QList<ToolCommand> &commands();

    // The text --help shows above the options: what the tool is, and each
    // command's usage.
    static QString description();

    // Runs the command args names (args: the positional arguments, the
    // command's name first; parsed: the tool's options). First the checks
    // every command passes, then the row's checks of its options and
    // arguments, then its handler; the tool's exit status.
    static int dispatch(const QStringList &args, const QCommandLineParser &parsed);

private:
    static const ToolCommand *find(const QString &name);
};
