#include "ConsolePrompts.h"

#include <cstdio>

namespace {
void printError(const QString &text)
{
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    std::fflush(stderr);
}
}  // namespace

void ConsolePrompts::showMessage(const QString &text)
{
    messages << text;
    printError(text);
}

bool ConsolePrompts::askYesNo(const QString &text)
{
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
