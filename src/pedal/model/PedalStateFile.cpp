#include "model/PedalStateFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <cerrno>
#include <cstring>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif
#ifdef Q_OS_WIN
#include <qt_windows.h>
#include <string>
#endif

namespace {

constexpr int FormatVersion = 1;

QString hexText(std::uint32_t v, int digits)
{
    return QStringLiteral("%1").arg(v, digits, 16, QLatin1Char('0')).toUpper();
}

// Reads fields; the first failure is kept in `error`.
class Reader {
public:
    explicit Reader(const QJsonObject &o) : m_o(o) {}

    QString error;

    std::uint32_t hex(const QString &key, int digits)
    {
        return hexOf(m_o.value(key), key, digits);
    }
    std::uint32_t hexOf(const QJsonValue &v, const QString &what, int digits)
    {
        bool ok = false;
        const QString t = v.toString();
        const std::uint32_t n = t.toUInt(&ok, 16);
        if (!ok || t.size() != digits)
            fail(QStringLiteral("\"%1\" is not %2 hexadecimal digits").arg(what).arg(digits));
        return n;
    }
    int integer(const QString &key, int min, int max)
    {
        const QJsonValue v = m_o.value(key);
        const double d = v.toDouble(-1e9);
        if (!v.isDouble() || d != int(d) || d < min || d > max)
            fail(QStringLiteral("\"%1\" is not a whole number from %2 to %3").arg(key).arg(min).arg(max));
        return int(d);
    }
    QJsonArray array(const QString &key, int size)
    {
        const QJsonArray a = m_o.value(key).toArray();
        if (a.size() != size)
            fail(QStringLiteral("\"%1\" does not hold %2 entries").arg(key).arg(size));
        return a;
    }
    QByteArray bytes(const QString &key, int maxSize)
    {
        const auto r = QByteArray::fromBase64Encoding(m_o.value(key).toString().toLatin1(),
                                                      QByteArray::AbortOnBase64DecodingErrors);
        if (!r || r.decoded.size() > maxSize)
            fail(QStringLiteral("\"%1\" is not base64 of at most %2 bytes").arg(key).arg(maxSize));
        return r.decoded;
    }
    void fail(const QString &text)
    {
        if (error.isEmpty())
            error = text;
    }

private:
    QJsonObject m_o;
};

// A memory as base64 of its bytes up to the last one that is not erased.
QString trimmedBase64(const QByteArray &memory)
{
    int n = int(memory.size());
    while (n > 0 && memory.at(n - 1) == char(0xFF))
        --n;
    return QString::fromLatin1(memory.left(n).toBase64());
}

QByteArray padded(const QByteArray &bytes, int size)
{
    return bytes + QByteArray(size - int(bytes.size()), char(0xFF));
}

// Writes `bytes` to `path` whole or not at all; false with *why. QSaveFile's
// write() only fills a buffer and its commit() renames even when writing the
// buffer out failed, so the write and the flush are checked here, and any
// failure discards the temporary file.
bool writeWhole(const QString &path, const QByteArray &bytes, QString *why)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        *why = file.errorString();
        return false;
    }
    errno = 0;
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        // A write that stops part way sets no error text of its own; the
        // system's error of the call that failed says what happened.
        const int systemError = errno;
        *why = systemError != 0 ? QString::fromLocal8Bit(std::strerror(systemError)) : file.errorString();
        file.cancelWriting();
        file.commit();  // removes the temporary file
        return false;
    }
    if (!file.commit()) {
        *why = file.errorString();
        return false;
    }
    return true;
}

// The state file's bytes, read only when it is a regular file of at most
// `maxBytes`; false with *why in plain words, and *unseen when there was
// nothing to look at (no file, or a path that cannot lead to one).
// It is looked at before it is opened, since opening a pipe for reading
// waits for a writer; it is opened without waiting and looked at again
// through the descriptor (the handle on Windows), and the read stops one
// byte past the bound. One readBounded() for Unix, one for Windows.
#ifdef Q_OS_UNIX
QString kindOf(mode_t mode)
{
    if (S_ISDIR(mode))
        return QStringLiteral("it is a folder, not a file");
    if (S_ISFIFO(mode))
        return QStringLiteral("it is a pipe, not a file");
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return QStringLiteral("it is a device, not a file");
    return QStringLiteral("it is not a regular file");
}

