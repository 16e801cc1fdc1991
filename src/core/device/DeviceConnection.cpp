#include "device/DeviceConnection.h"

#include "app/LogSink.h"
#include "app/UserPrompts.h"
#include "device/Communication.h"
#include "device/D2XXUnit.h"

DeviceConnection::DeviceConnection(D2XXUnit &transport, Communication &communication,
                                   LogSink &log, UserPrompts &prompts)
    : m_transport(transport), m_communication(communication), m_log(log), m_prompts(prompts)
{
}

QString DeviceConnection::displayName(const QString &description)
{
    return description == QLatin1String(FactoryDescription) ? QString::fromLatin1(ProductName)
                                                            : description;
}

void DeviceConnection::SetSerialDefaults()
{
    m_transport.baud_rate = 115200;
    m_transport.word_length = 8;
    m_transport.stop_bits = 0;
    m_transport.parity = 0;
}

DeviceConnection::Listing DeviceConnection::ListDevicesAtStartup()
{
    Listing listing;
    if (m_transport.GetFTDeviceCount() != 0)
        return listing;
    for (std::uint32_t i = 0; i < m_transport.device_count; ++i) {
        m_transport.GetFTDeviceSerialNo(i);
        const QString serial = QString::fromLocal8Bit(m_transport.FT_Device_String);
        listing.serialNumbers += serial;
        device_serial_number = serial;
        m_transport.GetFTDeviceDescription(i);
        listing.deviceName = displayName(QString::fromLocal8Bit(m_transport.FT_Device_String));
    }
    return listing;
}

void DeviceConnection::ScanForDevices(const LabelSink &showDeviceName)
{
    showDeviceName(QStringLiteral("Device Name"));
    if (m_transport.GetFTDeviceCount() != 0)
        m_transport.device_count = 0;  // nothing reliable was counted
    m_log.PrintToConsole(QStringLiteral("FT device count: ") + QString::number(m_transport.device_count));
    if (m_transport.device_count == 0) {
        m_prompts.showMessage(QStringLiteral("No device found"));
        showDeviceName(QStringLiteral("No device found"));
        return;
    }
    for (std::uint32_t i = 0; i < m_transport.device_count; ++i) {
        m_transport.GetFTDeviceSerialNo(i);
        const QString serial = QString::fromLocal8Bit(m_transport.FT_Device_String);
        m_log.PrintToConsole(QStringLiteral("FT_Device_String: ") + serial);
        device_serial_number = serial;
        m_transport.GetFTDeviceDescription(i);
        const QString description = QString::fromLocal8Bit(m_transport.FT_Device_String);
        showDeviceName(description);
        m_prompts.showMessage(description + QStringLiteral(" found, click Connect"));
    }
}

DeviceConnection::ConnectResult DeviceConnection::ConnectToDevice(const LabelSink &appendToLabel)
{
    ConnectResult result;
    m_log.PrintToConsole(QStringLiteral("serial number: ") + device_serial_number);
    result.opened = m_transport.Open_USB_Device_By_Serial_Number(device_serial_number) == 0;
    if (result.opened) {
        appendToLabel(QStringLiteral(" connected"));
        m_transport.ApplyFTBaudRate();
        m_transport.ApplyFTDataCharacteristics();
        // A pedal unplugged now has said so once (the call after the failing
        // one was not made): Connect ends here.
        if (m_transport.device_gone)
            return result;
        m_log.PrintToConsole(
            QStringLiteral("FT_HANDLE: 0x")
            + QStringLiteral("%1").arg(quint64(m_transport.device_handle), 8, 16, QLatin1Char('0')).toUpper());
        m_log.AppendConsoleLine(QStringLiteral("baud rate = ") + QString::number(m_transport.baud_rate));
    }

    // Whether or not the open succeeded: a failed open shows its write and
    // wait failures too, and ends in "Connection to bootloader failed".
    if (m_communication.firmware_upgrade_mode) {
        const auto exchange = m_communication.beginExchange(QStringLiteral("bootloader handshake"));
        if (!exchange)
            return result;
        // An open device may hold bytes from before (a pedal that was
        // talking): they must not be taken for the answer.
        if (result.opened && !m_communication.discardStrayBytes() && m_transport.device_gone)
            return result;
        // Bootloader synchronisation: 7F, answered by 79 (ACK) or 1F (NACK).
        m_transport.output_buffer[0] = 0x7F;
        m_transport.WriteFTDevice(1);
        if (m_transport.device_gone)
            return result;
        const QString answer = m_communication.receive_reply_text(Communication::HandshakeTimeoutMs);
        if (m_transport.device_gone)
            return result;
        m_log.AppendConsoleLine(QStringLiteral("received Byte: ") + answer);
        if (answer == QLatin1String("79")) {
            m_prompts.showMessage(
                QStringLiteral("Connection to bootloader succeeded, ready for firmware upgrade"));
            result.handshakeAcknowledged = true;
        } else {
            m_prompts.showMessage(QStringLiteral("Connection to bootloader failed"));
        }
    }
    return result;
}

bool DeviceConnection::Disconnect()
{
    return m_transport.CloseFTDevice() == 0;
}
