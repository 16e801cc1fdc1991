#pragma once

#include <QByteArray>
#include <QString>

// A file read whole only when it is a regular file no larger than the
// largest valid file of its kind. Its kind and size are looked at before it
// is opened, so a pipe, a device or a folder is refused at once: opening a
// pipe for reading would wait for a writer, and a device may never end. A
// file larger than the bound is refused without a byte read. The file is
// then opened without waiting and looked at again through what was opened
// (the descriptor on Unix, the handle on Windows), so one swapped in between
// is refused too, and the read stops one byte past the bound should the file
// grow meanwhile. On Windows the old device names (NUL, CON, COM1 ...) and
// \\.\ paths name devices and pipes in any folder, and are refused unopened.
// One read() per platform: BoundedFile_unix.cpp and BoundedFile_win.cpp.
class BoundedFile {
public:
    enum class Outcome {
        Read,      // bytes() holds the whole file
        Missing,   // nothing is at the path
        NotAFile,  // a folder, a pipe, a device or a socket
        TooLarge,  // size() is more than the bound
        Failed,    // it could not be opened or read
    };

    // Reads `path` when it is a regular file of at most maxBytes bytes.
    BoundedFile(const QString &path, qint64 maxBytes);

    Outcome outcome() const { return m_outcome; }
    bool ok() const { return m_outcome == Outcome::Read; }
    const QByteArray &bytes() const { return m_bytes; }
    // The file's size as found; -1 when it is not known.
    qint64 size() const { return m_size; }
    // What was wrong in plain words, empty after a read: "it is a folder, not
    // a file", "it is 300000000 bytes, more than the 65536 expected", or the
    // system's words ("Permission denied").
    QString errorString() const { return m_reason; }

private:
    void read(const QString &path, qint64 maxBytes);
    void refuse(Outcome outcome, const QString &reason);
    void refuseTooLarge(qint64 size, qint64 maxBytes);

    Outcome m_outcome = Outcome::Failed;
    QByteArray m_bytes;
    qint64 m_size = -1;
    QString m_reason;
};
