#include "prefs/LookTheme.h"

#include "prefs/InheritedFonts.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMetaEnum>
#include <QRegularExpression>
#include <QStyle>
#include <QStyleFactory>
#include <QToolTip>

namespace {

constexpr const char *ThemeFolder = ":/themes";
constexpr const char *BaseStyle = "Fusion";
// Set on the application once the base style is ours, so switching looks
// does not replace (and re-polish) the style each time.
constexpr const char *BaseStyleProperty = "_sombrant_look_base_style";

QString withoutComments(QString text)
{
    static const QRegularExpression comment(QStringLiteral("/\\*.*?\\*/"),
                                            QRegularExpression::DotMatchesEverythingOption);
    return text.remove(comment);
}

// The declarations of "@name { key: value; ... }", in order; the block itself
// is cut out of *text. nullopt when there is no such block.
std::optional<QList<std::pair<QString, QString>>> takeAtRule(QString *text, const QString &name,
                                                             QString *error)
{
    const QRegularExpression rule(QStringLiteral("@%1\\s*\\{([^}]*)\\}").arg(name));
    const QRegularExpressionMatch match = rule.match(*text);
    if (!match.hasMatch())
        return std::nullopt;
    QList<std::pair<QString, QString>> declarations;
    const QStringList parts = withoutComments(match.captured(1)).split(QLatin1Char(';'));
    for (const QString &part : parts) {
        if (part.trimmed().isEmpty())
            continue;
        const qsizetype colon = part.indexOf(QLatin1Char(':'));
        if (colon < 0) {
            *error = QStringLiteral("@%1: \"%2\" is not \"name: value\"").arg(name, part.trimmed());
            return QList<std::pair<QString, QString>>{};
        }
        declarations.append({part.left(colon).trimmed(), part.mid(colon + 1).trimmed()});
    }
    text->remove(match.capturedStart(), match.capturedLength());
    return declarations;
}

}  // namespace

QString LookTheme::name(int number)
{
    return QStringLiteral("Style_") + QString::number(number);
}

std::optional<LookTheme> LookTheme::load(const QString &name, QString *error)
{
    QString ignored;
    QString &why = error ? *error : ignored;
    const QDir folder(QString::fromLatin1(ThemeFolder));
    for (const QString &entry : folder.entryList(QDir::Files)) {
        if (entry.compare(name, Qt::CaseInsensitive) != 0)
            continue;
        QFile file(folder.filePath(entry));
        if (!file.open(QIODevice::ReadOnly)) {
            why = name + QStringLiteral(": ") + file.errorString();
            return std::nullopt;
        }
        std::optional<LookTheme> theme = parse(QString::fromUtf8(file.readAll()), &why);
        if (!theme)
            why = name + QStringLiteral(": ") + why;
        return theme;
    }
    why = QStringLiteral("There is no look named ") + name;
    return std::nullopt;
}

std::optional<LookTheme> LookTheme::parse(const QString &text, QString *error)
{
    QString ignored;
    QString &why = error ? *error : ignored;
    why.clear();
    LookTheme theme;
    theme.styleSheet = text;

    const auto look = takeAtRule(&theme.styleSheet, QStringLiteral("look"), &why);
    if (!why.isEmpty())
        return std::nullopt;
    for (const auto &[key, value] : look.value_or(QList<std::pair<QString, QString>>{})) {
        if (key != QLatin1String("title")) {
            why = QStringLiteral("@look: unknown key \"%1\"").arg(key);
            return std::nullopt;
        }
        theme.title = value;
        theme.title.remove(QLatin1Char('"'));
    }

    const auto colours = takeAtRule(&theme.styleSheet, QStringLiteral("palette"), &why);
    if (!why.isEmpty())
        return std::nullopt;
    if (!colours) {
        why = QStringLiteral("no @palette");
        return std::nullopt;
    }
    const QMetaEnum roles = QMetaEnum::fromType<QPalette::ColorRole>();
    const QMetaEnum groups = QMetaEnum::fromType<QPalette::ColorGroup>();
    QList<bool> given(QPalette::NColorRoles, false);
    for (const auto &[key, value] : *colours) {
        // "Role" for every group, "Group.Role" for one.
        const QStringList names = key.split(QLatin1Char('.'));
        bool groupOk = true;
        bool roleOk = false;
        int group = -1;
        if (names.size() == 2)
            group = groups.keyToValue(names.front().toLatin1().constData(), &groupOk);
        const int role = roles.keyToValue(names.back().toLatin1().constData(), &roleOk);
        if (names.size() > 2 || !groupOk || group >= QPalette::NColorGroups || !roleOk
            || role < 0 || role >= QPalette::NColorRoles || role == QPalette::NoRole) {
            why = QStringLiteral("@palette: unknown role \"%1\"").arg(key);
            return std::nullopt;
        }
        const QColor colour = QColor::fromString(value);
        if (!colour.isValid()) {
            why = QStringLiteral("@palette: \"%1\" for %2 is not a colour").arg(value, key);
            return std::nullopt;
        }
        if (group < 0) {
            theme.palette.setColor(QPalette::ColorRole(role), colour);
            given[role] = true;
        } else {
            theme.palette.setColor(QPalette::ColorGroup(group), QPalette::ColorRole(role), colour);
        }
    }
    for (int role = 0; role < QPalette::NColorRoles; ++role) {
        if (role == QPalette::NoRole || given[role])
            continue;
        why = QStringLiteral("@palette: no colour for %1").arg(QString::fromLatin1(roles.valueToKey(role)));
        return std::nullopt;
    }
    theme.styleSheet = theme.styleSheet.trimmed();
    return theme;
}

void LookTheme::apply() const
{
    if (!qApp->property(BaseStyleProperty).toBool()) {
        if (QStyle *fusion = QStyleFactory::create(QString::fromLatin1(BaseStyle)))
            QApplication::setStyle(fusion);
        qApp->setProperty(BaseStyleProperty, true);
    }
    QApplication::setPalette(palette);
    QToolTip::setPalette(palette);

    InheritedFonts::install();
    // Re-polishes every widget, so rules that name palette() colours take
    // the new palette's.
    qApp->setStyleSheet(styleSheet);
    InheritedFonts::passDownEverywhere();
}
