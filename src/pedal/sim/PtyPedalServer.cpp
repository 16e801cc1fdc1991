#include "sim/PtyPedalServer.h"

#include <QSocketNotifier>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

PtyPedalServer::PtyPedalServer(PedalSetup setup, QObject *parent)
    : QObject(parent), m_setup(std::move(setup))
{
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        deliverDue();
        rearm();
    });
}

PtyPedalServer::~PtyPedalServer()
{
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
    if (!m_setup.applyTo(m_wire, error)) {
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
    connect(m_writeNotifier, &QSocketNotifier::activated, this, [this] { writePending(); });
    return true;
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
    saveState();
    const int unplugAfter = m_wire.pedal.faults().unplugAfterMessages;
    if (unplugAfter > 0 && m_wire.pedal.log().understoodCount() >= unplugAfter) {
        unplug();
        return;
    }
    deliverDue();
    rearm();
}

void PtyPedalServer::deliverDue()
{
    m_wire.poll();
    saveState();
    const std::uint32_t n = m_wire.available();
    if (n > 0)
        m_outgoing += m_wire.take(n);
    writePending();
}

void PtyPedalServer::writePending()
{
    while (!m_outgoing.isEmpty()) {
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
    const auto next = m_wire.nextEventMicroseconds();
    if (!next) {
        m_timer.stop();
        return;
    }
    const std::int64_t now = PedalWire::steadyClock()();
    const std::int64_t waitMs = std::max<std::int64_t>(0, (*next - now + 999) / 1000);
    m_timer.start(int(std::min<std::int64_t>(waitMs, 60'000)));
}

void PtyPedalServer::saveState()
{
    QString error;
    if (!m_setup.saveIfChanged(m_wire, &error))
        std::fprintf(stderr, "%s\n", qPrintable(error));
}

void PtyPedalServer::unplug()
{
    m_wire.pedal.log().note(QStringLiteral("unplugged"));
    m_timer.stop();
    delete m_readNotifier;
    m_readNotifier = nullptr;
    delete m_writeNotifier;
    m_writeNotifier = nullptr;
    ::close(m_master);
    ::close(m_slave);
    m_master = m_slave = -1;
    emit unplugged();
}
