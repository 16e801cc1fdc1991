// BoundedFile's read on Unix (BoundedFile_win.cpp holds Windows'). The build
// compiles every source file; this one holds code only on Unix.
#include "app/BoundedFile.h"

#include <QtGlobal>

#ifdef Q_OS_UNIX

#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// Plain words for what a path that is no regular file is.
QString kindOf(mode_t mode)
{
    if (S_ISDIR(mode))
        return QStringLiteral("it is a folder, not a file");
    if (S_ISFIFO(mode))
        return QStringLiteral("it is a pipe, not a file");
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return QStringLiteral("it is a device, not a file");
    if (S_ISSOCK(mode))
        return QStringLiteral("it is a socket, not a file");
    return QStringLiteral("it is not a regular file");
}

}  // namespace

void BoundedFile::read(const QString &path, qint64 maxBytes)
{
    const QByteArray name = QFile::encodeName(path);
    // Looked at before it is opened: opening a pipe would wait for a writer,
    // and opening a device may do something of its own.
    struct stat before {};
    if (::stat(name.constData(), &before) != 0) {
        const int error = errno;
        refuse(error == ENOENT ? Outcome::Missing : Outcome::Failed, systemError(error));
        return;
    }
    if (!S_ISREG(before.st_mode))
        return refuse(Outcome::NotAFile, kindOf(before.st_mode));
    if (before.st_size > maxBytes)
        return refuseTooLarge(before.st_size, maxBytes);

    // Opened without waiting, and believed only when what was opened is
    // still a regular file within the bound.
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        refuse(error == ENOENT ? Outcome::Missing : Outcome::Failed, systemError(error));
        return;
    }
    struct stat opened {};
    if (::fstat(fd, &opened) != 0) {
        refuse(Outcome::Failed, systemError(errno));
    } else if (!S_ISREG(opened.st_mode)) {
        refuse(Outcome::NotAFile, kindOf(opened.st_mode));
    } else if (opened.st_size > maxBytes) {
        refuseTooLarge(opened.st_size, maxBytes);
    } else {
        // One byte past the bound tells a file that grew since.
        m_bytes.resize(qsizetype(maxBytes) + 1);
        qsizetype total = 0;
        int error = 0;
        while (total < m_bytes.size()) {
            const ssize_t n = ::read(fd, m_bytes.data() + total, size_t(m_bytes.size() - total));
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0) {
                error = errno;
                break;
            }
            if (n == 0)
                break;
            total += n;
        }
        if (error != 0) {
            refuse(Outcome::Failed, systemError(error));
        } else if (total > maxBytes) {
            refuseTooLarge(total, maxBytes);
        } else {
            m_bytes.truncate(total);
            m_size = total;
            m_outcome = Outcome::Read;
        }
    }
    ::close(fd);
}

#endif  // Q_OS_UNIX
