#include "ToolCommand.h"

namespace {

constexpr int Indent = 2;
constexpr int DescriptionColumn = 23;

}  // namespace

QString ToolCommand::usageError() const
{
    return QStringLiteral("%1 takes %2.").arg(name, takes);
}

QString ToolCommand::usageError(const QString &argument) const
{
    return QStringLiteral("%1 takes %2, not \"%3\".").arg(name, takes, argument);
}

QString ToolCommand::helpText() const
{
    const QString margin(DescriptionColumn, QLatin1Char(' '));
    QString text;
    for (const Form &form : forms) {
        QString head = QString(Indent, QLatin1Char(' ')) + form.synopsis;
        // Two blanks at least between a synopsis and its description.
        if (head.size() > DescriptionColumn - 2) {
            text += head + QLatin1Char('\n');
            head = margin;
        } else {
            head = head.leftJustified(DescriptionColumn);
        }
        for (const QString &line : form.description) {
            text += head + line + QLatin1Char('\n');
            head = margin;
        }
    }
    return text;
}
