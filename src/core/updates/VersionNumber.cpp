#include "updates/VersionNumber.h"

#include <QRegularExpression>

std::optional<VersionNumber> VersionNumber::parse(const QString &text)
{
    // Nine digits at most, so a part always fits an int.
    static const QRegularExpression pattern(QStringLiteral("^([0-9]{1,9})\\.([0-9]{1,9})$"));
    const QRegularExpressionMatch match = pattern.match(text.trimmed());
    if (!match.hasMatch())
        return std::nullopt;
    return VersionNumber{match.captured(1).toInt(), match.captured(2).toInt()};
}

QString VersionNumber::toString() const
{
    return QStringLiteral("%1.%2").arg(major).arg(minor);
}
