#pragma once

#include "device/FtDriver.h"
#include "device/SimulatedPedalDriver.h"

#include <QByteArray>
#include <QList>

// The simulated pedal's driver, with every write kept as it went out and a
// line fault that replaces one answer byte read by the host.
class RecordingPedalDriver final : public FtDriver {
public:
    explicit RecordingPedalDriver(SimulatedPedalDriver &pedal) : m_pedal(pedal) {}

    QString driverName() const override { return m_pedal.driverName(); }
    FtStatus listDeviceCount(std::uint32_t &count) override { return m_pedal.listDeviceCount(count); }
    FtStatus listSerialNumber(std::uint32_t index, char *buffer) override
    {
        return m_pedal.listSerialNumber(index, buffer);
    }
    FtStatus listDescription(std::uint32_t index, char *buffer) override
    {
        return m_pedal.listDescription(index, buffer);
    }
    FtStatus openBySerialNumber(const char *serial, FtHandle &handle) override
    {
        return m_pedal.openBySerialNumber(serial, handle);
    }
    FtStatus close(FtHandle handle) override { return m_pedal.close(handle); }
    FtStatus getQueueStatus(FtHandle handle, std::uint32_t &rxBytes) override
    {
        return m_pedal.getQueueStatus(handle, rxBytes);
    }
    FtStatus read(FtHandle handle, std::uint8_t *buffer, std::uint32_t toRead,
                  std::uint32_t &bytesRead) override
    {
        const FtStatus status = m_pedal.read(handle, buffer, toRead, bytesRead);
        for (std::uint32_t i = 0; i < bytesRead; ++i)
            if (++answerBytes == garbleAnswerByte)
                buffer[i] = 0x42;
        return status;
    }
    FtStatus write(FtHandle handle, const std::uint8_t *buffer, std::uint32_t toWrite,
                   std::uint32_t &bytesWritten) override
    {
        writes << QByteArray(reinterpret_cast<const char *>(buffer), int(toWrite));
        return m_pedal.write(handle, buffer, toWrite, bytesWritten);
    }
    FtStatus setBaudRate(FtHandle handle, std::uint32_t baudRate) override
    {
        return m_pedal.setBaudRate(handle, baudRate);
    }
    FtStatus setDataCharacteristics(FtHandle handle, std::uint8_t wordLength, std::uint8_t stopBits,
                                    std::uint8_t parity) override
    {
        parities << parity;
        return m_pedal.setDataCharacteristics(handle, wordLength, stopBits, parity);
    }
    FtStatus purge(FtHandle handle, std::uint32_t mask) override { return m_pedal.purge(handle, mask); }

    QByteArray sent() const { return writes.join(); }

    QList<QByteArray> writes;
    QList<int> parities;
    int answerBytes = 0;
    int garbleAnswerByte = 0;  // the n-th answer byte read is replaced by 0x42; 0 = off

private:
    SimulatedPedalDriver &m_pedal;
};
