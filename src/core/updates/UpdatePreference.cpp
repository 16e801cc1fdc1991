#include "updates/UpdatePreference.h"

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
        // A folder that could not be made was reported at start-up.
        if (file.open(QIODevice::WriteOnly))
            file.write("YES");
        return true;
    }
    if (!file.open(QIODevice::ReadOnly))
        return true;
    const QString text = decode(file.readAll()).trimmed();
    return text != QLatin1String("NO");
}

bool UpdatePreference::write(bool show)
{
    QFile file(m_path);
    if (!file.exists() || !file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const QByteArray text = show ? QByteArrayLiteral("YES") : QByteArrayLiteral("NO");
    return file.write(text) == text.size();
}
