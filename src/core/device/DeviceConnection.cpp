#include "device/DeviceConnection.h"

#include "app/LogSink.h"
#include "app/UserPrompts.h"
#include "device/Communication.h"
#include "device/D2XXUnit.h"
#include "device/HexText.h"
#include "firmware/BootloaderProtocol.h"

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
        m_log.PrintToConsole(QStringLiteral("FT_HANDLE: 0x") + hexDigits(quint64(m_transport.device_handle), 8));
        m_log.AppendConsoleLine(QStringLiteral("baud rate = ") + QString::number(m_transport.baud_rate));
    }

    // Whether or not the open succeeded: a failed open shows its write and
    // wait failures too, and ends in "Connection to bootloader failed".
    if (m_communication.firmware_upgrade_mode) {
        const auto exchange = m_communication.beginExchange(QStringLiteral("bootloader handshake"));
        if (!exchange)
            return result;
        QString answer;
        bool synchronised = false;
        if (result.opened) {
            // Bytes from before (a pedal that was talking) are dropped, and
            // the bootloader is found wherever an earlier run left it.
            if (!m_communication.discardStrayBytes() && m_transport.device_gone)
                return result;
            BootloaderProtocol protocol(m_transport, m_log, m_communication.clock(),
                                        BootloaderProtocol::Transfer::Paced);
            synchronised = protocol.synchronise();
            if (m_transport.device_gone)
                return result;
            if (!synchronised)
                m_log.PrintToConsole(QStringLiteral("Synchronisation failed: ") + protocol.failure());
            answer = protocol.syncAnswer();
        } else {
            // Nothing is open: the synchronisation byte and the wait for its
            // answer fail, each with the transport's message.
            m_transport.output_buffer[0] = BootloaderProtocol::Sync;
            m_transport.WriteFTDevice(1);
            answer = m_communication.receive_reply_text(Communication::HandshakeTimeoutMs);
        }
        m_log.AppendConsoleLine(QStringLiteral("received Byte: ") + answer);
        if (synchronised) {
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
