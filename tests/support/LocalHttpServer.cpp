#include "LocalHttpServer.h"

#include <QHostAddress>
#include <QSemaphore>
#include <QTcpServer>
#include <QTcpSocket>

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
            reply += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\n";
            reply += "Content-Type: application/octet-stream\r\nConnection: close\r\n";
            for (const QByteArray &header : response.headers)
                reply += header + "\r\n";
            reply += "\r\n" + response.body;
            socket->write(reply);
            socket->disconnectFromHost();
        });
        QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
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
