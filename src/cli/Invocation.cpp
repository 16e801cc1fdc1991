#include "Invocation.h"

#include "ConsoleOutput.h"
#include "ConsolePrompts.h"
#include "ExitStatus.h"
#include "PedalSession.h"

#include <QCommandLineParser>
#include <QRegularExpression>

namespace {

const QChar ProtectedMark(0xE000);  // a private-use character: never typed

}  // namespace

Invocation::Invocation(const ToolCommand &command, QStringList args, const QCommandLineParser &parser,
                       DriverSelection::Options options)
    : m_command(command), m_args(std::move(args)), m_parser(parser), m_options(std::move(options))
{
}

bool Invocation::isSet(const QString &option) const
{
    return m_parser.isSet(option);
}

int Invocation::withPedal(const std::function<int(PedalSession &)> &command) const
{
    PedalSession session(m_options, m_parser.isSet(QStringLiteral("verbose")));
    bool usageError = false;
    if (!session.open(m_parser.value(QStringLiteral("serial")), &usageError))
        return usageError ? UsageError : PedalFailure;
    // Nobody can answer without --yes or a terminal; such runs were refused
    // before the pedal was opened.
    if (m_parser.isSet(QStringLiteral("yes")))
        session.prompts().setConfirmation(ConsolePrompts::Confirmation::Given);
    else if (ConsolePrompts::standardInputIsTerminal())
        session.prompts().setConfirmation(ConsolePrompts::Confirmation::AskAtTerminal);
    return command(session);
}

bool Invocation::confirmationPossible(const QString &what) const
{
    if (m_parser.isSet(QStringLiteral("yes")) || ConsolePrompts::standardInputIsTerminal())
        return true;
    err(QStringLiteral("%1 asks before it writes the pedal's memory: give --yes, or run it at a terminal "
                       "to answer.")
            .arg(what));
    return false;
}

QStringList Invocation::protectDashDigits(const QStringList &arguments)
{
    static const QRegularExpression dashDigit(QStringLiteral("^-[0-9]"));
    QStringList protectedArguments;
    bool optionsEnded = false;
    for (const QString &argument : arguments) {
        if (argument == QLatin1String("--"))
            optionsEnded = true;
        protectedArguments << (!optionsEnded && dashDigit.match(argument).hasMatch() ? ProtectedMark + argument
                                                                                     : argument);
    }
    return protectedArguments;
}

QString Invocation::unprotected(const QString &argument)
{
    return argument.startsWith(ProtectedMark) ? argument.mid(1) : argument;
}
