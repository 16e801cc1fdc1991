#pragma once

#include "device/FtDriver.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <map>
#include <memory>
#include <vector>

class QSerialPort;

// The driver used when the D2XX library is not installed: the serial port the
// operating system's FTDI driver provides (ttyUSB on Linux, COM on Windows),
// plus any port named with `--port PATH`: a pseudo-terminal, say, or a pipe a
// simulated pedal serves where there are no pseudo-terminals (see PipePort;
// the calls on such a port go to it).
//
// Listing: the FTDI ports (USB vendor 0x0403) ordered by port name, then the
// explicit ports in the order they were added. listDeviceCount takes a
// snapshot of that list; the by-index calls read the snapshot, so an index
// stays valid between the count and the look-ups even if a port comes or goes.
//
// The calls never need an event loop: received bytes are taken from the
// operating system when the queue is queried or read, and a write waits until
// its bytes have been handed to the operating system's driver.
//
// Once a port reports a read, write or resource error (the device was
// unplugged, or the far end of a pseudo-terminal closed), every later call on
// its handle except close returns ft::IoError, as the D2XX library does for a
// device that has gone.
//
// Not thread-safe: use it from one thread, the one that owns the ports.
class SerialPortDriver final : public FtDriver {
public:
    SerialPortDriver();
    ~SerialPortDriver() override;

    SerialPortDriver(const SerialPortDriver &) = delete;
    SerialPortDriver &operator=(const SerialPortDriver &) = delete;

    // Lists `path` after the FTDI ports (once, however often it is added). The
    // port need not exist yet; opening it fails with ft::DeviceNotFound if it
    // still does not.
    void addExplicitPort(const QString &path);

    QString driverName() const override;

    // Whether the port at `path` exists and opens now (it is closed again at
    // once); false with the operating system's reason.
    static bool probe(const QString &path, QString *reason);
    // How long a write of `bytes` may take: twice the time they need on the
    // wire at `baudRate` (ten bits a byte for 8N1), plus a second for the USB
    // round trips. A pipe standing in for a port is given the same.
    static int writeDeadlineMs(std::uint32_t bytes, std::int32_t baudRate);

    FtStatus listDeviceCount(std::uint32_t &count) override;
    FtStatus listSerialNumber(std::uint32_t index, char *buffer) override;
    FtStatus listDescription(std::uint32_t index, char *buffer) override;
    FtStatus openBySerialNumber(const char *serial, FtHandle &handle) override;
    FtStatus close(FtHandle handle) override;
    FtStatus getQueueStatus(FtHandle handle, std::uint32_t &rxBytes) override;
    FtStatus read(FtHandle handle, std::uint8_t *buffer, std::uint32_t toRead,
                  std::uint32_t &bytesRead) override;
    FtStatus write(FtHandle handle, const std::uint8_t *buffer, std::uint32_t toWrite,
                   std::uint32_t &bytesWritten) override;
    FtStatus setBaudRate(FtHandle handle, std::uint32_t baudRate) override;
    FtStatus setDataCharacteristics(FtHandle handle, std::uint8_t wordLength,
                                    std::uint8_t stopBits, std::uint8_t parity) override;
    FtStatus purge(FtHandle handle, std::uint32_t mask) override;

private:
    struct ListedPort {
        QString location;      // what QSerialPort opens
        QString explicitPath;  // the path given to addExplicitPort, if any
        QByteArray serial;
        QByteArray description;
    };
    struct OpenPort;

    std::vector<ListedPort> scan() const;
    FtStatus copyListed(std::uint32_t index, bool description, char *buffer);
    // The open port behind a handle, or nullptr for an unknown or closed one.
    OpenPort *find(FtHandle handle);
    // Moves what the operating system has received into the port's buffer,
    // without waiting, until at least `wanted` bytes are buffered or nothing
    // more has arrived.
    static void takeReceived(OpenPort &open, qint64 wanted);

    QStringList m_explicitPorts;
    std::vector<ListedPort> m_snapshot;
    bool m_haveSnapshot = false;
    std::map<FtHandle, std::unique_ptr<OpenPort>> m_open;
    FtHandle m_nextHandle = 1;
};