QString tooLarge(qint64 size, qint64 maxBytes)
{
    return QStringLiteral("it is %1 bytes, more than the %2 of a state file").arg(size).arg(maxBytes);
}

bool readBounded(const QString &path, qint64 maxBytes, QByteArray *bytes, QString *why, bool *unseen = nullptr)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat info {};
    if (::stat(name.constData(), &info) != 0) {
        if (unseen)
            *unseen = true;
        *why = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    if (!S_ISREG(info.st_mode)) {
        *why = kindOf(info.st_mode);
        return false;
    }
    if (info.st_size > maxBytes) {
        *why = tooLarge(info.st_size, maxBytes);
        return false;
    }
    if (!bytes)
        return true;
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        *why = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    bool ok = false;
    if (::fstat(fd, &info) != 0) {
        *why = QString::fromLocal8Bit(std::strerror(errno));
    } else if (!S_ISREG(info.st_mode)) {
        *why = kindOf(info.st_mode);
    } else if (info.st_size > maxBytes) {
        *why = tooLarge(info.st_size, maxBytes);
    } else {
        bytes->resize(qsizetype(maxBytes) + 1);
        qsizetype total = 0;
        int error = 0;
        while (total < bytes->size()) {
            const ssize_t n = ::read(fd, bytes->data() + total, size_t(bytes->size() - total));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                error = n < 0 ? errno : 0;
                break;
            }
            total += n;
        }
        if (error != 0)
            *why = QString::fromLocal8Bit(std::strerror(error));
        else if (total > maxBytes)
            *why = tooLarge(total, maxBytes);
        bytes->truncate(total);
        ok = error == 0 && total <= maxBytes;
    }
    ::close(fd);
    return ok;
}
#elif defined(Q_OS_WIN)
QString tooLarge(qint64 size, qint64 maxBytes)
{
    return QStringLiteral("it is %1 bytes, more than the %2 of a state file").arg(size).arg(maxBytes);
}

// The old device names (NUL, CON, COM1 ...) name a device in any folder, and
// a \\.\ path a device or a pipe: told by the full path, without opening
// them. Empty for anything else.
QString deviceKind(const std::wstring &name)
{
    DWORD size = GetFullPathNameW(name.c_str(), 0, nullptr, nullptr);
    std::wstring full(size, L'\0');
    size = size == 0 ? 0 : GetFullPathNameW(name.c_str(), size, full.data(), nullptr);
    full.resize(size);
    const QString path = QString::fromStdWString(full);
    if (path.startsWith(QLatin1String("\\\\.\\pipe\\"), Qt::CaseInsensitive))
        return QStringLiteral("it is a pipe, not a file");
    if (path.startsWith(QLatin1String("\\\\.\\")))
        return QStringLiteral("it is a device, not a file");
    return {};
}

QString kindOf(HANDLE file, const BY_HANDLE_FILE_INFORMATION &info)
{
    switch (GetFileType(file)) {
    case FILE_TYPE_DISK:
        break;
    case FILE_TYPE_CHAR:
        return QStringLiteral("it is a device, not a file");
    case FILE_TYPE_PIPE:
        return QStringLiteral("it is a pipe, not a file");
    default:
        return QStringLiteral("it is not a regular file");
    }
    if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        return QStringLiteral("it is a folder, not a file");
    return {};
}

