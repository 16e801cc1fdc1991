#include "PedalSession.h"

#include "ExitStatus.h"

PedalSession::PedalSession(const DriverSelection::Options &options, bool verbose)
    : m_prompts(verbose)
{
    QString driverLine;
    m_driver = DriverSelection::choose(options, &driverLine, &m_setupError);
    m_prompts.PrintToConsole(driverLine);
    m_transport = std::make_unique<D2XXUnit>(*m_driver, m_prompts);
    m_communication = std::make_unique<Communication>(*m_transport, m_prompts, m_prompts, m_clock);
    m_connection =
        std::make_unique<DeviceConnection>(*m_transport, *m_communication, m_prompts, m_prompts);
}

PedalSession::~PedalSession()
{
    // Unlike the editor, the tool leaves nothing open behind it.
    if (m_open)
        m_transport->CloseFTDevice();
}

int PedalSession::exitStatus(const PedalResult &result, const QString &note)
{
    switch (result.outcome()) {
    case PedalResult::Outcome::Done:
        return Success;
    case PedalResult::Outcome::Declined:
        if (m_prompts.unanswered()) {
            m_prompts.showMessage(result.reason() + QStringLiteral(": give --yes, or answer at a terminal."));
            return UsageError;
        }
        m_prompts.showMessage(result.reason() + QStringLiteral(": the answer was No.") + note);
        return PedalFailure;
    case PedalResult::Outcome::Refused:
        return UsageError;
    case PedalResult::Outcome::Failed:
        if (!result.told())
            m_prompts.showMessage(result.reason());
        break;
    }
    return PedalFailure;
}

bool PedalSession::open(const QString &serial, bool *usageError)
{
    *usageError = false;
    // A simulated pedal that cannot be set up as asked is the caller's mistake.
    if (!m_setupError.isEmpty()) {
        m_prompts.showMessage(m_setupError);
        *usageError = true;
        return false;
    }
    const PedalResult opened = m_connection->openPedal(serial);
    *usageError = opened.isRefused();
    // Opened, even when the pedal went while it was set up: closed on exit.
    m_open = m_connection->deviceOpen();
    return opened.isDone();
}
