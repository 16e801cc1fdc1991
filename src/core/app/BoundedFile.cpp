#include "app/BoundedFile.h"

// What every platform shares; the reading itself is in BoundedFile_unix.cpp
// and BoundedFile_win.cpp, one for each platform.

BoundedFile::BoundedFile(const QString &path, qint64 maxBytes)
{
    read(path, maxBytes);
}

void BoundedFile::refuse(Outcome outcome, const QString &reason)
{
    m_outcome = outcome;
    m_reason = reason;
    m_bytes.clear();
}

void BoundedFile::refuseTooLarge(qint64 size, qint64 maxBytes)
{
    m_size = size;
    refuse(Outcome::TooLarge, QStringLiteral("it is %1 bytes, more than the %2 expected").arg(size).arg(maxBytes));
}