bool readBounded(const QString &path, qint64 maxBytes, QByteArray *bytes, QString *why, bool *unseen = nullptr)
{
    const std::wstring name = QDir::toNativeSeparators(path).toStdWString();
    *why = deviceKind(name);
    if (!why->isEmpty())
        return false;
    WIN32_FILE_ATTRIBUTE_DATA data {};
    if (!GetFileAttributesExW(name.c_str(), GetFileExInfoStandard, &data)) {
        if (unseen)
            *unseen = true;
        *why = qt_error_string(int(GetLastError()));
        return false;
    }
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        *why = QStringLiteral("it is a folder, not a file");
        return false;
    }
    const qint64 size = qint64((quint64(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
    if (size > maxBytes) {
        *why = tooLarge(size, maxBytes);
        return false;
    }
    if (!bytes)
        return true;
    // Opened for reading only and never waiting; looked at again through the
    // handle, and read to one byte past the bound.
    const HANDLE file = CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS | SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        *why = qt_error_string(int(GetLastError()));
        return false;
    }
    BY_HANDLE_FILE_INFORMATION info {};
    bool ok = false;
    if (!GetFileInformationByHandle(file, &info)) {
        *why = qt_error_string(int(GetLastError()));
    } else if (const QString kind = kindOf(file, info); !kind.isEmpty()) {
        *why = kind;
    } else if (qint64((quint64(info.nFileSizeHigh) << 32) | info.nFileSizeLow) > maxBytes) {
        *why = tooLarge(qint64((quint64(info.nFileSizeHigh) << 32) | info.nFileSizeLow), maxBytes);
    } else {
        bytes->resize(qsizetype(maxBytes) + 1);
        qsizetype total = 0;
        DWORD error = NO_ERROR;
        while (total < bytes->size()) {
            DWORD got = 0;
            if (!ReadFile(file, bytes->data() + total, DWORD(qMin<qsizetype>(bytes->size() - total, 1 << 30)), &got,
                          nullptr)) {
                error = GetLastError();
                break;
            }
            if (got == 0)
                break;
            total += got;
        }
        if (error != NO_ERROR)
            *why = qt_error_string(int(error));
        else if (total > maxBytes)
            *why = tooLarge(total, maxBytes);
        bytes->truncate(total);
        ok = error == NO_ERROR && total <= maxBytes;
    }
    CloseHandle(file);
    return ok;
}
#endif

}  // namespace

bool PedalStateFile::checkPath(const QString &path, QString *error)
{
    // Nothing to look at is no state file yet; the lock beside it says when
    // the path cannot hold one.
    QString why;
    bool unseen = false;
    if (readBounded(path, MaxFileBytes, nullptr, &why, &unseen) || unseen)
        return true;
    if (error)
        *error = QStringLiteral("pedal state file %1: %2").arg(QDir::toNativeSeparators(path), why);
    return false;
}

bool PedalStateFile::load(const QString &path, PedalState &state, QString *error, bool *existed)
{
    if (existed)
        *existed = QFileInfo::exists(path);
    if (!QFileInfo::exists(path))
        return true;
    auto failed = [&](const QString &why) {
        if (error)
            *error = QStringLiteral("pedal state file %1: %2").arg(QDir::toNativeSeparators(path), why);
        return false;
    };
    QByteArray bytes;
    QString why;
    if (!readBounded(path, MaxFileBytes, &bytes, &why))
        return failed(why);
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &parseError);
    if (parseError.error != QJsonParseError::NoError)
        return failed(parseError.errorString() + QStringLiteral(" at offset %1").arg(parseError.offset));
    if (!doc.isObject())
        return failed(QStringLiteral("not a JSON object"));

    Reader r(doc.object());
    PedalState s;
    if (r.integer(QStringLiteral("format"), FormatVersion, FormatVersion) != FormatVersion)
        return failed(r.error);
    s.firmwareVersion = std::uint8_t(r.hex(QStringLiteral("firmwareVersion"), 2));
    const std::uint32_t algorithm = r.hex(QStringLiteral("algorithmVersion"), 4);
    s.algorithmVersion = {std::uint8_t(algorithm >> 8), std::uint8_t(algorithm)};
    s.effectNumber = std::uint8_t(r.hex(QStringLiteral("effectNumber"), 2));
    s.footswitchMode = std::uint8_t(r.integer(QStringLiteral("footswitchMode"), 0, 3));
    const QJsonArray assignments = r.array(QStringLiteral("assignments"), 5);
    for (int k = 0; k < assignments.size() && k < 5; ++k) {
        const QJsonArray pair = assignments.at(k).toArray();
        s.assigned[std::size_t(k)] = std::uint8_t(r.hexOf(pair.at(0), QStringLiteral("assignments"), 2));
        s.assignedAddress[std::size_t(k)] = std::uint16_t(r.hexOf(pair.at(1), QStringLiteral("assignments"), 4));
    }
    s.tuningNumber = std::uint8_t(r.integer(QStringLiteral("tuning"), 0, 7));
    s.semitones = std::int8_t(r.integer(QStringLiteral("semitones"), -5, 3));
    const QJsonArray stored = r.array(QStringLiteral("storedValues"), PedalState::SlotCount);
    for (int i = 0; i < stored.size() && i < PedalState::SlotCount; ++i)
        s.storedValues[std::size_t(i)] = r.hexOf(stored.at(i), QStringLiteral("storedValues"), 8);
    s.midiChannel = std::uint8_t(r.integer(QStringLiteral("midiChannel"), 0, 16));
    const QJsonArray addresses = r.array(QStringLiteral("parameterAddresses"), PedalState::AddressFieldCount);
    for (int i = 0; i < addresses.size() && i < PedalState::AddressFieldCount; ++i)
        s.parameterAddresses[std::size_t(i)] = std::uint16_t(r.hexOf(addresses.at(i), QStringLiteral("parameterAddresses"), 4));
    s.tuningTableReceived = doc.object().value(QStringLiteral("tuningTableReceived")).toBool();
    s.tuningTable = r.bytes(QStringLiteral("tuningTable"), 640);
    s.eeprom = padded(r.bytes(QStringLiteral("eeprom"), PedalState::EepromSize), PedalState::EepromSize);
    s.flash = padded(r.bytes(QStringLiteral("flash"), PedalState::FlashSize), PedalState::FlashSize);
    if (!r.error.isEmpty())
        return failed(r.error);
    state = std::move(s);
    return true;
}

