#include "model/PedalWire.h"

#include <algorithm>
#include <chrono>
#include <cmath>

namespace {

// More idle bits than this change nothing for a receiver.
constexpr int IdleBitsThatCount = 12;

std::int64_t toUs(std::int64_t ns)
{
    return (ns + 999) / 1000;
}

}  // namespace

PedalWire::Clock PedalWire::steadyClock()
{
    return [] {
        return std::int64_t(std::chrono::duration_cast<std::chrono::microseconds>(
                                std::chrono::steady_clock::now().time_since_epoch())
                                .count());
    };
}

PedalWire::PedalWire(Clock clock) : m_clock(std::move(clock)) {}

std::int64_t PedalWire::byteTimeMicroseconds() const
{
    return (10 * 1000000 + std::int64_t(m_baud) - 1) / std::int64_t(m_baud);
}

void PedalWire::deliver(const QByteArray &bytes, std::int64_t atNs)
{
    if (bytes.isEmpty())
        return;
    schedule(pedal.receive(bytes, toUs(atNs)), atNs);
}

void PedalWire::advance(std::int64_t nowNs)
{
    if (m_lineModel && m_pacing && nowNs > m_hostLineEndNs && m_idleBitsSent < IdleBitsThatCount) {
        const int idle = int(std::min<double>(IdleBitsThatCount, std::floor(double(nowNs - m_hostLineEndNs) / bitNs())));
        if (idle > m_idleBitsSent) {
            const QByteArray got = m_receiver.pushIdle(idle - m_idleBitsSent);
            m_idleBitsSent = idle;
            deliver(got, m_hostLineEndNs + std::int64_t(bitNs()));
        }
    }
    // Pedal timeouts, each handled at the moment it fell due.
    for (int guard = 0; guard < 16; ++guard) {
        const auto deadline = pedal.nextDeadline();
        if (!deadline || *deadline * 1000 > nowNs)
            break;
        schedule(pedal.idle(*deadline), *deadline * 1000);
    }
}

void PedalWire::poll()
{
    advance(m_clock() * 1000);
}

void PedalWire::hostWrite(const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return;
    const std::int64_t nowNs = m_clock() * 1000;
    advance(nowNs);

    const std::int64_t startNs = m_pacing ? std::max(nowNs, m_hostLineEndNs) : nowNs;
    if (!m_lineModel) {
        const std::int64_t endNs =
            m_pacing ? startNs + std::int64_t(double(bytes.size()) * 10 * bitNs()) : startNs;
        m_hostLineEndNs = endNs;
        deliver(bytes, endNs);
        return;
    }

    m_receiver.setParityBit(pedal.mode() == PedalDevice::Mode::Bootloader);
    QByteArray got;
    if (m_pacing && startNs > m_hostLineEndNs && m_idleBitsSent < IdleBitsThatCount) {
        const int idle = int(std::min<double>(IdleBitsThatCount, std::floor(double(startNs - m_hostLineEndNs) / bitNs())));
        if (idle > m_idleBitsSent)
            got += m_receiver.pushIdle(idle - m_idleBitsSent);
    }
    for (char c : bytes)
        got += m_receiver.pushByte(std::uint8_t(c), m_hostFrame);
    const std::int64_t endNs =
        m_pacing ? startNs + std::int64_t(double(bytes.size()) * m_hostFrame.bits() * bitNs()) : startNs;
    m_hostLineEndNs = endNs;
    m_idleBitsSent = 0;
    if (!m_pacing) {
        // Without timing, a write ends with the line idle.
        got += m_receiver.pushIdle(IdleBitsThatCount);
        m_idleBitsSent = IdleBitsThatCount;
    }
    deliver(got, endNs);
}

void PedalWire::schedule(const PedalReplies &replies, std::int64_t nowNs)
{
    const bool bootloader = pedal.mode() == PedalDevice::Mode::Bootloader;
    const double byteNs = (bootloader ? 11 : 10) * bitNs();
    const PedalFaults &faults = pedal.faults();
    for (const PedalReply &reply : replies) {
        if (faults.silent) {
            pedal.log().note(QStringLiteral("silent: %1 answer bytes not sent").arg(reply.bytes.size()));
            continue;
        }
        if (m_toHost.size() + std::size_t(reply.bytes.size()) > TransmitBufferBytes) {
            pedal.log().note(QStringLiteral("transmit buffer full: %1 answer bytes dropped").arg(reply.bytes.size()));
            continue;
        }
        const int parts = std::max(1, std::min(faults.splitParts, int(reply.bytes.size())));
        const std::int64_t readyNs = std::max(reply.readyAtUs * 1000, nowNs)
                                     + (bootloader ? BootloaderLatencyUs : m_latencyUs) * 1000;
        // Without pacing only a delayed reply waits; it holds back those
        // after it, as a line sends its bytes in order.
        double t = double(m_pacing    ? std::max(readyNs, m_pedalLineFreeNs)
                          : reply.delayed ? std::max(reply.readyAtUs * 1000, nowNs)
                                          : nowNs);
        const int per = (int(reply.bytes.size()) + parts - 1) / parts;
        for (int i = 0; i < reply.bytes.size(); ++i) {
            if (i > 0 && i % per == 0)
                t += double(faults.splitGapUs) * 1000;
            if (m_pacing)
                t += byteNs;
            m_toHost.push_back({std::int64_t(std::ceil(t)), reply.bytes.at(i)});
        }
        m_pedalLineFreeNs = std::int64_t(std::ceil(t));
    }
}

std::uint32_t PedalWire::available()
{
    const std::int64_t nowNs = m_clock() * 1000;
    advance(nowNs);
    std::uint32_t n = 0;
    for (const Timed &t : m_toHost) {
        if (t.arrivesAtNs > nowNs)
            break;
        ++n;
    }
    return n;
}

QByteArray PedalWire::take(std::uint32_t max)
{
    const std::uint32_t n = std::min(max, available());
    QByteArray out;
    out.reserve(int(n));
    for (std::uint32_t i = 0; i < n; ++i) {
        out.append(m_toHost.front().byte);
        m_toHost.pop_front();
    }
    return out;
}

void PedalWire::purgeReceived()
{
    take(std::uint32_t(m_toHost.size()));
}

std::optional<std::int64_t> PedalWire::nextEventMicroseconds() const
{
    std::optional<std::int64_t> next = nextPedalEventMicroseconds();
    if (!m_toHost.empty()) {
        const std::int64_t us = toUs(m_toHost.front().arrivesAtNs);
        if (!next || us < *next)
            next = us;
    }
    return next;
}

std::optional<std::int64_t> PedalWire::nextPedalEventMicroseconds() const
{
    std::optional<std::int64_t> next;
    auto consider = [&next](std::int64_t us) {
        if (!next || us < *next)
            next = us;
    };
    if (const auto d = pedal.nextDeadline())
        consider(*d);
    if (m_lineModel && m_pacing && m_receiver.receiving())
        consider(toUs(m_hostLineEndNs + std::int64_t(2 * bitNs())));
    return next;
}
