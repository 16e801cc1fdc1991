#include "LocalHttpServer.h"

#include <QHostAddress>
#include <QSemaphore>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>
#include <memory>

namespace {

constexpr qint64 StreamPiece = 64 * 1024;

}  // namespace

class LocalHttpServer::Thread : public QThread {
public:
    explicit Thread(LocalHttpServer &owner) : m_owner(owner) {}

    QSemaphore listening;
    quint16 port = 0;

protected:
    void run() override
    {
        QTcpServer server;
        if (server.listen(QHostAddress::LocalHost, 0))
            port = server.serverPort();
        QObject::connect(&server, &QTcpServer::newConnection, &server, [this, &server] {
            while (QTcpSocket *socket = server.nextPendingConnection())
                accept(socket);
        });
        listening.release();
        exec();
    }

private:
    void accept(QTcpSocket *socket)
    {
        auto buffer = std::make_shared<QByteArray>();
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, buffer] {
            buffer->append(socket->readAll());
            if (!buffer->contains("\r\n\r\n"))
                return;
            const QList<QByteArray> lines = buffer->left(buffer->indexOf("\r\n\r\n")).split('\n');
            const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
            QByteArray userAgent;
            for (const QByteArray &line : lines)
                if (line.toLower().startsWith("user-agent:"))
                    userAgent = line.mid(11).trimmed();
            buffer->clear();
            const Response response = m_owner.responseFor(requestLine.value(1), userAgent);
            if (response.silent)
                return;  // held open until the client gives up
            QByteArray reply = "HTTP/1.1 " + QByteArray::number(response.status) + ' ' + response.reason + "\r\n";
            if (response.flow == Response::Flow::Whole)
                reply += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\n";
            else if (response.flow == Response::Flow::ChunkedFlood)
                reply += "Transfer-Encoding: chunked\r\n";
            else if (response.declaredLength >= 0)
                reply += "Content-Length: " + QByteArray::number(response.declaredLength) + "\r\n";
            reply += "Content-Type: application/octet-stream\r\nConnection: close\r\n";
            for (const QByteArray &header : response.headers)
                reply += header + "\r\n";
            reply += "\r\n";
            if (response.flow == Response::Flow::Whole) {
                socket->write(reply + response.body);
                socket->disconnectFromHost();
                return;
            }
            socket->write(reply);
            stream(socket, response);
        });
        QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }

    // Sends filler after the head until the client goes, the stream's
    // length or limit is reached, or its time is up.
    static void stream(QTcpSocket *socket, const Response &response)
    {
        QTimer::singleShot(StreamSeconds * 1000, socket, [socket] { socket->abort(); });
        const qint64 limit = response.declaredLength >= 0 ? std::min(response.declaredLength, StreamByteLimit)
                                                          : StreamByteLimit;
        auto sent = std::make_shared<qint64>(0);
        if (response.flow == Response::Flow::Trickle) {
            auto *tick = new QTimer(socket);
            const auto one = [socket, sent, limit] {
                if (*sent >= std::min<qint64>(limit, TrickleByteLimit)) {
                    socket->disconnectFromHost();
                    return;
                }
                socket->write("1");
                ++*sent;
            };
            QObject::connect(tick, &QTimer::timeout, socket, one);
            tick->start(1000);
            one();
            return;
        }
        const bool chunked = response.flow == Response::Flow::ChunkedFlood;
        const QByteArray filler(StreamPiece, '1');
        const auto pump = [socket, sent, limit, chunked, filler] {
            // Keeps about 1 MiB queued: as fast as the client reads, no faster.
            while (socket->state() == QAbstractSocket::ConnectedState && socket->bytesToWrite() < 16 * StreamPiece) {
                if (*sent >= limit) {
                    if (chunked)
                        socket->write("0\r\n\r\n");
                    socket->disconnectFromHost();
                    return;
                }
                const qint64 size = std::min(StreamPiece, limit - *sent);
                const QByteArray piece = filler.left(size);
                socket->write(chunked ? QByteArray::number(size, 16) + "\r\n" + piece + "\r\n" : piece);
                *sent += size;
            }
        };
        QObject::connect(socket, &QTcpSocket::bytesWritten, socket, pump);
        pump();
    }

    LocalHttpServer &m_owner;
};

LocalHttpServer::LocalHttpServer() : m_thread(new Thread(*this))
{
    m_thread->start();
    m_thread->listening.acquire();
    if (m_thread->port != 0)
        m_address = QStringLiteral("http://127.0.0.1:%1").arg(m_thread->port);
}

LocalHttpServer::~LocalHttpServer()
{
    m_thread->quit();
    m_thread->wait();
    delete m_thread;
}

void LocalHttpServer::serve(const QByteArray &path, const Response &response)
{
    QMutexLocker lock(&m_mutex);
    m_routes[path] = response;
}

LocalHttpServer::Response LocalHttpServer::responseFor(const QByteArray &path, const QByteArray &userAgent)
{
    QMutexLocker lock(&m_mutex);
    m_paths << QString::fromLatin1(path);
    m_userAgents << QString::fromLatin1(userAgent);
    return m_routes.value(path, Response{404, "Not Found", "no such page", {}, false});
}

QStringList LocalHttpServer::requestedPaths() const
{
    QMutexLocker lock(&m_mutex);
    return m_paths;
}

QStringList LocalHttpServer::userAgents() const
{
    QMutexLocker lock(&m_mutex);
    return m_userAgents;
}
