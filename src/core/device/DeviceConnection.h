#pragma once

#include "device/PedalResult.h"

#include <QList>
#include <QString>
#include <functional>

class Communication;
class D2XXUnit;
class LogSink;
class UserPrompts;

// Finding, opening and closing the pedal, and the bootloader handshake that
// Connect runs in firmware upgrade mode. What the window shows is handed back
// through the label callback and the results; the window sets its controls.
class DeviceConnection {
public:
    // The FT230X's factory description, shown as the product's name.
    static constexpr const char *FactoryDescription = "FT230X Basic UART";
    static constexpr const char *ProductName = "Sombrant MK3";

    // Shows a text in the device-name label.
    using LabelSink = std::function<void(const QString &)>;

    struct Listing {
        QString serialNumbers;  // appended to "Device Serial: ", run together
        QString deviceName;     // for the label; empty when nothing was listed
    };

    struct ConnectResult {
        bool opened = false;
        bool handshakeAcknowledged = false;  // the bootloader is synchronised
    };

    // One attached device as the driver lists it.
    struct ListedDevice {
        QString serialNumber;
        QString description;
    };

    DeviceConnection(D2XXUnit &transport, Communication &communication, LogSink &log,
                     UserPrompts &prompts);

    // 115200 baud, 8 data bits, 1 stop bit, no parity; reaches the driver at Connect.
    void SetSerialDefaults();
    // Every attached device, in the driver's order, as start-up, Scan, the
    // tool's list and its session see them. Failed at the first driver call
    // that fails (its box was shown).
    PedalResultOf<QList<ListedDevice>> listDevices();
    // The tool's open: lists the devices and opens `wanted`, or the only one
    // attached when none is named, with the line set as Connect sets it.
    // Failed when nothing is attached ("No device found" shown), the driver
    // failed or the pedal went while it was set up; Refused when several are
    // attached and none is named (shown, with their serial numbers).
    PedalResult openPedal(const QString &wanted);
    // Quiet listing at start: no log line, no message box.
    Listing ListDevicesAtStartup();
    // The Scan item: lists with log lines and a message box per device.
    void ScanForDevices(const LabelSink &showDeviceName);
    // Opens device_serial_number and sets the line; in firmware upgrade mode
    // (Communication::firmware_upgrade_mode) then synchronises with the
    // bootloader (BootloaderProtocol::synchronise, which finds it wherever an
    // earlier run left it) and logs "received Byte: " with the answer that
    // settled it. appendToLabel receives " connected". A device found gone
    // (D2XXUnit::device_gone) ends it at that first failure; it is then open
    // but useless, and the caller closes it.
    ConnectResult ConnectToDevice(const LabelSink &appendToLabel);
    // Closes the device; false when the close failed (its box was shown).
    bool Disconnect();
    // A Connect opened the device and no Disconnect has closed it since.
    bool deviceOpen() const { return m_open; }
    // The open device has gone (unplugged): its box was shown once, and every
    // call on it fails quietly until it is closed.
    bool deviceGone() const;

    // "Sombrant MK3" for the chip's factory description, any other unchanged.
    static QString displayName(const QString &description);

    // The device Connect opens: the last one listed.
    QString device_serial_number;

private:
    D2XXUnit &m_transport;
    Communication &m_communication;
    LogSink &m_log;
    UserPrompts &m_prompts;
    bool m_open = false;
};
