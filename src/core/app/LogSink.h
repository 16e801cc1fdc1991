#pragma once

#include <QString>
#include <QStringList>

// Where log lines go: the Debug Console in the editor, standard error in the
// command-line tool, a recorder in tests. Lines are taken as they are: no
// time stamp, prefix or trimming.
class LogSink {
public:
    virtual ~LogSink() = default;

    // Appends one line; the console scrolls to it when its auto-scroll is on.
    virtual void PrintToConsole(const QString &text) = 0;
    // Appends one line and never scrolls.
    virtual void AppendConsoleLine(const QString &text) = 0;
    // Appends the lines in order, as PrintToConsole would one by one; a sink
    // may take them in one step (the console redraws once for a listing).
    virtual void PrintLinesToConsole(const QStringList &lines)
    {
        for (const QString &line : lines)
            PrintToConsole(line);
    }
};
