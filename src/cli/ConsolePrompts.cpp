#include "ConsolePrompts.h"

#include <QtGlobal>
#include <cstdio>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {
void printError(const QString &text)
{
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    std::fflush(stderr);
}
}  // namespace

bool ConsolePrompts::standardInputIsTerminal()
{
#ifdef Q_OS_WIN
    return _isatty(_fileno(stdin)) != 0;
#else
    return ::isatty(STDIN_FILENO) != 0;
#endif
}

void ConsolePrompts::showMessage(const QString &text)
{
    messages << text;
    printError(text);
}

void ConsolePrompts::showFailure(const QString &text, const QString &detail)
{
    showMessage(text);
    if (!detail.isEmpty())
        showMessage(detail);
}

bool ConsolePrompts::askYesNo(const QString &text)
{
    switch (m_confirmation) {
    case Confirmation::Given:
        PrintToConsole(text + QStringLiteral(" [--yes]"));
        return true;
    case Confirmation::AskAtTerminal: {
        std::fprintf(stderr, "%s [y/N] ", text.toLocal8Bit().constData());
        std::fflush(stderr);
        char line[256] = {};
        // The end of input, like any answer but y or yes, is No.
        if (!std::fgets(line, sizeof line, stdin))
            return false;
        const QString answer = QString::fromLocal8Bit(line).trimmed();
        return answer.compare(QLatin1String("y"), Qt::CaseInsensitive) == 0
               || answer.compare(QLatin1String("yes"), Qt::CaseInsensitive) == 0;
    }
    case Confirmation::Refused:
        break;
    }
    m_unanswered = true;
    printError(text + QStringLiteral(" [answered No]"));
    return false;
}

void ConsolePrompts::PrintToConsole(const QString &text)
{
    if (m_verbose)
        printError(text);
}

void ConsolePrompts::AppendConsoleLine(const QString &text)
{
    PrintToConsole(text);
}
