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

PedalResultOf<QList<DeviceConnection::ListedDevice>> DeviceConnection::listDevices()
{
    const auto failed = [this] {
        return PedalResult::failed(QStringLiteral("The attached devices could not be listed: ")
                                   + m_transport.last_failure);
    };
    if (m_transport.GetFTDeviceCount() != 0)
        return failed();
    QList<ListedDevice> devices;
    for (std::uint32_t i = 0; i < m_transport.device_count; ++i) {
        ListedDevice device;
        if (m_transport.GetFTDeviceSerialNo(i) != 0)
            return failed();
        device.serialNumber = QString::fromLocal8Bit(m_transport.FT_Device_String);
        if (m_transport.GetFTDeviceDescription(i) != 0)
            return failed();
        device.description = QString::fromLocal8Bit(m_transport.FT_Device_String);
        devices.append(device);
    }
    return devices;
}

DeviceConnection::Listing DeviceConnection::ListDevicesAtStartup()
{
    Listing listing;
    const auto devices = listDevices();
    if (!devices)
        return listing;
    for (const ListedDevice &device : *devices) {
        listing.serialNumbers += device.serialNumber;
        device_serial_number = device.serialNumber;
        listing.deviceName = displayName(device.description);
    }
    return listing;
}

void DeviceConnection::ScanForDevices(const LabelSink &showDeviceName)
{
    showDeviceName(QStringLiteral("Device Name"));
    const auto listed = listDevices();
    // Nothing reliable was counted when the driver failed.
    const QList<ListedDevice> devices = listed ? *listed : QList<ListedDevice>();
    m_log.PrintToConsole(QStringLiteral("FT device count: ") + QString::number(devices.size()));
    if (devices.isEmpty()) {
        m_prompts.showMessage(QStringLiteral("No device found"));
        showDeviceName(QStringLiteral("No device found"));
        return;
    }
    for (const ListedDevice &device : devices) {
        m_log.PrintToConsole(QStringLiteral("FT_Device_String: ") + device.serialNumber);
        device_serial_number = device.serialNumber;
        showDeviceName(device.description);
        m_prompts.showMessage(device.description + QStringLiteral(" found, click Connect"));
    }
}

PedalResult DeviceConnection::openPedal(const QString &wanted)
{
    const auto devices = listDevices();
    if (!devices)
        return devices.result();
    QStringList serials;
    for (const ListedDevice &device : *devices)
        serials << device.serialNumber;
    if (serials.isEmpty()) {
        m_prompts.showMessage(QStringLiteral("No device found"));
        return PedalResult::failed(QStringLiteral("No device found"));
    }
    if (wanted.isEmpty() && serials.size() > 1) {
        const QString why = QStringLiteral("%1 devices are attached (%2); choose one with --serial")
                                .arg(serials.size())
                                .arg(serials.join(QStringLiteral(", ")));
        m_prompts.showMessage(why);
        return PedalResult::refused(why);
    }
    device_serial_number = wanted.isEmpty() ? serials.first() : wanted;
    SetSerialDefaults();
    if (!ConnectToDevice([](const QString &) {}).opened)
        return PedalResult::failed(QStringLiteral("The pedal could not be opened: ") + m_transport.last_failure);
    // A pedal unplugged while it was set up has said so.
    if (m_transport.device_gone)
        return PedalResult::failed(QStringLiteral("The pedal went while it was set up: ")
                                   + m_transport.last_failure);
    return PedalResult::done();
}

DeviceConnection::ConnectResult DeviceConnection::ConnectToDevice(const LabelSink &appendToLabel)
{
    ConnectResult result;
    m_log.PrintToConsole(QStringLiteral("serial number: ") + device_serial_number);
    result.opened = m_transport.Open_USB_Device_By_Serial_Number(device_serial_number) == 0;
    m_open = m_open || result.opened;
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

bool DeviceConnection::deviceGone() const
{
    return m_transport.device_gone;
}

bool DeviceConnection::Disconnect()
{
    m_open = false;
    return m_transport.CloseFTDevice() == 0;
}
