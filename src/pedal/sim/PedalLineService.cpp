#include "sim/PedalLineService.h"

#include <algorithm>

PedalLineService::PedalLineService(PedalSetup setup, QObject *parent)
    : QObject(parent), m_setup(std::move(setup)), m_keeper(PedalWire::steadyClock())
{
    m_saveTimer.setSingleShot(true);
    connect(&m_saveTimer, &QTimer::timeout, this, [this] { keepState(); });
}

PedalLineService::~PedalLineService()
{
    if (!m_finished)
        finish();
}

bool PedalLineService::start(QString *error)
{
    // The line carries no framing: bytes pass as they are (a clean 8-bit line).
    m_wire.setLineModel(false);
    // The file is claimed before it is read, so that a second simulator
    // neither loads nor saves it.
    if (!m_keeper.claim(m_setup.stateFile, error) || !m_setup.applyTo(m_wire, error)) {
        m_keeper.release();
        m_setupFailed = true;
        return false;
    }
    return openLine(error);
}

bool PedalLineService::finish()
{
    m_finished = true;
    m_saveTimer.stop();
    return m_keeper.flush(m_wire.pedal);
}

void PedalLineService::hostBytes(const QByteArray &bytes)
{
    if (m_lineClosed || bytes.isEmpty())
        return;
    m_wire.hostWrite(bytes);
    keepState();
    const int unplugAfter = m_wire.pedal.faults().unplugAfterMessages;
    if (unplugAfter > 0 && m_wire.pedal.log().understoodCount() >= unplugAfter) {
        unplug();
        return;
    }
    service();
}

void PedalLineService::service()
{
    if (m_lineClosed)
        return;
    m_wire.poll();
    keepState();
    writePending();
    rearm();
}

void PedalLineService::writePending()
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
            return;
        const qint64 n = sendToHost(m_outgoing);
        if (n <= 0)
            return;  // no room: the transport calls service() again
        m_outgoing.remove(0, n);
    }
}

void PedalLineService::rearm()
{
    // With the transport full, bytes that have arrived wait on the wire until
    // it has room again: only the pedal's own events need the timer.
    armTimer(m_outgoing.size() >= OutgoingLimit ? m_wire.nextPedalEventMicroseconds()
                                                : m_wire.nextEventMicroseconds());
}

void PedalLineService::keepState()
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

void PedalLineService::unplug()
{
    m_wire.pedal.log().note(QStringLiteral("unplugged"));
    m_lineClosed = true;
    armTimer(std::nullopt);
    m_saveTimer.stop();
    closeLine();
    emit unplugged();
}
