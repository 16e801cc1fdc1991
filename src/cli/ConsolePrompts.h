#pragma once

#include "app/LogSink.h"
#include "app/UserPrompts.h"

#include <QStringList>

// Prompts and log for the command-line tool: both go to standard error. File
// dialogs are cancelled; commands take paths as arguments. A Yes/No question
// is answered as the run was set up (setConfirmation): Yes for --yes, by the
// person at the terminal, or else No, so that nothing risky happens unasked.
class ConsolePrompts final : public UserPrompts, public LogSink {
public:
    enum class Confirmation {
        Refused,        // nobody can answer: No, and unanswered() says so
        Given,          // --yes: Yes, the question only logged
        AskAtTerminal,  // the question on standard error, the answer a line of standard input
    };

    explicit ConsolePrompts(bool verbose) : m_verbose(verbose) {}

    void setConfirmation(Confirmation confirmation) { m_confirmation = confirmation; }
    // Whether a question had to be answered No because nobody could answer it.
    bool unanswered() const { return m_unanswered; }
    // Whether standard input is a terminal, so that a person can answer.
    static bool standardInputIsTerminal();

    void showMessage(const QString &text) override;
    // The plain words, then the driver's on a line of their own.
    void showFailure(const QString &text, const QString &detail) override;
    bool askYesNo(const QString &text) override;
    QString openFileName(const QString &, const QString &, const QString &, const FileDialogExtras &) override
    {
        return {};
    }
    QString saveFileName(const QString &, const QString &, const QString &, const FileDialogExtras &) override
    {
        return {};
    }

    // Log lines are shown only with --verbose.
    void PrintToConsole(const QString &text) override;
    void AppendConsoleLine(const QString &text) override;

    // Every message box text shown so far; a failed command reports them.
    QStringList messages;

private:
    bool m_verbose;
    Confirmation m_confirmation = Confirmation::Refused;
    bool m_unanswered = false;
};
