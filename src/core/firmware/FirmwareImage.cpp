#include "firmware/FirmwareImage.h"

#include <QDir>
#include <QFile>

#include <algorithm>

namespace {

const QString kResourceFolder = QStringLiteral(":/firmware");
const QString kNamePrefix = QStringLiteral("FIRMWARE_");

}  // namespace

QString FirmwareImage::resourceName(int number)
{
    return kNamePrefix + QString::number(number);
}

QList<int> FirmwareImage::firmware_numbers()
{
    QList<int> numbers;
    const QStringList entries = QDir(kResourceFolder).entryList(QDir::Files);
    for (const QString &entry : entries) {
        if (!entry.startsWith(kNamePrefix, Qt::CaseInsensitive))
            continue;
        bool ok = false;
        const int number = entry.mid(kNamePrefix.size()).toInt(&ok, 10);
        // Only a name that loadResource() finds by this number: not "FIRMWARE_08".
        if (ok && entry.compare(resourceName(number), Qt::CaseInsensitive) == 0)
            numbers.append(number);
    }
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    return numbers;
}

int FirmwareImage::newestNumber()
{
    const QList<int> numbers = firmware_numbers();
    return numbers.isEmpty() ? 0 : numbers.last();
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
