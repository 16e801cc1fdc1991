#pragma once

#include <QString>

// The file version of a program file: the version resource's fixed record
// (VS_FIXEDFILEINFO, found by its signature 0xFEEF04BD), read from the file's
// bytes, so that the updater's version is read the same way on every
// platform the editor runs on.
class FileVersion {
public:
    // "major.minor" from the high and low 16 bits of the most significant
    // 32 bits of the file version (1.11.0.0 gives "1.11"); empty when the
    // file cannot be read or carries no version record.
    static QString majorMinor(const QString &path);
};
