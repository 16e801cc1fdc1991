#include "model/PedalWire.h"

#include <algorithm>
#include <chrono>

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
    // Start bit, eight data bits and a stop bit, rounded up.
    return (10 * 1000000 + std::int64_t(m_baud) - 1) / std::int64_t(m_baud);
}

void PedalWire::hostWrite(const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return;
    const QByteArray answer = firmware.receive(bytes);
    if (answer.isEmpty())
        return;
    const std::int64_t now = m_clock();
    const std::int64_t byteTime = byteTimeMicroseconds();
    // The message must cross the wire before the firmware can answer it.
    std::int64_t t = std::max(now + std::int64_t(bytes.size()) * byteTime + m_latencyUs,
                              m_lineFreeAt);
    for (char c : answer) {
        t += byteTime;
        m_toHost.push_back({m_pacing ? t : now, c});
    }
    m_lineFreeAt = m_pacing ? t : now;
}

std::uint32_t PedalWire::available() const
{
    const std::int64_t now = m_clock();
    std::uint32_t n = 0;
    for (const Timed &t : m_toHost) {
        if (t.arrivesAt > now)
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
