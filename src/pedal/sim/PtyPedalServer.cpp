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

std::unique_ptr<PedalLineService> PedalLineService::forThisPlatform(PedalSetup setup)
{
    return std::make_unique<PtyPedalServer>(std::move(setup));
}

PtyPedalServer::PtyPedalServer(PedalSetup setup, QObject *parent)
    : PedalLineService(std::move(setup), parent)
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
}

PtyPedalServer::~PtyPedalServer()
{
    delete m_timerNotifier;
    if (m_timerFd >= 0)
        ::close(m_timerFd);
    if (m_master >= 0)
        ::close(m_master);
    if (m_slave >= 0)
        ::close(m_slave);
}

bool PtyPedalServer::openLine(QString *error)
{
    auto failed = [error](const QString &what) {
        if (error)
            *error = what + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno));
        return false;
    };
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
    hostBytes(QByteArray(buffer, int(n)));
}

qint64 PtyPedalServer::sendToHost(const QByteArray &bytes)
{
    for (;;) {
        const ssize_t n = ::write(m_master, bytes.constData(), size_t(bytes.size()));
        if (n < 0 && errno == EINTR)
            continue;
        // Full (EAGAIN) or short: the write notifier calls again when the
        // terminal has room.
        m_writeNotifier->setEnabled(n < bytes.size());
        return n < 0 ? 0 : qint64(n);
    }
}

void PtyPedalServer::armTimer(std::optional<std::int64_t> atUs)
{
    if (m_timerFd < 0)
        return;
    itimerspec when{};
    if (atUs) {
        // The wire's clock is the steady clock, CLOCK_MONOTONIC here; a time
        // already past fires at once.
        const std::int64_t at = std::max<std::int64_t>(*atUs, 1);
        when.it_value.tv_sec = time_t(at / 1'000'000);
        when.it_value.tv_nsec = long(at % 1'000'000) * 1000;
    }
    ::timerfd_settime(m_timerFd, atUs ? TFD_TIMER_ABSTIME : 0, &when, nullptr);
}

void PtyPedalServer::closeLine()
{
    delete m_readNotifier;
    m_readNotifier = nullptr;
    delete m_writeNotifier;
    m_writeNotifier = nullptr;
    ::close(m_master);
    ::close(m_slave);
    m_master = m_slave = -1;
}
