#include "firmware/FirmwareImage.h"

#include <QDir>
#include <QFile>

namespace {

const QString kResourceFolder = QStringLiteral(":/firmware");

}  // namespace

QString FirmwareImage::resourceName(int number)
{
    return QStringLiteral("FIRMWARE_%1").arg(number);
}

std::optional<QByteArray> FirmwareImage::loadResource(const QString &name, QString *error)
{
    QString path;
    const QStringList entries = QDir(kResourceFolder).entryList(QDir::Files);
    for (const QString &entry : entries)
        if (entry.compare(name, Qt::CaseInsensitive) == 0)
            path = kResourceFolder + QLatin1Char('/') + entry;
    if (path.isEmpty()) {
        if (error)
            *error = QStringLiteral("Error loading resource: Resource %1 not found").arg(name);
        return std::nullopt;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("Error loading resource: ") + file.errorString();
        return std::nullopt;
    }
    return file.readAll();
}

std::optional<FirmwareImage> FirmwareImage::fromBytes(const QByteArray &bytes, QString *error)
{
    QString why;
    if (bytes.isEmpty())
        why = QStringLiteral("The firmware image is empty");
    else if (bytes.size() > MaxBytes)
        why = QStringLiteral("The firmware image of %1 bytes is larger than the %2 bytes of flash "
                             "below the version record")
                  .arg(bytes.size())
                  .arg(MaxBytes);
    if (!why.isEmpty()) {
        if (error)
            *error = why;
        return std::nullopt;
    }
    return FirmwareImage(bytes);
}
