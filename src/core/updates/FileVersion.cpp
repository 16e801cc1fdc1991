#include "updates/FileVersion.h"

#include <QFile>
#include <QtEndian>

namespace {

// A program file larger than this is not an updater.
constexpr qint64 kLargestFile = 256 * 1024 * 1024;

}  // namespace

QString FileVersion::majorMinor(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kLargestFile)
        return {};
    const QByteArray bytes = file.readAll();
    // The record: signature, structure version, file version (most, then
    // least significant 32 bits), all little-endian and 32-bit aligned
    // within the resource.
    static const QByteArray signature = QByteArray::fromHex("BD04EFFE");
    for (qsizetype at = bytes.indexOf(signature); at >= 0; at = bytes.indexOf(signature, at + 1)) {
        if (at + 12 > bytes.size())
            break;
        const quint32 structVersion = qFromLittleEndian<quint32>(bytes.constData() + at + 4);
        if (structVersion != 0x00010000)
            continue;  // the signature's bytes by chance, not a record
        const quint32 most = qFromLittleEndian<quint32>(bytes.constData() + at + 8);
        return QStringLiteral("%1.%2").arg(most >> 16).arg(most & 0xFFFF);
    }
    return {};
}
