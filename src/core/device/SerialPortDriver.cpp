#include "device/SerialPortDriver.h"

#include "device/PipePort.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QSerialPort>
#include <QSerialPortInfo>
#include <algorithm>
#include <cstring>
#include <limits>
#include <optional>

#ifdef Q_OS_UNIX
#include <termios.h>
#endif

namespace {

constexpr quint16 kFtdiVendorId = 0x0403;
// Shown for a port whose system gives no description (a pseudo-terminal, say,
// or a pipe standing in for a port).
constexpr char kPlainPortDescription[] = "Serial port";
// Each non-blocking wait moves at most one chunk of received bytes into the
// port's buffer; a device that never stops sending must not hold a poll for
// ever, so a poll takes at most this many chunks.
constexpr int kMaxChunksPerPoll = 64;

enum class PortCall { Open, Transfer, BaudRate, DataCharacteristics };

// The status the D2XX library gives for the fault a port reports. An error that
// names no fault of the device (the port refused a setting, or said nothing)
// becomes the call's own failure status.
FtStatus statusFor(QSerialPort::SerialPortError error, PortCall call)
{
    switch (error) {
    case QSerialPort::DeviceNotFoundError:
        return ft::DeviceNotFound;
    case QSerialPort::PermissionError:  // no access, or another program has it
    case QSerialPort::OpenError:
        return ft::DeviceNotOpened;
    case QSerialPort::NotOpenError:
        return ft::InvalidHandle;
    case QSerialPort::ReadError:
    case QSerialPort::WriteError:
    case QSerialPort::ResourceError:  // unplugged, or the far end hung up
        return call == PortCall::Open ? ft::DeviceNotOpened : ft::IoError;
    case QSerialPort::NoError:
    case QSerialPort::TimeoutError:
    case QSerialPort::UnsupportedOperationError:
    case QSerialPort::UnknownError:
        break;
    }
    switch (call) {
    case PortCall::Open:
        return ft::DeviceNotOpened;
    case PortCall::BaudRate:
        return ft::InvalidBaudRate;
    case PortCall::DataCharacteristics:
        return ft::InvalidParameter;
    case PortCall::Transfer:
        break;
    }
    return ft::IoError;
}

bool isDeviceFault(QSerialPort::SerialPortError error)
{
    return error == QSerialPort::ReadError || error == QSerialPort::WriteError
        || error == QSerialPort::ResourceError;
}

QString canonicalLocation(const QString &path)
{
    if (PipePort::isPipeName(path))
        return path;
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return canonical.isEmpty() ? path : canonical;
}

std::optional<QSerialPort::DataBits> dataBitsFor(std::uint8_t code)
{
    switch (code) {
    case ft::Bits8: return QSerialPort::Data8;
    case ft::Bits7: return QSerialPort::Data7;
    default: return std::nullopt;
    }
}

std::optional<QSerialPort::StopBits> stopBitsFor(std::uint8_t code)
{
    switch (code) {
    case ft::StopBits1: return QSerialPort::OneStop;
    case ft::StopBits2: return QSerialPort::TwoStop;
    default: return std::nullopt;
    }
}

std::optional<QSerialPort::Parity> parityFor(std::uint8_t code)
{
    switch (code) {
    case ft::ParityNone: return QSerialPort::NoParity;
    case ft::ParityOdd: return QSerialPort::OddParity;
    case ft::ParityEven: return QSerialPort::EvenParity;
    case ft::ParityMark: return QSerialPort::MarkParity;
    case ft::ParitySpace: return QSerialPort::SpaceParity;
    default: return std::nullopt;
    }
}

// QSerialPort sets CMSPAR for mark and space parity but leaves it set when
// none, odd or even parity follows, and a UART with CMSPAR sends mark or space.
bool clearStickParity(QSerialPort &port)
{
#if defined(Q_OS_UNIX) && defined(CMSPAR)
    const int fd = int(port.handle());
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0)
        return false;
    if (!(tio.c_cflag & CMSPAR))
        return true;
    tio.c_cflag &= ~tcflag_t(CMSPAR);
    return ::tcsetattr(fd, TCSANOW, &tio) == 0;
#else
    Q_UNUSED(port);
    return true;
#endif
}

}  // namespace

int SerialPortDriver::writeDeadlineMs(std::uint32_t bytes, std::int32_t baudRate)
{
    const qint64 rate = std::max<qint64>(baudRate, 300);
    const qint64 ms = 1000 + qint64(bytes) * 10 * 1000 * 2 / rate;
    return int(std::min<qint64>(ms, std::numeric_limits<int>::max()));
}

