#pragma once

#include "device/FtDriver.h"

#include <QLocalSocket>
#include <QString>

// A pipe standing in for a serial port, for a pedal played by another program
// where there is no pseudo-terminal to play it on: on Windows a named pipe
// (\\.\pipe\NAME), elsewhere a local socket's path. SerialPortDriver opens one
// for a port named so and calls it as it calls QSerialPort; the answers are
// shaped like the D2XX library's.
//
// A pipe has no line settings: the program on its far end paces the bytes.
// The baud rate is kept only to give writes the deadline the line would.
//
// Once the far end has closed the pipe (the device was unplugged), every call
// but close answers ft::IoError. A write that cannot finish by its deadline
// closes the pipe too: a pipe cannot take back bytes it has queued, and their
// tail must not arrive later in front of the next message.
//
// Like QSerialPort here, it needs no event loop: what has arrived is taken
// when the queue is queried or read, and a write waits until its bytes are in
// the pipe.
class PipePort {
public:
    PipePort();
    PipePort(const PipePort &) = delete;
    PipePort &operator=(const PipePort &) = delete;

    // Whether `name` names a pipe rather than a serial port.
    static bool isPipeName(const QString &name);
    // Whether the pipe is there and takes a connection now (it is closed again
    // at once); false with the reason.
    static bool probe(const QString &name, QString *reason);

    // ft::DeviceNotFound when nothing serves the pipe, ft::DeviceNotOpened
    // when it refuses the connection.
    FtStatus open(const QString &name);
    // Whether the far end has closed the pipe (or a write gave up on it).
    bool gone();

    FtStatus queueStatus(std::uint32_t &rxBytes);
    FtStatus read(std::uint8_t *buffer, std::uint32_t toRead, std::uint32_t &bytesRead);
    FtStatus write(const std::uint8_t *buffer, std::uint32_t toWrite, std::uint32_t &bytesWritten);
    FtStatus purgeReceived();
    void setBaudRate(qint32 baudRate) { m_baudRate = baudRate; }

private:
    // Moves what has arrived into the socket's buffer, without waiting, until
    // at least `wanted` bytes are buffered or nothing more has arrived.
    void takeReceived(qint64 wanted);
    bool farEndClosed();
    void fault();

    QLocalSocket m_socket;
    bool m_faulted = false;
    qint32 m_baudRate = 9600;
};
