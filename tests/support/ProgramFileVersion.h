#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QtEndian>

// Writes a stand-in program file whose version resource record
// (VS_FIXEDFILEINFO) says major.minor.0.0, between other bytes, as a
// Windows program carries it.
inline bool writeProgramWithVersion(const QString &path, quint16 major, quint16 minor)
{
    QByteArray bytes("MZ");
    bytes += QByteArray(126, '\0');
    // The signature's bytes once by chance, without the record's layout.
    bytes += QByteArray::fromHex("BD04EFFE") + QByteArray(8, '\x7F');
    bytes += QByteArray(4 - bytes.size() % 4, '\0');
    auto put = [&bytes](quint32 value) {
        char le[4];
        qToLittleEndian(value, le);
        bytes.append(le, 4);
    };
    put(0xFEEF04BD);
    put(0x00010000);
    put((quint32(major) << 16) | minor);
    put(0);
    bytes += QByteArray(64, '\0');
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}
