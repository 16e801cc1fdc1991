#pragma once

#include "device/FtDriver.h"
#include "device/SimulatedPedalDriver.h"

#include <QByteArray>
#include <QList>
#include <algorithm>
#include <cstdint>
#include <deque>
#include <functional>

// The simulated pedal's driver, with every write kept as it went out, a
// line fault that replaces one answer byte read by the host, and a line that
// hands answer bytes on late, as a USB serial chip holding a short answer
// until its latency timer runs out does.
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
        m_held.clear();
        return m_pedal.openBySerialNumber(serial, handle);
    }
    FtStatus close(FtHandle handle) override
    {
        m_held.clear();
        return m_pedal.close(handle);
    }
    FtStatus getQueueStatus(FtHandle handle, std::uint32_t &rxBytes) override
    {
        if (!lateBy)
            return m_pedal.getQueueStatus(handle, rxBytes);
        const FtStatus status = collect(handle);
        rxBytes = due();
        return status;
    }
    FtStatus read(FtHandle handle, std::uint8_t *buffer, std::uint32_t toRead,
                  std::uint32_t &bytesRead) override
    {
        FtStatus status = ft::Ok;
        if (!lateBy) {
            status = m_pedal.read(handle, buffer, toRead, bytesRead);
        } else {
            status = collect(handle);
            bytesRead = std::min(toRead, due());
            for (std::uint32_t i = 0; i < bytesRead; ++i) {
                buffer[i] = m_held.front().byte;
                m_held.pop_front();
            }
        }
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
    FtStatus purge(FtHandle handle, std::uint32_t mask) override
    {
        if (mask & ft::PurgeRx)
            m_held.clear();
        return m_pedal.purge(handle, mask);
    }

    QByteArray sent() const { return writes.join(); }

    QList<QByteArray> writes;
    QList<int> parities;
    int answerBytes = 0;
    int garbleAnswerByte = 0;  // the n-th answer byte read is replaced by 0x42; 0 = off
    // Answer bytes reach the host this many ms (of `now`) after they arrived.
    int lateBy = 0;
    std::function<std::int64_t()> now;

private:
    struct Held {
        std::int64_t arrivedAt;
        std::uint8_t byte;
    };
    FtStatus collect(FtHandle handle)
    {
        std::uint32_t waiting = 0;
        FtStatus status = m_pedal.getQueueStatus(handle, waiting);
        if (status != ft::Ok || waiting == 0)
            return status;
        QByteArray bytes(int(waiting), '\0');
        std::uint32_t got = 0;
        status = m_pedal.read(handle, reinterpret_cast<std::uint8_t *>(bytes.data()), waiting, got);
        for (std::uint32_t i = 0; i < got; ++i)
            m_held.push_back({now(), std::uint8_t(bytes.at(int(i)))});
        return status;
    }
    std::uint32_t due() const
    {
        std::uint32_t n = 0;
        while (n < m_held.size() && m_held[n].arrivedAt + lateBy <= now())
            ++n;
        return n;
    }

    SimulatedPedalDriver &m_pedal;
    std::deque<Held> m_held;
};
