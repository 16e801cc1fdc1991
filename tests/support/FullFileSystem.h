#pragma once

#include <QByteArray>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QtGlobal>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#include <cstddef>
#include <cstring>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>
#endif

// A folder whose files cannot grow, or grow only a little, for writers that
// must keep an old file whole. The failure comes from the operating system,
// not from a seam in the code under test:
// - as root, where mounting is allowed, the folder is a small tmpfs, and
//   fill() takes all of it but `room` bytes with a filler file: writes fail
//   with ENOSPC;
// - otherwise it is an ordinary folder, and whileFull() lowers the soft
//   RLIMIT_FSIZE to `room` bytes (SIGXFSZ ignored): writes past that fail
//   with EFBIG. Programs started inside whileFull() inherit both.
// With some room, a write larger than it stops part way.
// Make the folders and files the test needs, then fill(), then run the write
// inside whileFull(), and keep test assertions outside of it.
// Windows has neither: there a test begins with
//     if (const char *why = FullFileSystem::unavailable()) GTEST_SKIP() << why;
class FullFileSystem {
public:
    // Why no full file system can be made here; nullptr where one can.
    static const char *unavailable()
    {
#ifdef Q_OS_UNIX
        return nullptr;
#else
        return "Windows can neither mount a small file system nor limit the size of a "
               "program's files, the two ways a test fills the disk";
#endif
    }

#ifdef Q_OS_UNIX
    // kib: the tmpfs's size, room for the files the test puts there first.
    explicit FullFileSystem(int kib = 16)
    {
        const QByteArray options = "size=" + QByteArray::number(kib) + "k";
        if (m_dir.isValid() && ::geteuid() == 0)
            m_mounted = ::mount("tmpfs", QFile::encodeName(m_dir.path()).constData(), "tmpfs", 0, options.constData()) == 0;
    }
    ~FullFileSystem()
    {
        if (m_mounted && ::umount(QFile::encodeName(m_dir.path()).constData()) != 0)
            ::umount2(QFile::encodeName(m_dir.path()).constData(), MNT_DETACH);
    }
#else
    explicit FullFileSystem(int kib = 16) { Q_UNUSED(kib); }
#endif
    FullFileSystem(const FullFileSystem &) = delete;
    FullFileSystem &operator=(const FullFileSystem &) = delete;

    bool isValid() const { return m_dir.isValid(); }
    bool mounted() const { return m_mounted; }
    QString path() const { return m_dir.path(); }
    QString filePath(const QString &name) const { return m_dir.filePath(name); }

    // Puts `bytes` at `name` (a path below the folder), making its folders.
    bool put(const QString &name, const QByteArray &bytes) const
    {
        QFile file(filePath(name));
        return QDir().mkpath(QFileInfo(file).absolutePath()) && file.open(QIODevice::WriteOnly)
               && file.write(bytes) == bytes.size() && file.flush();
    }

#ifdef Q_OS_UNIX
    // On the tmpfs, writes a filler file until there is no space left, then
    // gives back `room` bytes (whole pages of 4096); true when that worked.
    // In the ordinary folder, `room` is the size files may grow to.
    bool fill(qint64 room = 0)
    {
        m_room = room;
        if (!m_mounted)
            return true;
        const int fd = ::open(QFile::encodeName(filePath(FillerName)).constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        if (fd < 0)
            return false;
        const QByteArray block(4096, 'f');
        qint64 size = 0;
        ssize_t n = 0;
        while ((n = ::write(fd, block.constData(), std::size_t(block.size()))) > 0)
            size += n;
        bool full = n < 0 && errno == ENOSPC;
        if (full && room > 0)
            full = size >= room && ::ftruncate(fd, off_t(size - room)) == 0;
        ::close(fd);
        return full;
    }

    // Runs `call` while files cannot grow (beyond the room fill() left) and
    // returns its result.
    template <typename Call>
    auto whileFull(Call call) const
    {
        if (m_mounted)
            return call();
        struct sigaction ignore {}, previous {};
        ignore.sa_handler = SIG_IGN;
        ::sigaction(SIGXFSZ, &ignore, &previous);
        rlimit saved{};
        ::getrlimit(RLIMIT_FSIZE, &saved);
        rlimit lowered = saved;
        lowered.rlim_cur = rlim_t(m_room);
        ::setrlimit(RLIMIT_FSIZE, &lowered);
        struct Restore {
            rlimit limit;
            struct sigaction action;
            ~Restore()
            {
                ::setrlimit(RLIMIT_FSIZE, &limit);
                ::sigaction(SIGXFSZ, &action, nullptr);
            }
        } restore{saved, previous};
        return call();
    }

    // The system's words for the failure a write meets.
    QString reason() const { return QString::fromLocal8Bit(std::strerror(m_mounted ? ENOSPC : EFBIG)); }
#else
    // Nothing fills up here (see unavailable()).
    bool fill(qint64 room = 0)
    {
        m_room = room;
        return false;
    }
    template <typename Call>
    auto whileFull(Call call) const
    {
        return call();
    }
    QString reason() const { return {}; }
#endif

    // Every file and folder below the folder, the filler included, by its
    // path from there, sorted.
    QStringList entries() const
    {
        QStringList names;
        QDirIterator it(path(), QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        while (it.hasNext())
            names << QDir(path()).relativeFilePath(it.next());
        names.sort();
        return names;
    }

    static constexpr const char *FillerName = "filler";

private:
    QTemporaryDir m_dir;
    bool m_mounted = false;
    qint64 m_room = 0;
};
