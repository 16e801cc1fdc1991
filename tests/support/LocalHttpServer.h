#pragma once

#include <QByteArray>
#include <QMap>
#include <QMutex>
#include <QString>
#include <QStringList>
#include <QThread>

class QTcpServer;

// A real HTTP/1.1 server on 127.0.0.1, on a thread of its own so that it
// answers while the code under test waits synchronously or runs in another
// process. Each path answers what the test set for it; any other path is
// 404 Not Found. Every request's path and User-Agent are recorded.
class LocalHttpServer {
public:
    struct Response {
        int status = 200;
        QByteArray reason = "OK";
        QByteArray body;
        // Extra header lines, each ending without a line end ("Location: ...").
        QList<QByteArray> headers;
        // Never answers: the connection stays open and silent.
        bool silent = false;
        // How the body goes out after the head; body is then not sent.
        enum class Flow {
            Whole,         // body, with its Content-Length
            Flood,         // filler bytes as fast as the client takes them
            ChunkedFlood,  // the same in 64 KiB chunks that never end
            Trickle,       // one filler byte a second
        };
        Flow flow = Flow::Whole;
        // The Content-Length a flood or trickle declares, and where a flood
        // stops; -1: none declared, the body ending only when the server
        // closes. However it is set, the server stops a stream after
        // StreamByteLimit bytes, TrickleByteLimit trickled bytes or
        // StreamSeconds.
        qint64 declaredLength = -1;
    };
    static constexpr qint64 StreamByteLimit = 1024LL * 1024 * 1024;
    static constexpr int TrickleByteLimit = 10;
    static constexpr int StreamSeconds = 20;

    LocalHttpServer();
    ~LocalHttpServer();
    LocalHttpServer(const LocalHttpServer &) = delete;
    LocalHttpServer &operator=(const LocalHttpServer &) = delete;

    // "http://127.0.0.1:PORT"; empty when the server could not listen.
    QString address() const { return m_address; }

    void serve(const QByteArray &path, const Response &response);
    void serveText(const QByteArray &path, const QByteArray &body) { serve(path, Response{200, "OK", body, {}, false}); }

    QStringList requestedPaths() const;
    QStringList userAgents() const;

private:
    class Thread;
    friend class Thread;
    Response responseFor(const QByteArray &path, const QByteArray &userAgent);

    mutable QMutex m_mutex;
    QMap<QByteArray, Response> m_routes;
    QStringList m_paths;
    QStringList m_userAgents;
    QString m_address;
    Thread *m_thread = nullptr;
};
