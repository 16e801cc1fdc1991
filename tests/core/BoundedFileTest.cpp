// BoundedFile on real paths: files read whole within their bound, and
// everything that is no file refused unread with its kind in plain words:
// folders everywhere, fifos and device files on Unix, the device names and
// pipes of Windows.

#include "PipeDeadline.h"
#include "QtPrinters.h"
#include "app/BoundedFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif
#ifdef Q_OS_WIN
#include <QCoreApplication>
#include <qt_windows.h>
#endif

namespace {

using Outcome = BoundedFile::Outcome;

class BoundedFileTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }

    QString put(const QString &name, const QByteArray &bytes) const
    {
        QFile file(dir.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        EXPECT_EQ(file.write(bytes), bytes.size());
        return file.fileName();
    }

    QTemporaryDir dir;
};

TEST_F(BoundedFileTest, AFileWithinItsBoundIsReadWhole)
{
    const QByteArray cases[] = {"", "x", QByteArray(99, 'a'), QByteArray(100, 'b')};
    for (const QByteArray &bytes : cases) {
        SCOPED_TRACE(bytes.size());
        const BoundedFile file(put("file.txt", bytes), 100);
        EXPECT_EQ(file.outcome(), Outcome::Read) << file.errorString();
        EXPECT_TRUE(file.ok());
        EXPECT_EQ(file.bytes(), bytes);
        EXPECT_EQ(file.size(), bytes.size());
        EXPECT_TRUE(file.errorString().isEmpty()) << file.errorString();
    }
}

TEST_F(BoundedFileTest, AFileOverItsBoundIsRefusedUnread)
{
    const BoundedFile file(put("big.bin", QByteArray(101, 'z')), 100);
    EXPECT_EQ(file.outcome(), Outcome::TooLarge);
    EXPECT_TRUE(file.bytes().isEmpty());
    EXPECT_EQ(file.size(), 101);
    EXPECT_EQ(file.errorString(), "it is 101 bytes, more than the 100 expected");
}

TEST_F(BoundedFileTest, NothingAtThePathIsMissing)
{
    for (const QString &path : {dir.filePath("none.txt"), dir.filePath("no-folder/none.txt")}) {
        SCOPED_TRACE(path);
        const BoundedFile file(path, 100);
        EXPECT_EQ(file.outcome(), Outcome::Missing);
        EXPECT_FALSE(file.errorString().isEmpty());
        EXPECT_TRUE(file.bytes().isEmpty());
    }
}

// Everything that is no file, by the words that name it.
struct NotAFile {
    QString path;
    QString words;
};

#ifdef Q_OS_WIN
// A named pipe's server end, waiting for a client without blocking, so the
// test can tell whether the reader connected to it.
class PipeServer {
public:
    explicit PipeServer(const QString &name)
        : m_name(QStringLiteral("//./pipe/") + name),
          m_pipe(CreateNamedPipeW(QDir::toNativeSeparators(m_name).toStdWString().c_str(),
                                  PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE | PIPE_NOWAIT, 1, 4096, 4096, 0,
                                  nullptr))
    {
    }
    ~PipeServer()
    {
        if (m_pipe != INVALID_HANDLE_VALUE)
            CloseHandle(m_pipe);
    }
    bool isValid() const { return m_pipe != INVALID_HANDLE_VALUE; }
    QString path() const { return m_name; }
    bool clientConnected() const
    {
        return !ConnectNamedPipe(m_pipe, nullptr) && GetLastError() == ERROR_PIPE_CONNECTED;
    }

private:
    QString m_name;
    HANDLE m_pipe;
};
#endif

TEST_F(BoundedFileTest, WhatIsNoFileIsRefusedUnreadWithItsKind)
{
    ASSERT_TRUE(QDir(dir.path()).mkdir("folder"));
    std::vector<NotAFile> cases = {
        {dir.filePath("folder"), "it is a folder, not a file"},
        {dir.path() + "/folder/", "it is a folder, not a file"},
    };
#ifdef Q_OS_UNIX
    const QString fifo = dir.filePath("fifo");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    cases.push_back({fifo, "it is a pipe, not a file"});
    cases.push_back({"/dev/null", "it is a device, not a file"});
    cases.push_back({"/dev/zero", "it is a device, not a file"});
#endif
#ifdef Q_OS_WIN
    // The old device names name a device in any folder, whatever the case.
    for (const char *device : {"NUL", "CON", "COM1", "nul", "LPT1"})
        cases.push_back({QString::fromLatin1(device), "it is a device, not a file"});
    cases.push_back({dir.filePath("NUL"), "it is a device, not a file"});
    cases.push_back({"//./NUL", "it is a device, not a file"});
    cases.push_back({"\\\\.\\CON", "it is a device, not a file"});
    const PipeServer pipe(QStringLiteral("sombrant-bounded-file-%1").arg(QCoreApplication::applicationPid()));
    ASSERT_TRUE(pipe.isValid()) << qt_error_string(int(GetLastError())).toStdString();
    cases.push_back({pipe.path(), "it is a pipe, not a file"});
#endif
    for (const NotAFile &c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        const BoundedFile file = withinDeadline(c.path, [&] { return BoundedFile(c.path, 100); });
        EXPECT_EQ(file.outcome(), Outcome::NotAFile);
        EXPECT_EQ(file.errorString(), c.words);
        EXPECT_TRUE(file.bytes().isEmpty());
    }
#ifdef Q_OS_WIN
    EXPECT_FALSE(pipe.clientConnected()) << "the pipe was refused without being opened";
#endif
}

#ifdef Q_OS_WIN
// A device is refused whatever the bound: NUL would read as empty, CON would
// wait for the keyboard.
TEST_F(BoundedFileTest, ADeviceIsRefusedEvenWhenNothingWouldBeTooLarge)
{
    for (const char *device : {"NUL", "CON"}) {
        SCOPED_TRACE(device);
        const BoundedFile file = withinDeadline(QString::fromLatin1(device),
                                                [&] { return BoundedFile(QString::fromLatin1(device), 1 << 20); });
        EXPECT_EQ(file.outcome(), Outcome::NotAFile);
        EXPECT_EQ(file.size(), -1);
    }
}
#endif

}  // namespace