bool PedalStateFile::save(const QString &path, const PedalState &s, QString *error)
{
    QJsonObject o;
    o.insert(QStringLiteral("format"), FormatVersion);
    o.insert(QStringLiteral("firmwareVersion"), hexText(s.firmwareVersion, 2));
    o.insert(QStringLiteral("algorithmVersion"), hexText((s.algorithmVersion[0] << 8) | s.algorithmVersion[1], 4));
    o.insert(QStringLiteral("effectNumber"), hexText(s.effectNumber, 2));
    o.insert(QStringLiteral("footswitchMode"), s.footswitchMode);
    QJsonArray assignments;
    for (int k = 0; k < 5; ++k)
        assignments.append(QJsonArray{hexText(s.assigned[std::size_t(k)], 2), hexText(s.assignedAddress[std::size_t(k)], 4)});
    o.insert(QStringLiteral("assignments"), assignments);
    o.insert(QStringLiteral("tuning"), s.tuningNumber);
    o.insert(QStringLiteral("semitones"), s.semitones);
    QJsonArray stored;
    for (std::uint32_t v : s.storedValues)
        stored.append(hexText(v, 8));
    o.insert(QStringLiteral("storedValues"), stored);
    o.insert(QStringLiteral("midiChannel"), s.midiChannel);
    QJsonArray addresses;
    for (std::uint16_t a : s.parameterAddresses)
        addresses.append(hexText(a, 4));
    o.insert(QStringLiteral("parameterAddresses"), addresses);
    o.insert(QStringLiteral("tuningTableReceived"), s.tuningTableReceived);
    o.insert(QStringLiteral("tuningTable"), QString::fromLatin1(s.tuningTable.toBase64()));
    o.insert(QStringLiteral("eeprom"), trimmedBase64(s.eeprom));
    o.insert(QStringLiteral("flash"), trimmedBase64(s.flash));

    QDir().mkpath(QFileInfo(path).absolutePath());
    const bool existed = QFileInfo::exists(path);
    QString why;
    if (!writeWhole(path, QJsonDocument(o).toJson(), &why)) {
        if (error)
            *error = QStringLiteral("pedal state file %1: %2%3")
                         .arg(QDir::toNativeSeparators(path), why,
                              existed ? QStringLiteral("; the previous file is unchanged") : QString());
        return false;
    }
    return true;
}
