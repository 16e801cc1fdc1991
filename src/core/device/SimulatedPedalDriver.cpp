#include "device/SimulatedPedalDriver.h"

#include <cstring>

namespace {

void copyListString(const char *text, char *buffer)
{
    std::memset(buffer, 0, ft::ListBufferSize);
    std::strncpy(buffer, text, ft::ListBufferSize);
}

}  // namespace

SimulatedPedalDriver::SimulatedPedalDriver(PedalWire::Clock clock) : m_wire(std::move(clock))
{
    m_wire.setBaudRate(m_baud);
}

FtStatus SimulatedPedalDriver::listDeviceCount(std::uint32_t &count)
{
    count = 1;
    return ft::Ok;
}

FtStatus SimulatedPedalDriver::listSerialNumber(std::uint32_t index, char *buffer)
{
    if (index != 0)
        return ft::DeviceNotFound;
    copyListString(SerialNumber, buffer);
    return ft::Ok;
}

FtStatus SimulatedPedalDriver::listDescription(std::uint32_t index, char *buffer)
{
    if (index != 0)
        return ft::DeviceNotFound;
    copyListString(Description, buffer);
    return ft::Ok;
}

FtStatus SimulatedPedalDriver::openBySerialNumber(const char *serial, FtHandle &handle)
{
    if (std::strcmp(serial, SerialNumber) != 0)
        return ft::DeviceNotFound;
    if (m_open)
        return ft::DeviceNotOpened;  // one process at a time, as with the real chip
    m_open = true;
    handle = Handle;
    return ft::Ok;
}

FtStatus SimulatedPedalDriver::close(FtHandle handle)
{
    if (!valid(handle))
        return ft::InvalidHandle;
    m_open = false;
    return ft::Ok;
}

FtStatus SimulatedPedalDriver::getQueueStatus(FtHandle handle, std::uint32_t &rxBytes)
{
    if (!valid(handle))
        return ft::InvalidHandle;
    rxBytes = m_wire.available();
    return ft::Ok;
}

FtStatus SimulatedPedalDriver::read(FtHandle handle, std::uint8_t *buffer, std::uint32_t toRead,
                                    std::uint32_t &bytesRead)
{
    bytesRead = 0;
    if (!valid(handle))
        return ft::InvalidHandle;
    const QByteArray bytes = m_wire.take(toRead);
    std::memcpy(buffer, bytes.constData(), size_t(bytes.size()));
    bytesRead = std::uint32_t(bytes.size());
    return ft::Ok;
}

FtStatus SimulatedPedalDriver::write(FtHandle handle, const std::uint8_t *buffer,
                                     std::uint32_t toWrite, std::uint32_t &bytesWritten)
{
    bytesWritten = 0;
    if (!valid(handle))
        return ft::InvalidHandle;
    m_wire.hostWrite(QByteArray(reinterpret_cast<const char *>(buffer), int(toWrite)));
    bytesWritten = toWrite;
    return ft::Ok;
}

FtStatus SimulatedPedalDriver::setBaudRate(FtHandle handle, std::uint32_t baudRate)
{
    if (!valid(handle))
        return ft::InvalidHandle;
    if (baudRate == 0 || baudRate > 3000000)
        return ft::InvalidBaudRate;
    m_baud = baudRate;
    m_wire.setBaudRate(baudRate);
    return ft::Ok;
}

FtStatus SimulatedPedalDriver::setDataCharacteristics(FtHandle handle, std::uint8_t wordLength,
                                                      std::uint8_t stopBits, std::uint8_t parity)
{
    if (!valid(handle))
        return ft::InvalidHandle;
    if ((wordLength != ft::Bits7 && wordLength != ft::Bits8)
        || (stopBits != ft::StopBits1 && stopBits != ft::StopBits2) || parity > ft::ParitySpace)
        return ft::InvalidParameter;
    m_wordLength = wordLength;
    m_stopBits = stopBits;
    m_parity = parity;
    return ft::Ok;
}

FtStatus SimulatedPedalDriver::purge(FtHandle handle, std::uint32_t mask)
{
    if (!valid(handle))
        return ft::InvalidHandle;
    if (mask & ft::PurgeRx)
        m_wire.purgeReceived();
    // Writes reach the pedal at once, so there is never anything to purge on TX.
    return ft::Ok;
}
