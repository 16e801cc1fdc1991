#include "sim/PtyPedalServer.h"

#include <QSocketNotifier>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/timerfd.h>
#include <termios.h>
#include <unistd.h>

PtyPedalServer::PtyPedalServer(PedalSetup setup, QObject *parent)
    : QObject(parent), m_setup(std::move(setup)), m_keeper(PedalWire::steadyClock())
{
    m_timerFd = ::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    if (m_timerFd >= 0) {
        m_timerNotifier = new QSocketNotifier(m_timerFd, QSocketNotifier::Read, this);
        connect(m_timerNotifier, &QSocketNotifier::activated, this, [this] {
            std::uint64_t expirations = 0;
            [[maybe_unused]] const ssize_t n = ::read(m_timerFd, &expirations, sizeof expirations);
            service();
        });
    }
    m_saveTimer.setSingleShot(true);
    connect(&m_saveTimer, &QTimer::timeout, this, [this] { keepState(); });
}

PtyPedalServer::~PtyPedalServer()
{
    delete m_timerNotifier;
    if (m_timerFd >= 0)
        ::close(m_timerFd);
    if (!m_finished)
        finish();
    if (m_master >= 0)
        ::close(m_master);
    if (m_slave >= 0)
        ::close(m_slave);
}

bool PtyPedalServer::start(QString *error)
{
    auto failed = [error](const QString &what) {
        if (error)
            *error = what + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno));
        return false;
    };
    // The pty carries no framing: bytes pass as they are (a clean 8-bit line).
    m_wire.setLineModel(false);
    // The file is claimed before it is read, so that a second simulator
    // neither loads nor saves it.
    if (!m_keeper.claim(m_setup.stateFile, error) || !m_setup.applyTo(m_wire, error)) {
        m_keeper.release();
        m_setupFailed = true;
        return false;
    }

    m_master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (m_master < 0)
        return failed(QStringLiteral("posix_openpt"));
    if (::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0)
        return failed(QStringLiteral("grantpt/unlockpt"));
    const char *name = ::ptsname(m_master);
    if (!name)
        return failed(QStringLiteral("ptsname"));
    m_slavePath = QString::fromLocal8Bit(name);
    m_slave = ::open(name, O_RDWR | O_NOCTTY);
    if (m_slave < 0)
        return failed(QStringLiteral("open ") + m_slavePath);
    termios raw{};
    ::tcgetattr(m_slave, &raw);
    ::cfmakeraw(&raw);
    ::cfsetspeed(&raw, B115200);
    ::tcsetattr(m_slave, TCSANOW, &raw);
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);

    m_readNotifier = new QSocketNotifier(m_master, QSocketNotifier::Read, this);
    connect(m_readNotifier, &QSocketNotifier::activated, this, [this] { readHost(); });
    m_writeNotifier = new QSocketNotifier(m_master, QSocketNotifier::Write, this);
    m_writeNotifier->setEnabled(false);
    connect(m_writeNotifier, &QSocketNotifier::activated, this, [this] { service(); });
    return true;
}

bool PtyPedalServer::finish()
{
    m_finished = true;
    m_saveTimer.stop();
    return m_keeper.flush(m_wire.pedal);
}

void PtyPedalServer::readHost()
{
    char buffer[4096];
    const ssize_t n = ::read(m_master, buffer, sizeof buffer);
    if (n <= 0) {
        if (n < 0 && errno != EAGAIN && errno != EINTR && errno != EIO) {
            std::fprintf(stderr, "read %s: %s\n", qPrintable(m_slavePath), std::strerror(errno));
            m_readNotifier->setEnabled(false);
        }
        return;
    }
    m_wire.hostWrite(QByteArray(buffer, int(n)));
    keepState();
    const int unplugAfter = m_wire.pedal.faults().unplugAfterMessages;
    if (unplugAfter > 0 && m_wire.pedal.log().understoodCount() >= unplugAfter) {
        unplug();
        return;
    }
    service();
}

void PtyPedalServer::service()
{
    if (m_master < 0)
        return;
    m_wire.poll();
    keepState();
    writePending();
    rearm();
}

void PtyPedalServer::writePending()
{
    for (;;) {
        // Take from the wire only what fits under the limit; the rest waits
        // in the wire's transmit buffer, which is bounded.
        if (m_outgoing.size() < OutgoingLimit) {
            const std::uint32_t room = std::uint32_t(OutgoingLimit - m_outgoing.size());
            const std::uint32_t n = std::min(m_wire.available(), room);
            if (n > 0)
                m_outgoing += m_wire.take(n);
        }
        if (m_outgoing.isEmpty())
            break;
        const ssize_t n = ::write(m_master, m_outgoing.constData(), size_t(m_outgoing.size()));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            break;  // full (EAGAIN): the write notifier calls again
        }
        m_outgoing.remove(0, n);
    }
    if (m_writeNotifier)
        m_writeNotifier->setEnabled(!m_outgoing.isEmpty());
}

void PtyPedalServer::rearm()
{
    // With the terminal full, bytes that have arrived wait on the wire until
    // the write notifier calls: only the pedal's own events need the timer.
    const auto next = m_outgoing.size() >= OutgoingLimit ? m_wire.nextPedalEventMicroseconds()
                                                         : m_wire.nextEventMicroseconds();
    if (!next || m_timerFd < 0) {
        stopTimer();
        return;
    }
    // The wire's clock is the steady clock, CLOCK_MONOTONIC here; a time
    // already past fires at once.
    const std::int64_t at = std::max<std::int64_t>(*next, 1);
    itimerspec when{};
    when.it_value.tv_sec = time_t(at / 1'000'000);
    when.it_value.tv_nsec = long(at % 1'000'000) * 1000;
    ::timerfd_settime(m_timerFd, TFD_TIMER_ABSTIME, &when, nullptr);
}

void PtyPedalServer::stopTimer()
{
    if (m_timerFd < 0)
        return;
    const itimerspec off{};
    ::timerfd_settime(m_timerFd, 0, &off, nullptr);
}

void PtyPedalServer::keepState()
{
    // A failed save is in the pedal's log, which the program prints.
    m_keeper.update(m_wire.pedal);
    const auto due = m_keeper.saveDueAt();
    if (!due) {
        m_saveTimer.stop();
        return;
    }
    const std::int64_t waitUs = *due - PedalWire::steadyClock()();
    m_saveTimer.start(int(std::max<std::int64_t>(0, (waitUs + 999) / 1000)));
}

void PtyPedalServer::unplug()
{
    m_wire.pedal.log().note(QStringLiteral("unplugged"));
    stopTimer();
    m_saveTimer.stop();
    delete m_readNotifier;
    m_readNotifier = nullptr;
    delete m_writeNotifier;
    m_writeNotifier = nullptr;
    ::close(m_master);
    ::close(m_slave);
    m_master = m_slave = -1;
    emit unplugged();
}
