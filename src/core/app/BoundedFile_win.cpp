// BoundedFile's read on Windows (BoundedFile_unix.cpp holds Unix'). The build
// compiles every source file; this one holds code only on Windows.
#include "app/BoundedFile.h"

#include <QtGlobal>

#ifdef Q_OS_WIN

#include <QDir>
#include <qt_windows.h>
#include <string>

namespace {

QString systemError(DWORD error)
{
    return qt_error_string(int(error));
}

bool isMissing(DWORD error)
{
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

const QString Folder = QStringLiteral("it is a folder, not a file");
const QString Pipe = QStringLiteral("it is a pipe, not a file");
const QString Device = QStringLiteral("it is a device, not a file");

// What a path names when it names no file at all, told without opening it:
// the system maps the old device names (NUL, CON, COM1, LPT1 ...) to
// \\.\NUL and so on, and a \\.\ path reaches a device or a pipe directly.
// Opening one could do something of its own (a serial port raises its
// lines, a pipe's server sees a client), so neither is opened. Empty for
// anything else; the opened handle is looked at again all the same.
QString deviceKind(const std::wstring &name)
{
    DWORD size = GetFullPathNameW(name.c_str(), 0, nullptr, nullptr);
    if (size == 0)
        return {};
    std::wstring full(size, L'\0');
    size = GetFullPathNameW(name.c_str(), size, full.data(), nullptr);
    full.resize(size);
    const QString path = QString::fromStdWString(full);
    if (path.startsWith(QLatin1String("\\\\.\\pipe\\"), Qt::CaseInsensitive))
        return Pipe;
    if (path.startsWith(QLatin1String("\\\\.\\")))
        return Device;
    return {};
}

// Plain words for what an opened handle is when it is not a file on a disk;
// empty for one that is.
QString handleKind(HANDLE file, DWORD *error)
{
    *error = NO_ERROR;
    switch (GetFileType(file)) {
    case FILE_TYPE_DISK:
        return {};
    case FILE_TYPE_CHAR:
        return Device;
    case FILE_TYPE_PIPE:
        return Pipe;
    default:
        *error = GetLastError();
        return QStringLiteral("it is not a regular file");
    }
}

qint64 sizeOf(DWORD high, DWORD low)
{
    return qint64((quint64(high) << 32) | low);
}

}  // namespace

void BoundedFile::read(const QString &path, qint64 maxBytes)
{
    const std::wstring name = QDir::toNativeSeparators(path).toStdWString();
    // Looked at before it is opened.
    const QString device = deviceKind(name);
    if (!device.isEmpty())
        return refuse(Outcome::NotAFile, device);
    WIN32_FILE_ATTRIBUTE_DATA before {};
    if (!GetFileAttributesExW(name.c_str(), GetFileExInfoStandard, &before)) {
        const DWORD error = GetLastError();
        return refuse(isMissing(error) ? Outcome::Missing : Outcome::Failed, systemError(error));
    }
    if (before.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        return refuse(Outcome::NotAFile, Folder);
    if (before.dwFileAttributes & FILE_ATTRIBUTE_DEVICE)
        return refuse(Outcome::NotAFile, Device);
    if (sizeOf(before.nFileSizeHigh, before.nFileSizeLow) > maxBytes)
        return refuseTooLarge(sizeOf(before.nFileSizeHigh, before.nFileSizeLow), maxBytes);

    // Opened for reading only, never waiting: Windows opens a pipe without a
    // writer at once (or fails), and a pipe's server may not act as us.
    // Backup semantics let a folder swapped in meanwhile be opened and named.
    const HANDLE file = CreateFileW(name.c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS | SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION,
                                    nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        return refuse(isMissing(error) ? Outcome::Missing : Outcome::Failed, systemError(error));
    }
    // Believed only when what was opened is still a file within the bound.
    DWORD error = NO_ERROR;
    BY_HANDLE_FILE_INFORMATION opened {};
    const QString kind = handleKind(file, &error);
    if (error != NO_ERROR) {
        refuse(Outcome::Failed, systemError(error));
    } else if (!kind.isEmpty()) {
        refuse(Outcome::NotAFile, kind);
    } else if (!GetFileInformationByHandle(file, &opened)) {
        refuse(Outcome::Failed, systemError(GetLastError()));
    } else if (opened.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        refuse(Outcome::NotAFile, Folder);
    } else if (sizeOf(opened.nFileSizeHigh, opened.nFileSizeLow) > maxBytes) {
        refuseTooLarge(sizeOf(opened.nFileSizeHigh, opened.nFileSizeLow), maxBytes);
    } else {
        // One byte past the bound tells a file that grew since.
        m_bytes.resize(qsizetype(maxBytes) + 1);
        qsizetype total = 0;
        while (total < m_bytes.size()) {
            const DWORD wanted = DWORD(qMin<qsizetype>(m_bytes.size() - total, 1 << 30));
            DWORD got = 0;
            if (!ReadFile(file, m_bytes.data() + total, wanted, &got, nullptr)) {
                error = GetLastError();
                break;
            }
            if (got == 0)
                break;
            total += got;
        }
        if (error != NO_ERROR) {
            refuse(Outcome::Failed, systemError(error));
        } else if (total > maxBytes) {
            refuseTooLarge(total, maxBytes);
        } else {
            m_bytes.truncate(total);
            m_size = total;
            m_outcome = Outcome::Read;
        }
    }
    CloseHandle(file);
}

#endif  // Q_OS_WIN
