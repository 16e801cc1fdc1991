#include "app/CheckedFile.h"

#include <QDir>
#include <QFileInfo>
#include <cerrno>
#include <cstring>

CheckedFile::CheckedFile(const QString &path) : m_path(path), m_file(path) {}

bool CheckedFile::open()
{
    m_replacing = QFileInfo::exists(m_path);
    if (!m_file.open(QIODevice::WriteOnly)) {
        m_reason = m_file.errorString();
        return false;
    }
    return true;
}

QString CheckedFile::failedWriteReason() const
{
    // A write that stops part way (the disk filled up, or a size limit was
    // reached) leaves the file device without an error text of its own; the
    // system's error of the call that failed says what happened.
    const int systemError = errno;
    if (systemError != 0)
        return QString::fromLocal8Bit(std::strerror(systemError));
    if (m_file.error() != QFileDevice::NoError)
        return m_file.errorString();
    return QStringLiteral("not all of the data could be written");
}

bool CheckedFile::append(const QByteArray &bytes)
{
    if (failed() || !m_file.isOpen())
        return false;
    errno = 0;
    if (m_file.write(bytes) != bytes.size()) {
        fail(failedWriteReason());
        return false;
    }
    return true;
}

bool CheckedFile::commit()
{
    if (failed() || !m_file.isOpen())
        return false;
    errno = 0;
    if (!m_file.flush()) {
        fail(failedWriteReason());
        return false;
    }
    // A commit that fails (the rename) removes the temporary file itself.
    if (!m_file.commit()) {
        m_reason = m_file.errorString();
        return false;
    }
    return true;
}

void CheckedFile::cancel()
{
    if (!m_file.isOpen())
        return;
    // A commit after cancelWriting() removes the temporary file and renames
    // nothing.
    m_file.cancelWriting();
    m_file.commit();
}

void CheckedFile::fail(const QString &reason)
{
    m_reason = reason;
    cancel();
}

QString CheckedFile::message() const
{
    QString text = QDir::toNativeSeparators(m_path) + QStringLiteral(": ") + m_reason;
    if (m_replacing)
        text += QStringLiteral("; the previous file is unchanged");
    return text;
}

bool CheckedFile::write(const QString &path, const QByteArray &bytes, QString *error)
{
    CheckedFile file(path);
    if (file.open() && file.append(bytes) && file.commit())
        return true;
    if (error)
        *error = file.message();
    return false;
}
