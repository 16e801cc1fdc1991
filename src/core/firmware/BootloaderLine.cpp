#include "firmware/BootloaderLine.h"

#include "app/PauseClock.h"
#include "device/D2XXUnit.h"

#include <QElapsedTimer>
#include <algorithm>
#include <chrono>
#include <thread>

#ifdef Q_OS_LINUX
#include <sys/prctl.h>
#endif
#ifdef Q_OS_WIN
#include <qt_windows.h>
#endif

namespace {

// The pause after each command or address byte of paced transfer.
constexpr int BytePauseMs = 1;
// Interval of the receive-queue polls in paced transfer; the wait sleeps in
// the event loop.
constexpr int PollMs = 1;

// A pause of a tenth of a millisecond after each of some 50,000 bytes.
// - Linux: the kernel's default timer slack (50 us) would stretch every one
//   of them by half. The slack is the thread's own and only ever lowered here.
// - Windows sleeps and waits in whole timer ticks: a shorter sleep may be no
//   pause at all (with MinGW's threads), a millisecond's may last 15.6, which
//   would stretch an upgrade many-fold. So the pause is timed on the performance counter (what
//   QElapsedTimer reads there), the processor held meanwhile: handing it to
//   another thread on each turn could cost a whole tick on a busy machine.
//   It ends when its time is up.
void pauseMicroseconds(int us)
{
#if defined(Q_OS_WIN)
    QElapsedTimer timer;
    timer.start();
    while (timer.nsecsElapsed() < qint64(us) * 1000)
        YieldProcessor();  // a hint to the processor's pipeline, no system call
#else
#ifdef Q_OS_LINUX
    static const bool precise = ::prctl(PR_SET_TIMERSLACK, 1000UL, 0, 0, 0) == 0;
    Q_UNUSED(precise);
#endif
    std::this_thread::sleep_for(std::chrono::microseconds(us));
#endif
}

}  // namespace

BootloaderLine::BootloaderLine(D2XXUnit &transport, PauseClock &clock, Transfer transfer)
    : bytePause([] { pauseMicroseconds(100); }),
      answerPause([] { pauseMicroseconds(200); }),
      m_transport(transport),
      m_clock(clock),
      m_transfer(transfer)
{
}

bool BootloaderLine::write(const QByteArray &bytes, Pace pace)
{
    auto put = [&](const char *data, int n) {
        std::copy(data, data + n, m_transport.output_buffer.begin());
        m_transport.WriteFTDevice(std::uint32_t(n));
        if (m_transport.ft_status == 0)
            return true;
        m_fault = Fault::Writing;
        return false;
    };
    if (bytes.isEmpty())
        return true;
    if (m_transfer == Transfer::Fast)
        return put(bytes.constData(), int(bytes.size()));
    for (const char &byte : bytes) {
        if (!put(&byte, 1))
            return false;
        if (pace == Pace::Command)
            m_clock.sleep(BytePauseMs);
        else
            bytePause();
    }
    return true;
}

bool BootloaderLine::purge()
{
    if (m_transport.PurgeFTReceive() == 0)
        return true;
    m_fault = Fault::Waiting;
    return false;
}

void BootloaderLine::waitForBytes()
{
    if (m_transfer == Transfer::Fast) {
        // The next step waits on this answer: look again soon, letting the
        // interface run in between.
        m_clock.processEvents(0);
        answerPause();
    } else {
        m_clock.processEvents(PollMs);
    }
}

bool BootloaderLine::takeWaiting(QByteArray &got, int limit)
{
    if (m_transport.QueryFTQueueStatus() != 0) {
        m_fault = Fault::Waiting;
        return false;
    }
    const auto room = std::uint32_t(std::max<qsizetype>(0, limit - got.size()));
    const std::uint32_t waiting = std::min(m_transport.rx_queue_count, room);
    if (waiting == 0)
        return true;
    const std::uint32_t n = m_transport.ReadFTDevice(waiting);
    if (m_transport.ft_status != 0) {
        m_fault = Fault::Reading;
        return false;
    }
    got.append(reinterpret_cast<const char *>(m_transport.input_buffer.data()), int(n));
    return true;
}

std::optional<QByteArray> BootloaderLine::takeAnswer(int timeoutMs, int limit, int quietMs,
                                                     std::optional<std::int64_t> until)
{
    QByteArray got;
    std::int64_t deadline = m_clock.elapsedMs() + timeoutMs;
    if (until)
        deadline = std::min(deadline, *until);
    std::int64_t lastByteAt = 0;
    for (;;) {
        const qsizetype before = got.size();
        if (!takeWaiting(got, limit))
            return std::nullopt;
        const std::int64_t now = m_clock.elapsedMs();
        if (got.size() >= limit)
            return got;
        if (got.size() > before) {
            // Every byte waiting belongs to the answer: look again at once.
            lastByteAt = now;
            continue;
        }
        if (got.isEmpty() ? now >= deadline : now - lastByteAt >= quietMs || (until && now >= *until))
            return got;
        waitForBytes();
    }
}

std::optional<QByteArray> BootloaderLine::readBytes(int count, int timeoutMs)
{
    QByteArray got;
    const std::int64_t deadline = m_clock.elapsedMs() + timeoutMs;
    while (got.size() < count) {
        const qsizetype before = got.size();
        if (!takeWaiting(got, count))
            return std::nullopt;
        if (got.size() == before) {
            if (m_clock.elapsedMs() >= deadline)
                break;
            waitForBytes();
        }
    }
    return got;
}
