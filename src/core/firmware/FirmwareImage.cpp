#include "firmware/FirmwareImage.h"

#include "device/HexText.h"

#include <QDir>
#include <QFile>
#include <QtEndian>

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

QString FirmwareImage::vectorTableProblem(const QByteArray &bytes)
{
    const QString notFirmware = QStringLiteral("The file is not firmware for this pedal: ");
    if (bytes.size() < 8)
        return notFirmware
               + QStringLiteral("its %1 bytes are too few for the stack pointer and reset address it starts with")
                     .arg(bytes.size());
    const std::uint32_t stack = qFromLittleEndian<quint32>(bytes.constData());
    if (stack <= RamBase || stack > RamEnd || stack % 4 != 0)
        return notFirmware
               + QStringLiteral("its stack pointer 0x%1 is not a word address in the pedal's RAM (above 0x%2, up to 0x%3)")
                     .arg(hexDigits(stack, 8), hexDigits(RamBase, 8), hexDigits(RamEnd, 8));
    const std::uint32_t reset = qFromLittleEndian<quint32>(bytes.constData() + 4);
    const std::uint32_t code = reset & ~1u;
    const std::uint32_t end = FlashBase + std::uint32_t(bytes.size());
    if ((reset & 1u) == 0 || code < FlashBase + 8 || code >= end)
        return notFirmware
               + QStringLiteral("its reset address 0x%1 is not an address inside the image (0x%2 to 0x%3) "
                                "with bit 0 set")
                     .arg(hexDigits(reset, 8), hexDigits(FlashBase + 8, 8), hexDigits(end - 1, 8));
    return {};
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
    else
        why = vectorTableProblem(bytes);
    if (!why.isEmpty()) {
        if (error)
            *error = why;
        return std::nullopt;
    }
    return FirmwareImage(bytes);
}
