#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QLocalServer>
#include <QLocalSocket>
#include <QMetaObject>
#include <QObject>
#include <QString>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

// The device's end of a pipe, for tests that play the device where there are
// no pseudo-terminals (Windows): the code under test opens slavePath() as a
// port (a pipe name), and the test reads and writes the far end with the
// calls PtyPair has. The far end runs in a thread of its own, so it answers
// while the test's thread is busy in the code under test.
//
// The far end takes one connection at a time, the newest. Bytes written
// before anyone is connected wait, and go out as soon as someone connects,
// as bytes a terminal holds wait for whoever opens it next.
//
// Every wait has a deadline; the helpers return what arrived by then and the
// test asserts on that content.
class PipePair {
public:
    using Deadline = std::chrono::milliseconds;

    PipePair()
    {
        static std::atomic<int> serial{0};
        const QString name = QStringLiteral("sombrant-test-%1-%2")
                                 .arg(QCoreApplication::applicationPid())
                                 .arg(++serial);
        m_thread.start();
        m_server = new QLocalServer;
        m_server->moveToThread(&m_thread);
        runInThread([&] {
            if (!m_server->listen(name)) {
                m_error = QStringLiteral("listen on %1: %2").arg(name, m_server->errorString());
                return;
            }
            m_path = m_server->fullServerName();
            QObject::connect(m_server, &QLocalServer::newConnection, m_server, [this] { accept(); });
        });
    }

    ~PipePair()
    {
        closeMaster();
        runInThread([&] { delete m_server; });
        m_thread.quit();
        m_thread.wait();
    }

    PipePair(const PipePair &) = delete;
    PipePair &operator=(const PipePair &) = delete;

    bool isOpen() const { return !m_path.isEmpty(); }
    QString error() const { return m_error; }
    QString slavePath() const { return m_path; }

    // Closes the pipe, as unplugging the device does.
    void closeMaster()
    {
        setReceiver(nullptr);
        runInThread([&] {
            if (m_host)
                m_host->abort();  // deleted with the server, its parent
            m_host = nullptr;
            if (m_server)
                m_server->close();
        });
        std::lock_guard lock(m_mutex);
        m_closed = true;
        m_changed.notify_all();
    }

    // Writes `data` to the far end once what was written before it has gone
    // into the pipe, and, while someone is connected, waits until it has gone
    // too; returns how many bytes it took: all of them, or none when the
    // earlier bytes had not gone by the deadline (a full line takes nothing).
    // Bytes written while nobody is connected wait for the next connection.
    qsizetype writeMaster(const QByteArray &data, Deadline deadline = Deadline(5000))
    {
        const auto end = std::chrono::steady_clock::now() + deadline;
        std::unique_lock lock(m_mutex);
        auto gone = [&] { return m_closed || (m_outgoing.isEmpty() && m_unwritten == 0); };
        if (!m_changed.wait_until(lock, end, gone) || m_closed)
            return 0;
        m_outgoing += data;
        lock.unlock();
        QMetaObject::invokeMethod(m_server, [this] { sendPending(); }, Qt::QueuedConnection);
        lock.lock();
        m_changed.wait_until(lock, end, [&] { return gone() || !m_connected; });
        return data.size();
    }

    // The far end cannot see what has reached the other end: this waits until
    // everything written has gone into the pipe, on its way there.
    bool waitForSlaveInput(int, Deadline deadline = Deadline(5000))
    {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, deadline, [&] { return m_outgoing.isEmpty() && m_unwritten == 0; });
    }

    // From now on, what arrives at the far end is handed to `receive` in this
    // thread, when its event loop runs, instead of waiting for readMaster;
    // none ends that.
    void setReceiver(std::function<void(const QByteArray &)> receive)
    {
        std::lock_guard lock(m_mutex);
        m_receiverContext.reset();  // what was on its way to the last one is dropped
        m_receive = std::move(receive);
        if (m_receive)
            m_receiverContext = std::make_unique<QObject>();
    }

    // Reads from the far end until `count` bytes have arrived or the deadline
    // passes; returns what arrived.
    QByteArray readMaster(qsizetype count, Deadline deadline = Deadline(5000))
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait_for(lock, deadline, [&] { return m_incoming.size() >= count; });
        const QByteArray got = m_incoming.left(count);
        m_incoming.remove(0, got.size());
        return got;
    }

    // Bytes that have come to the far end and not been read.
    int masterInputQueue() const
    {
        std::lock_guard lock(m_mutex);
        return int(m_incoming.size());
    }
    bool waitForMasterInput(int count, Deadline deadline = Deadline(5000))
    {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, deadline, [&] { return m_incoming.size() >= count; });
    }

private:
    // Runs `work` in the far end's thread and waits for it.
    template <typename Work>
    void runInThread(Work work)
    {
        QMetaObject::invokeMethod(m_server, work, Qt::BlockingQueuedConnection);
    }

    // In the far end's thread.
    void accept()
    {
        while (QLocalSocket *host = m_server->nextPendingConnection()) {
            if (m_host) {
                m_host->abort();
                m_host->deleteLater();
            }
            m_host = host;
            QObject::connect(host, &QLocalSocket::disconnected, host, [this, host] {
                std::lock_guard lock(m_mutex);
                if (host == m_host)
                    m_connected = false;
                m_changed.notify_all();
            });
            QObject::connect(host, &QLocalSocket::readyRead, host, [this, host] {
                const QByteArray bytes = host->readAll();
                std::lock_guard lock(m_mutex);
                if (m_receive) {
                    QMetaObject::invokeMethod(
                        m_receiverContext.get(), [receive = m_receive, bytes] { receive(bytes); },
                        Qt::QueuedConnection);
                    return;
                }
                m_incoming += bytes;
                m_changed.notify_all();
            });
            QObject::connect(host, &QLocalSocket::bytesWritten, host, [this] { sendPending(); });
        }
        {
            std::lock_guard lock(m_mutex);
            m_connected = m_host != nullptr;
        }
        sendPending();
    }

    // In the far end's thread: hands the socket what waits, and notes what
    // it has not yet written into the pipe.
    void sendPending()
    {
        if (!m_host)
            return;
        std::lock_guard lock(m_mutex);
        if (!m_outgoing.isEmpty())
            m_host->write(m_outgoing);
        m_outgoing.clear();
        m_unwritten = m_host->bytesToWrite();
        m_changed.notify_all();
    }

    QThread m_thread;
    QLocalServer *m_server = nullptr;  // lives in m_thread
    QLocalSocket *m_host = nullptr;    // lives in m_thread
    QString m_path;
    QString m_error;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    QByteArray m_outgoing;  // written by the test, not yet handed to the socket
    QByteArray m_incoming;  // arrived, not yet read by the test
    qsizetype m_unwritten = 0;  // handed to the socket, not yet in the pipe
    std::function<void(const QByteArray &)> m_receive;
    std::unique_ptr<QObject> m_receiverContext;  // in the thread that set m_receive
    bool m_connected = false;
    bool m_closed = false;
};
