#pragma once

#include <QtGlobal>

#ifdef Q_OS_WIN
// Windows has no pseudo-terminals: the device's end of the line is a pipe
// there, with the same calls (the terminal's settings and its slave end's
// queue aside, which tests that need them skip on Windows).
#include "PipePair.h"
using PtyPair = PipePair;
#else

#include <QByteArray>
#include <QObject>
#include <QSocketNotifier>
#include <QString>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <memory>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

// A pseudo-terminal for tests that play the device's side of a serial line:
// the code under test opens slavePath() like any serial port, and the test
// reads and writes the master end. The slave is put in raw mode and kept open
// here, so the line stays up while the code under test opens and closes it.
//
// Every wait has a deadline; the helpers return what arrived by then and the
// test asserts on that content.
class PtyPair {
public:
    using Deadline = std::chrono::milliseconds;

    PtyPair()
    {
        char name[256] = {};
        if (::openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0) {
            m_error = QStringLiteral("openpty: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
            m_master = m_slave = -1;
            return;
        }
        m_slavePath = QString::fromLocal8Bit(name);
        termios raw{};
        ::tcgetattr(m_slave, &raw);
        ::cfmakeraw(&raw);
        ::tcsetattr(m_slave, TCSANOW, &raw);
        ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    }

    ~PtyPair()
    {
        closeMaster();
        if (m_slave >= 0)
            ::close(m_slave);
    }

    PtyPair(const PtyPair &) = delete;
    PtyPair &operator=(const PtyPair &) = delete;

    bool isOpen() const { return m_master >= 0; }
    QString error() const { return m_error; }
    QString slavePath() const { return m_slavePath; }
    int slaveFd() const { return m_slave; }
    int masterFd() const { return m_master; }

    // From now on, what arrives at the master is handed to `receive` when
    // this thread's event loop runs, instead of waiting for readMaster; none
    // ends that.
    void setReceiver(std::function<void(const QByteArray &)> receive)
    {
        m_receiver.reset();
        if (!receive || m_master < 0)
            return;
        m_receiver = std::make_unique<QSocketNotifier>(m_master, QSocketNotifier::Read);
        QObject::connect(m_receiver.get(), &QSocketNotifier::activated, [this, receive] {
            char buffer[256];
            const ssize_t n = ::read(m_master, buffer, sizeof buffer);
            if (n > 0)
                receive(QByteArray(buffer, int(n)));
        });
    }

    // Hangs up the line, as unplugging the device does.
    void closeMaster()
    {
        m_receiver.reset();
        if (m_master >= 0)
            ::close(m_master);
        m_master = -1;
    }

    // Writes all of `data` to the master; returns how many bytes went before
    // the deadline.
    qsizetype writeMaster(const QByteArray &data, Deadline deadline = Deadline(5000))
    {
        const auto end = std::chrono::steady_clock::now() + deadline;
        qsizetype done = 0;
        while (m_master >= 0 && done < data.size() && waitFor(POLLOUT, end)) {
            const ssize_t n = ::write(m_master, data.constData() + done, size_t(data.size() - done));
            if (n < 0 && errno != EAGAIN && errno != EINTR)
                break;
            if (n > 0)
                done += n;
        }
        return done;
    }

    // Reads from the master until `count` bytes have arrived or the deadline
    // passes; returns what arrived.
    QByteArray readMaster(qsizetype count, Deadline deadline = Deadline(5000))
    {
        const auto end = std::chrono::steady_clock::now() + deadline;
        QByteArray got;
        char chunk[4096];
        while (m_master >= 0 && got.size() < count && waitFor(POLLIN, end)) {
            const ssize_t n = ::read(m_master, chunk, std::min<size_t>(sizeof chunk, size_t(count - got.size())));
            if (n < 0 && errno != EAGAIN && errno != EINTR)
                break;
            if (n > 0)
                got.append(chunk, n);
        }
        return got;
    }

    // Bytes received and not yet read, at the slave end or at the master end.
    int slaveInputQueue() const { return inputQueue(m_slave); }
    int masterInputQueue() const { return inputQueue(m_master); }

    // Poll until that end's input queue holds at least `count` bytes. The
    // master end shows at most 4095 bytes pending; more wait in the kernel.
    bool waitForSlaveInput(int count, Deadline deadline = Deadline(5000)) const
    {
        return waitForInput(m_slave, count, deadline);
    }
    bool waitForMasterInput(int count, Deadline deadline = Deadline(5000)) const
    {
        return waitForInput(m_master, count, deadline);
    }

    termios slaveTermios() const
    {
        termios t{};
        ::tcgetattr(m_slave, &t);
        return t;
    }

    bool setSlaveTermios(const termios &t) { return ::tcsetattr(m_slave, TCSANOW, &t) == 0; }

private:
    static int inputQueue(int fd)
    {
        int n = -1;
        ::ioctl(fd, FIONREAD, &n);
        return n;
    }

    static bool waitForInput(int fd, int count, Deadline deadline)
    {
        const auto end = std::chrono::steady_clock::now() + deadline;
        while (inputQueue(fd) < count) {
            if (std::chrono::steady_clock::now() >= end)
                return false;
            ::usleep(1000);
        }
        return true;
    }

    bool waitFor(short events, std::chrono::steady_clock::time_point end) const
    {
        for (;;) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                end - std::chrono::steady_clock::now());
            if (left.count() < 0)
                return false;
            pollfd fd{m_master, events, 0};
            const int r = ::poll(&fd, 1, int(left.count()));
            if (r > 0)
                return (fd.revents & events) != 0;
            if (r == 0 || errno != EINTR)
                return false;
        }
    }

    int m_master = -1;
    int m_slave = -1;
    QString m_slavePath;
    QString m_error;
    std::unique_ptr<QSocketNotifier> m_receiver;
};

#endif  // Q_OS_WIN