// A serial port, or a pipe standing in for one (then the calls go to it).
struct SerialPortDriver::OpenPort {
    QSerialPort port;
    bool faulted = false;  // the device has gone; only close is left
    std::unique_ptr<PipePort> pipe;
    QString pipeName;

    bool gone() { return pipe ? pipe->gone() : faulted; }
};

SerialPortDriver::SerialPortDriver() = default;
SerialPortDriver::~SerialPortDriver() = default;

void SerialPortDriver::addExplicitPort(const QString &path)
{
    if (!path.isEmpty() && !m_explicitPorts.contains(path))
        m_explicitPorts << path;
}

QString SerialPortDriver::driverName() const
{
    return QStringLiteral("serial port");
}

bool SerialPortDriver::probe(const QString &path, QString *reason)
{
    if (PipePort::isPipeName(path))
        return PipePort::probe(path, reason);
    QSerialPort port;
    port.setPortName(path);
    if (port.open(QIODevice::ReadWrite))
        return true;
    if (reason)
        *reason = port.errorString();
    return false;
}

std::vector<SerialPortDriver::ListedPort> SerialPortDriver::scan() const
{
    const QList<QSerialPortInfo> ports = QSerialPortInfo::availablePorts();

    std::vector<QSerialPortInfo> ftdi;
    for (const QSerialPortInfo &info : ports) {
        if (info.hasVendorIdentifier() && info.vendorIdentifier() == kFtdiVendorId)
            ftdi.push_back(info);
    }
    std::sort(ftdi.begin(), ftdi.end(), [](const QSerialPortInfo &a, const QSerialPortInfo &b) {
        return a.portName() < b.portName();
    });

    auto entryFor = [](const QSerialPortInfo *info, const QString &location) {
        ListedPort entry;
        entry.location = location;
        const QString serial = info ? info->serialNumber() : QString();
        const QString description = info ? info->description() : QString();
        entry.serial = (serial.isEmpty() ? location : serial).toLocal8Bit();
        entry.description = description.isEmpty() ? QByteArray(kPlainPortDescription)
                                                  : description.toLocal8Bit();
        return entry;
    };

    std::vector<ListedPort> listed;
    for (const QSerialPortInfo &info : ftdi)
        listed.push_back(entryFor(&info, info.systemLocation()));

    for (const QString &path : m_explicitPorts) {
        const QString canonical = canonicalLocation(path);
        const QSerialPortInfo *info = nullptr;
        for (const QSerialPortInfo &candidate : ports) {
            if (candidate.portName() == path
                || canonicalLocation(candidate.systemLocation()) == canonical) {
                info = &candidate;
                break;
            }
        }
        const QString location = info ? info->systemLocation() : path;
        // A port named on the command line that is also an FTDI port is listed once.
        auto same = std::find_if(listed.begin(), listed.end(), [&](const ListedPort &entry) {
            return canonicalLocation(entry.location) == canonicalLocation(location);
        });
        if (same != listed.end()) {
            if (same->explicitPath.isEmpty())
                same->explicitPath = path;
            continue;
        }
        ListedPort entry = entryFor(info, location);
        entry.explicitPath = path;
        if (!info || info->serialNumber().isEmpty())
            entry.serial = path.toLocal8Bit();  // as given, so `--port` names it both ways
        listed.push_back(std::move(entry));
    }
    return listed;
}

FtStatus SerialPortDriver::listDeviceCount(std::uint32_t &count)
{
    m_snapshot = scan();
    m_haveSnapshot = true;
    count = std::uint32_t(m_snapshot.size());
    return ft::Ok;
}

FtStatus SerialPortDriver::copyListed(std::uint32_t index, bool description, char *buffer)
{
    if (!buffer)
        return ft::InvalidParameter;
    if (!m_haveSnapshot) {
        m_snapshot = scan();
        m_haveSnapshot = true;
    }
    if (index >= m_snapshot.size())
        return ft::DeviceNotFound;
    const QByteArray &text = description ? m_snapshot[index].description
                                         : m_snapshot[index].serial;
    const auto n = std::min<qsizetype>(text.size(), ft::ListBufferSize);
    std::memcpy(buffer, text.constData(), size_t(n));
    if (n < ft::ListBufferSize)
        buffer[n] = '\0';
    return ft::Ok;
}

FtStatus SerialPortDriver::listSerialNumber(std::uint32_t index, char *buffer)
{
    return copyListed(index, false, buffer);
}

FtStatus SerialPortDriver::listDescription(std::uint32_t index, char *buffer)
{
    return copyListed(index, true, buffer);
}

