#pragma once

#include "app/LogSink.h"
#include "app/UserPrompts.h"

#include <QStringList>

// Prompts and log for the command-line tool: both go to standard error. The
// tool is for scripts, so a Yes/No question answers No (nothing risky happens
// unasked) and file dialogs are cancelled; commands take paths as arguments.
class ConsolePrompts final : public UserPrompts, public LogSink {
public:
    explicit ConsolePrompts(bool verbose) : m_verbose(verbose) {}

    void showMessage(const QString &text) override;
    bool askYesNo(const QString &text) override;
    QString openFileName(const QString &, const QString &, const QString &) override { return {}; }
    QString saveFileName(const QString &, const QString &, const QString &) override { return {}; }

    // Log lines are shown only with --verbose.
    void PrintToConsole(const QString &text) override;
    void AppendConsoleLine(const QString &text) override;

    // Every message box text shown so far; a failed command reports them.
    QStringList messages;

private:
    bool m_verbose;
};
