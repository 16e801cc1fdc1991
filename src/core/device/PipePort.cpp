#include "device/PipePort.h"

#include "device/SerialPortDriver.h"

#include <QDeadlineTimer>
#include <QFile>
#include <algorithm>
#include <limits>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <sys/stat.h>
#endif

namespace {

// How long the far end may take to accept a connection.
constexpr int kConnectMs = 2000;
// As for a serial port: a poll that takes what has arrived takes at most this
// many chunks, so a far end that never stops sending cannot hold it for ever.
constexpr int kMaxChunksPerPoll = 64;

FtStatus openStatus(QLocalSocket::LocalSocketError error)
{
    return error == QLocalSocket::ServerNotFoundError ? ft::DeviceNotFound : ft::DeviceNotOpened;
}

}  // namespace

PipePort::PipePort()
{
    // Reported on whichever call sees it: the far end closed, or the pipe broke.
    QObject::connect(&m_socket, &QLocalSocket::errorOccurred, &m_socket,
                     [this](QLocalSocket::LocalSocketError error) {
                         if (error != QLocalSocket::SocketTimeoutError)
                             m_faulted = true;
                     });
    QObject::connect(&m_socket, &QLocalSocket::disconnected, &m_socket, [this] { m_faulted = true; });
}

bool PipePort::isPipeName(const QString &name)
{
    // The one difference between the platforms is how a pipe is named.
#ifdef Q_OS_WIN
    return name.startsWith(QLatin1String("\\\\.\\pipe\\"), Qt::CaseInsensitive);
#else
    struct stat st {};
    return ::stat(QFile::encodeName(name).constData(), &st) == 0 && S_ISSOCK(st.st_mode);
#endif
}

bool PipePort::probe(const QString &name, QString *reason)
{
    QLocalSocket socket;
    socket.connectToServer(name);
    if (socket.waitForConnected(kConnectMs))
        return true;
    if (reason)
        *reason = socket.errorString();
    return false;
}

FtStatus PipePort::open(const QString &name)
{
    m_socket.connectToServer(name);
    if (!m_socket.waitForConnected(kConnectMs)) {
        const FtStatus status = openStatus(m_socket.error());
        m_socket.abort();
        return status;
    }
    m_faulted = false;
    return ft::Ok;
}

void PipePort::takeReceived(qint64 wanted)
{
    for (int i = 0; i < kMaxChunksPerPoll && !m_faulted && m_socket.bytesAvailable() < wanted; ++i) {
        if (!m_socket.waitForReadyRead(0))
            break;
    }
    if (!m_faulted && farEndClosed())
        fault();
}

bool PipePort::farEndClosed()
{
    if (m_socket.state() != QLocalSocket::ConnectedState)
        return true;
    // Windows reports a closed pipe to the reading thread it runs in the
    // background, which may not have run yet: ask the pipe itself, so that
    // the first call after an unplug knows. A local socket's end tells at
    // once when read.
#ifdef Q_OS_WIN
    const auto pipe = HANDLE(m_socket.socketDescriptor());
    // Broken, or no longer connected: either way the far end has gone.
    return !PeekNamedPipe(pipe, nullptr, 0, nullptr, nullptr, nullptr);
#else
    m_socket.waitForReadyRead(0);
    return m_socket.state() != QLocalSocket::ConnectedState;
#endif
}

bool PipePort::gone()
{
    if (!m_faulted && farEndClosed())
        fault();
    return m_faulted;
}

FtStatus PipePort::queueStatus(std::uint32_t &rxBytes)
{
    rxBytes = 0;
    takeReceived(std::numeric_limits<qint64>::max());
    if (m_faulted)
        return ft::IoError;
    rxBytes = std::uint32_t(std::min<qint64>(m_socket.bytesAvailable(), std::numeric_limits<std::uint32_t>::max()));
    return ft::Ok;
}

FtStatus PipePort::read(std::uint8_t *buffer, std::uint32_t toRead, std::uint32_t &bytesRead)
{
    bytesRead = 0;
    takeReceived(toRead);
    if (m_faulted)
        return ft::IoError;
    const qint64 n = m_socket.read(reinterpret_cast<char *>(buffer),
                                   std::min<qint64>(toRead, m_socket.bytesAvailable()));
    if (n < 0)
        return ft::IoError;
    bytesRead = std::uint32_t(n);
    return ft::Ok;
}

FtStatus PipePort::write(const std::uint8_t *buffer, std::uint32_t toWrite, std::uint32_t &bytesWritten)
{
    bytesWritten = 0;
    const qint64 queued = m_socket.write(reinterpret_cast<const char *>(buffer), qint64(toWrite));
    if (queued < 0) {
        fault();
        return ft::IoError;
    }
    const QDeadlineTimer deadline(SerialPortDriver::writeDeadlineMs(toWrite, m_baudRate));
    while (m_socket.bytesToWrite() > 0 && !m_faulted && !deadline.hasExpired())
        m_socket.waitForBytesWritten(int(std::max<qint64>(deadline.remainingTime(), 0)));

    const qint64 left = m_socket.bytesToWrite() + (qint64(toWrite) - queued);
    bytesWritten = std::uint32_t(qint64(toWrite) - left);
    if (m_faulted)
        return ft::IoError;
    if (left > 0) {
        fault();
        return ft::FailedToWriteDevice;
    }
    return ft::Ok;
}

FtStatus PipePort::purgeReceived()
{
    takeReceived(std::numeric_limits<qint64>::max());
    if (m_faulted)
        return ft::IoError;
    m_socket.skip(m_socket.bytesAvailable());
    return ft::Ok;
}

void PipePort::fault()
{
    m_faulted = true;
    m_socket.abort();
}