FtStatus SerialPortDriver::openBySerialNumber(const char *serial, FtHandle &handle)
{
    handle = 0;
    if (!serial || !*serial)
        return ft::DeviceNotFound;
    const QByteArray wanted(serial);

    auto findIn = [&](const std::vector<ListedPort> &list) -> const ListedPort * {
        for (const ListedPort &entry : list) {
            if (entry.serial == wanted
                || (!entry.explicitPath.isEmpty() && entry.explicitPath.toLocal8Bit() == wanted))
                return &entry;
        }
        return nullptr;
    };
    // The last listing first; a device plugged in since then needs a fresh one.
    // The snapshot itself stays as it was, for the by-index calls.
    const ListedPort *entry = findIn(m_snapshot);
    std::vector<ListedPort> fresh;
    if (!entry) {
        fresh = scan();
        entry = findIn(fresh);
    }
    if (!entry)
        return ft::DeviceNotFound;

    auto open = std::make_unique<OpenPort>();
    if (PipePort::isPipeName(entry->location)) {
        // A pipe takes any number of connections; a port opens once, as a
        // serial port the system holds for one program does.
        for (const auto &[openHandle, openPort] : m_open) {
            if (openPort->pipe && openPort->pipeName == entry->location)
                return ft::DeviceNotOpened;
        }
        open->pipeName = entry->location;
        open->pipe = std::make_unique<PipePort>();
        const FtStatus status = open->pipe->open(entry->location);
        if (status != ft::Ok)
            return status;
        handle = m_nextHandle++;
        m_open.emplace(handle, std::move(open));
        return ft::Ok;
    }
    QSerialPort &port = open->port;
    port.setPortName(entry->location);
    // Set before opening, so the open applies it along with 9600 8N1.
    port.setFlowControl(QSerialPort::NoFlowControl);
    if (!port.open(QIODevice::ReadWrite))
        return statusFor(port.error(), PortCall::Open);

    OpenPort *raw = open.get();
    QObject::connect(&port, &QSerialPort::errorOccurred, &port,
                     [raw](QSerialPort::SerialPortError error) {
                         if (isDeviceFault(error))
                             raw->faulted = true;
                     });
    handle = m_nextHandle++;
    m_open.emplace(handle, std::move(open));
    return ft::Ok;
}

SerialPortDriver::OpenPort *SerialPortDriver::find(FtHandle handle)
{
    const auto it = m_open.find(handle);
    return it == m_open.end() ? nullptr : it->second.get();
}

FtStatus SerialPortDriver::close(FtHandle handle)
{
    const auto it = m_open.find(handle);
    if (it == m_open.end())
        return ft::InvalidHandle;
    m_open.erase(it);  // the port closes with its object
    return ft::Ok;
}

void SerialPortDriver::takeReceived(OpenPort &open, qint64 wanted)
{
    QSerialPort &port = open.port;
    for (int i = 0; i < kMaxChunksPerPoll && !open.faulted && port.bytesAvailable() < wanted; ++i) {
        if (!port.waitForReadyRead(0))
            break;
    }
    // "Nothing more yet" is how every poll ends; it is not a fault.
    if (port.error() == QSerialPort::TimeoutError)
        port.clearError();
}

FtStatus SerialPortDriver::getQueueStatus(FtHandle handle, std::uint32_t &rxBytes)
{
    rxBytes = 0;
    OpenPort *open = find(handle);
    if (!open)
        return ft::InvalidHandle;
    if (open->pipe)
        return open->pipe->queueStatus(rxBytes);
    takeReceived(*open, std::numeric_limits<qint64>::max());
    if (open->gone())
        return ft::IoError;
    rxBytes = std::uint32_t(
        std::min<qint64>(open->port.bytesAvailable(), std::numeric_limits<std::uint32_t>::max()));
    return ft::Ok;
}

FtStatus SerialPortDriver::read(FtHandle handle, std::uint8_t *buffer, std::uint32_t toRead,
                                std::uint32_t &bytesRead)
{
    bytesRead = 0;
    OpenPort *open = find(handle);
    if (!open)
        return ft::InvalidHandle;
    if (open->gone())
        return ft::IoError;
    if (toRead == 0)
        return ft::Ok;
    if (!buffer)
        return ft::InvalidParameter;
    if (open->pipe)
        return open->pipe->read(buffer, toRead, bytesRead);
    takeReceived(*open, toRead);
    if (open->gone())
        return ft::IoError;
    QSerialPort &port = open->port;
    const qint64 n = port.read(reinterpret_cast<char *>(buffer),
                               std::min<qint64>(toRead, port.bytesAvailable()));
    if (n < 0)
        return statusFor(port.error(), PortCall::Transfer);
    bytesRead = std::uint32_t(n);
    return ft::Ok;
}

