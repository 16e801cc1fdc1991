#include "updates/UpdatePreference.h"

#include "app/CheckedFile.h"

#include <QDir>
#include <QFile>
#include <QStringDecoder>

namespace {

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
    QFile file(m_path);
    if (!file.exists()) {
        // A folder that could not be made was reported at start-up; a file
        // that cannot be written is not made at all, and is tried again at
        // the next start.
        CheckedFile::write(m_path, QByteArrayLiteral("YES"), nullptr);
        return true;
    }
    if (!file.open(QIODevice::ReadOnly))
        return true;
    const QString text = decode(file.readAll()).trimmed();
    return text != QLatin1String("NO");
}

bool UpdatePreference::write(bool show, QString *error)
{
    if (!QFile::exists(m_path))
        return false;
    return CheckedFile::write(m_path, show ? QByteArrayLiteral("YES") : QByteArrayLiteral("NO"), error);
}
