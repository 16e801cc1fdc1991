#pragma once

#include "device/HexText.h"

#include <QString>
#include <cstdint>
#include <cstdio>

// What the tool prints: results on standard output, one line each, errors on
// standard error; both flushed, so a script reading them line by line sees
// each as it is written.

inline void out(const QString &line)
{
    std::fprintf(stdout, "%s\n", line.toLocal8Bit().constData());
    std::fflush(stdout);
}

inline void err(const QString &line)
{
    std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
    std::fflush(stderr);
}

// A number as 0x and `digits` upper-case hexadecimal digits.
inline QString hex(std::uint32_t value, int digits)
{
    return QStringLiteral("0x") + hexDigits(value, digits);
}
