#include "sim/PipePedalServer.h"

#include <QCoreApplication>
#include <QLocalServer>
#include <QLocalSocket>

#include <algorithm>
#include <limits>

std::unique_ptr<PedalLineService> PedalLineService::forThisPlatform(PedalSetup setup)
{
    return std::make_unique<PipePedalServer>(std::move(setup));
}

PipePedalServer::PipePedalServer(PedalSetup setup, QObject *parent)
    : PedalLineService(std::move(setup), parent)
{
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, [this] { service(); });
}

PipePedalServer::~PipePedalServer()
{
    closeLine();
}

bool PipePedalServer::openLine(QString *error)
{
    m_server = new QLocalServer(this);
    // The process id makes the name unique among running simulators.
    const QString name = QStringLiteral("sombrant-pedal-%1").arg(QCoreApplication::applicationPid());
    if (!m_server->listen(name)) {
        if (error)
            *error = QStringLiteral("listen on the pipe %1: %2").arg(name, m_server->errorString());
        return false;
    }
    m_name = m_server->fullServerName();
    connect(m_server, &QLocalServer::newConnection, this, [this] { accept(); });
    return true;
}

void PipePedalServer::accept()
{
    while (QLocalSocket *host = m_server ? m_server->nextPendingConnection() : nullptr) {
        m_hosts << host;
        connect(host, &QLocalSocket::readyRead, this, [this, host] { readHost(host); });
        connect(host, &QLocalSocket::bytesWritten, this, [this] { service(); });
        connect(host, &QLocalSocket::disconnected, this, [this, host] { forget(host); });
        // Bytes that arrived with the connection are there before readyRead.
        readHost(host);
    }
    // Answers that waited for a host go to this one.
    service();
}

void PipePedalServer::readHost(QLocalSocket *host)
{
    // In pieces, as a terminal hands them on; the pedal reads them as they come.
    while (!lineClosed() && host->bytesAvailable() > 0)
        hostBytes(host->read(4096));
}

void PipePedalServer::forget(QLocalSocket *host)
{
    // What it wrote before it went has been read: readyRead comes first.
    readHost(host);
    m_hosts.removeOne(host);
    host->deleteLater();
    service();
}

qint64 PipePedalServer::sendToHost(const QByteArray &bytes)
{
    // Nobody there: the answers wait, as on a terminal nobody reads.
    if (m_hosts.isEmpty())
        return 0;
    QLocalSocket *host = m_hosts.last();
    // The socket buffers whatever it is given: hand it no more than the limit,
    // and let its bytesWritten call service() for the rest.
    const qint64 room = OutgoingLimit - host->bytesToWrite();
    if (room <= 0)
        return 0;
    const qint64 n = host->write(bytes.constData(), std::min<qint64>(room, bytes.size()));
    return std::max<qint64>(n, 0);
}

void PipePedalServer::armTimer(std::optional<std::int64_t> atUs)
{
    if (!atUs) {
        m_timer.stop();
        return;
    }
    const std::int64_t waitUs = *atUs - PedalWire::steadyClock()();
    const std::int64_t ms = std::clamp<std::int64_t>((waitUs + 999) / 1000, 0,
                                                      std::numeric_limits<int>::max());
    m_timer.start(int(ms));
}

void PipePedalServer::closeLine()
{
    m_timer.stop();
    for (QLocalSocket *host : std::as_const(m_hosts)) {
        host->disconnect(this);
        host->abort();
        host->deleteLater();
    }
    m_hosts.clear();
    if (m_server)
        m_server->close();
}
