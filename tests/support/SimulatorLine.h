#pragma once

#include <QIODevice>
#include <QString>
#include <QtGlobal>
#include <memory>

#ifdef Q_OS_WIN
#include <QLocalSocket>
#else
#include <QSerialPort>
#endif

// A host's end of the line a simulator serves (Simulator::path()), opened
// the way a program opens it: a serial port at 115200 8N1 on a pseudo-
// terminal, a connection to the simulator's named pipe on Windows. Null with
// the reason when it does not open.
inline std::unique_ptr<QIODevice> openSimulatorLine(const QString &path, QString *error)
{
#ifdef Q_OS_WIN
    auto pipe = std::make_unique<QLocalSocket>();
    pipe->connectToServer(path);
    if (!pipe->waitForConnected(5000)) {
        *error = pipe->errorString();
        return nullptr;
    }
    return pipe;
#else
    auto port = std::make_unique<QSerialPort>(path);
    if (!port->open(QIODevice::ReadWrite)) {
        *error = port->errorString();
        return nullptr;
    }
    port->setBaudRate(115200);
    port->setDataBits(QSerialPort::Data8);
    port->setParity(QSerialPort::NoParity);
    return port;
#endif
}

// Drops what has arrived on the line and not been read.
inline void dropReceived(QIODevice &line)
{
#ifdef Q_OS_WIN
    line.readAll();
#else
    static_cast<QSerialPort &>(line).clear(QSerialPort::Input);
#endif
}
