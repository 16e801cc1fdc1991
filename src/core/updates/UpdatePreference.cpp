#include "updates/UpdatePreference.h"

#include "app/BoundedFile.h"
#include "app/CheckedFile.h"

#include <QDir>
#include <QFile>
#include <QStringDecoder>

namespace {

// "YES" or "NO" with white space around it, even in four-byte characters
// after a byte-order mark, is well under this; a longer file holds neither
// and is not read.
constexpr qint64 MaxContentBytes = 256;

QString decode(const QByteArray &bytes)
{
    if (const std::optional<QStringConverter::Encoding> marked = QStringConverter::encodingForData(bytes)) {
        QStringDecoder decoder(*marked);
        return decoder(bytes);
    }
    QStringDecoder utf8(QStringConverter::Utf8);
    const QString text = utf8(bytes);
    if (!utf8.hasError())
        return text;
    QStringDecoder system(QStringConverter::System);
    return system(bytes);
}

}  // namespace

UpdatePreference::UpdatePreference(const QString &subfolder)
    : m_path(QDir(subfolder).filePath(QString::fromLatin1(FileName)))
{
}

bool UpdatePreference::LoadShowUpdateMessagePreference()
{
    const BoundedFile file(m_path, MaxContentBytes);
    if (file.outcome() == BoundedFile::Outcome::Missing) {
        // A folder that could not be made was reported at start-up; a file
        // that cannot be written is not made at all, and is tried again at
        // the next start.
        CheckedFile::write(m_path, QByteArrayLiteral("YES"), nullptr);
        return true;
    }
    // Anything that cannot be read, or is too long to be "NO", means YES.
    if (!file.ok())
        return true;
    const QString text = decode(file.bytes()).trimmed();
    return text != QLatin1String("NO");
}

bool UpdatePreference::write(bool show, QString *error)
{
    if (!QFile::exists(m_path))
        return false;
    return CheckedFile::write(m_path, show ? QByteArrayLiteral("YES") : QByteArrayLiteral("NO"), error);
}