FtStatus SerialPortDriver::write(FtHandle handle, const std::uint8_t *buffer,
                                 std::uint32_t toWrite, std::uint32_t &bytesWritten)
{
    bytesWritten = 0;
    OpenPort *open = find(handle);
    if (!open)
        return ft::InvalidHandle;
    if (open->gone())
        return ft::IoError;
    if (toWrite == 0)
        return ft::Ok;
    if (!buffer)
        return ft::InvalidParameter;
    if (open->pipe)
        return open->pipe->write(buffer, toWrite, bytesWritten);

    QSerialPort &port = open->port;
    const qint64 queued = port.write(reinterpret_cast<const char *>(buffer), qint64(toWrite));
    if (queued < 0)
        return statusFor(port.error(), PortCall::Transfer);

    // Each wait hands one chunk to the operating system; keep going until all
    // of it is out, the port fails, or the deadline passes.
    const QDeadlineTimer deadline(writeDeadlineMs(toWrite, port.baudRate()));
    while (port.bytesToWrite() > 0 && !open->faulted && !deadline.hasExpired()) {
        if (!port.waitForBytesWritten(int(std::max<qint64>(deadline.remainingTime(), 0)))
            && port.error() != QSerialPort::TimeoutError && port.bytesToWrite() > 0)
            break;  // refused without a timeout: waiting again would not help
    }

    const qint64 left = port.bytesToWrite() + (qint64(toWrite) - queued);
    bytesWritten = std::uint32_t(qint64(toWrite) - left);
    if (left > 0) {
        // The write is abandoned: whatever is still queued, here or in the
        // system, is dropped, so the tail of this message cannot arrive later
        // in front of the next one.
        port.clear(QSerialPort::Output);
    }
    if (open->gone())
        return ft::IoError;
    if (left > 0)
        return ft::FailedToWriteDevice;
    port.clearError();
    return ft::Ok;
}

FtStatus SerialPortDriver::setBaudRate(FtHandle handle, std::uint32_t baudRate)
{
    OpenPort *open = find(handle);
    if (!open)
        return ft::InvalidHandle;
    if (open->gone())
        return ft::IoError;
    if (baudRate == 0 || baudRate > std::uint32_t(std::numeric_limits<qint32>::max()))
        return ft::InvalidBaudRate;
    if (open->pipe) {
        open->pipe->setBaudRate(qint32(baudRate));
        return ft::Ok;
    }
    if (!open->port.setBaudRate(qint32(baudRate)))
        return statusFor(open->port.error(), PortCall::BaudRate);
    return ft::Ok;
}

FtStatus SerialPortDriver::setDataCharacteristics(FtHandle handle, std::uint8_t wordLength,
                                                  std::uint8_t stopBits, std::uint8_t parity)
{
    OpenPort *open = find(handle);
    if (!open)
        return ft::InvalidHandle;
    if (open->gone())
        return ft::IoError;
    // All three are checked before any is applied: a bad request changes nothing.
    const auto dataBits = dataBitsFor(wordLength);
    const auto stop = stopBitsFor(stopBits);
    const auto par = parityFor(parity);
    if (!dataBits || !stop || !par)
        return ft::InvalidParameter;
    if (open->pipe)
        return ft::Ok;  // a pipe carries bytes, not frames

    QSerialPort &port = open->port;
    if (!port.setDataBits(*dataBits) || !port.setStopBits(*stop) || !port.setParity(*par))
        return statusFor(port.error(), PortCall::DataCharacteristics);
    if (*par != QSerialPort::MarkParity && *par != QSerialPort::SpaceParity
        && !clearStickParity(port))
        return ft::IoError;
    return ft::Ok;
}

FtStatus SerialPortDriver::purge(FtHandle handle, std::uint32_t mask)
{
    OpenPort *open = find(handle);
    if (!open)
        return ft::InvalidHandle;
    if (open->gone())
        return ft::IoError;
    QSerialPort::Directions directions;
    if (mask & ft::PurgeRx)
        directions |= QSerialPort::Input;
    if (mask & ft::PurgeTx)
        directions |= QSerialPort::Output;
    // A pipe's writes are all in it before write returns: only what has
    // arrived is left to drop.
    if (open->pipe)
        return (mask & ft::PurgeRx) ? open->pipe->purgeReceived() : ft::Ok;
    if (directions == QSerialPort::Directions() || open->port.clear(directions))
        return ft::Ok;
    return statusFor(open->port.error(), PortCall::Transfer);
}
