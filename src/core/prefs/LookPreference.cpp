#include "prefs/LookPreference.h"

#include "app/BoundedFile.h"
#include "app/CheckedFile.h"
#include "app/SettingsFolders.h"

#include <QDir>
#include <QStringDecoder>

namespace {

// A look number with generous white space is a few bytes; a longer file is
// not one, and is refused unread.
constexpr qint64 MaxContentBytes = 256;

// The content as the log quotes it: line ends and tabs visible, long texts cut.
QString quoted(const QString &text)
{
    constexpr qsizetype MaxShown = 24;
    QString shown = text.left(MaxShown);
    shown.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    shown.replace(QLatin1Char('\r'), QStringLiteral("\\r"));
    shown.replace(QLatin1Char('\n'), QStringLiteral("\\n"));
    shown.replace(QLatin1Char('\t'), QStringLiteral("\\t"));
    if (text.size() > MaxShown)
        shown += QStringLiteral("...");
    return QLatin1Char('"') + shown + QLatin1Char('"');
}

QString decoded(const QByteArray &content)
{
    // The decoder drops a leading byte-order mark, as some editors write one.
    QStringDecoder utf8(QStringDecoder::Utf8);
    return utf8.decode(content);
}

}  // namespace

LookPreference::LookPreference(QString documents) : m_documents(std::move(documents)) {}

QString LookPreference::filePath() const
{
    return QDir(QDir(m_documents).filePath(QString::fromLatin1(SettingsFolders::FolderName)))
        .filePath(QString::fromLatin1(FileName));
}

std::optional<int> LookPreference::parse(const QByteArray &content)
{
    const QString text = decoded(content).trimmed();
    if (text.isEmpty())
        return std::nullopt;
    // Digits only: no sign, no point, no other script's digits.
    for (QChar c : text)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
    bool ok = false;
    const int look = text.toInt(&ok);
    if (!ok || look >= LookCount)
        return std::nullopt;
    return look;
}

LookPreference::Saved LookPreference::read() const
{
    Saved saved;
    const QString name = QString::fromLatin1(FileName);
    if (m_documents.isEmpty())
        return saved;
    const BoundedFile file(filePath(), MaxContentBytes);
    if (file.outcome() == BoundedFile::Outcome::Missing)
        return saved;
    if (file.outcome() == BoundedFile::Outcome::TooLarge) {
        saved.problem = name + QStringLiteral(" holds %1 bytes, too many for a look number: Style_0 applied")
                                   .arg(file.size());
        return saved;
    }
    if (!file.ok()) {
        saved.problem = name + QStringLiteral(" could not be read (") + file.errorString()
                        + QStringLiteral("): Style_0 applied");
        return saved;
    }
    const QByteArray &content = file.bytes();
    if (const std::optional<int> look = parse(content)) {
        saved.look = *look;
        return saved;
    }
    const QString text = decoded(content);
    if (text.trimmed().isEmpty())
        saved.problem = name + QStringLiteral(" holds no look number: Style_0 applied");
    else
        saved.problem = name + QStringLiteral(" holds ") + quoted(text)
                        + QStringLiteral(", not a look number from 0 to 7: Style_0 applied");
    return saved;
}

bool LookPreference::write(int look, QString *error) const
{
    auto fail = [&](const QString &why, bool kept = false) {
        if (error)
            *error = QString::fromLatin1(FileName) + QStringLiteral(" could not be written (") + why
                     + (kept ? QStringLiteral("); the previous choice is unchanged") : QStringLiteral(")"));
        return false;
    };
    if (look < 0 || look >= LookCount)
        return fail(QStringLiteral("no look %1").arg(look));
    if (m_documents.isEmpty())
        return fail(QStringLiteral("no Documents folder was found"));
    CheckedFile file(filePath());
    if (!file.open() || !file.append(QByteArray::number(look)) || !file.commit())
        return fail(file.errorString(), file.replacing());
    return true;
}
