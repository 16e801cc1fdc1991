#include "PedalSession.h"

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

bool PedalSession::open(const QString &serial, bool *usageError)
{
    *usageError = false;
    // A simulated pedal that cannot be set up as asked is the caller's mistake.
    if (!m_setupError.isEmpty()) {
        m_prompts.showMessage(m_setupError);
        *usageError = true;
        return false;
    }
    if (m_transport->GetFTDeviceCount() != 0)
        return false;
    QStringList serials;
    for (std::uint32_t i = 0; i < m_transport->device_count; ++i) {
        if (m_transport->GetFTDeviceSerialNo(i) != 0)
            return false;
        serials << QString::fromLocal8Bit(m_transport->FT_Device_String);
    }
    if (serials.isEmpty()) {
        m_prompts.showMessage(QStringLiteral("No device found"));
        return false;
    }
    if (serial.isEmpty() && serials.size() > 1) {
        m_prompts.showMessage(QStringLiteral("%1 devices are attached (%2); choose one with --serial")
                                  .arg(serials.size())
                                  .arg(serials.join(QStringLiteral(", "))));
        *usageError = true;
        return false;
    }
    m_connection->device_serial_number = serial.isEmpty() ? serials.first() : serial;
    m_connection->SetSerialDefaults();
    m_open = m_connection->ConnectToDevice([](const QString &) {}).opened;
    // A pedal unplugged while it was set up has said so; it is closed on exit.
    return m_open && !m_transport->device_gone;
}
