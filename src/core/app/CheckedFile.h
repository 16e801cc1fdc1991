#pragma once

#include <QByteArray>
#include <QSaveFile>
#include <QString>

// A file written whole or not at all. The bytes go to a temporary file beside
// it that takes the file's place only when every write took all its bytes,
// the buffered bytes were written out and the rename succeeded. Any failure
// discards the temporary file, so a file that was there stays byte for byte
// as it was, and the failure is named in plain words.
//
// QSaveFile alone does not do this: its write() only fills a buffer, and its
// commit() renames even when writing that buffer out failed, so on a full
// disk it replaces the old file with a short or empty one.
//
// For a file written in one go, write(); for one that arrives in pieces (a
// download), open(), append() each piece, then commit().
class CheckedFile {
public:
    explicit CheckedFile(const QString &path);
    // Discards what was not committed.
    ~CheckedFile() = default;
    CheckedFile(const CheckedFile &) = delete;
    CheckedFile &operator=(const CheckedFile &) = delete;

    // Starts the temporary file; false when it cannot be made.
    bool open();
    // Adds bytes; false when not all of them were taken, or after an earlier
    // failure. A failure discards the temporary file; later calls do nothing.
    bool append(const QByteArray &bytes);
    // Writes out what is buffered and puts the file in place of the old one;
    // false when this or anything before it failed.
    bool commit();
    // Gives up: the temporary file goes, the old file stays.
    void cancel();

    bool failed() const { return !m_reason.isEmpty(); }
    // What went wrong in the system's words ("No space left on device");
    // empty while nothing has.
    QString errorString() const { return m_reason; }
    // Whether a file was at the path when writing began: after a failure it
    // is still there, unchanged.
    bool replacing() const { return m_replacing; }
    // The path and what went wrong, and that the previous file is unchanged
    // when there was one: "/home/me/a.txt: No space left on device; the
    // previous file is unchanged".
    QString message() const;

    // open(), append(bytes) and commit(); false with *error = message().
    static bool write(const QString &path, const QByteArray &bytes, QString *error);

private:
    void fail(const QString &reason);
    QString failedWriteReason() const;

    QString m_path;
    QSaveFile m_file;
    QString m_reason;
    bool m_replacing = false;
};
