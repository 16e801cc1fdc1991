#include "device/SimulatedPedalDriver.h"

#include <cstring>

namespace {

void copyListString(const char *text, char *buffer)
{
    std::memset(buffer, 0, ft::ListBufferSize);
    std::strncpy(buffer, text, ft::ListBufferSize);
}

}  // namespace

SimulatedPedalDriver::SimulatedPedalDriver(PedalWire::Clock clock) : m_wire(clock), m_keeper(std::move(clock))
{
    m_wire.setBaudRate(m_baud);
    m_wire.setLineModel(true);
    m_wire.setHostFrame(m_frame);
}

SimulatedPedalDriver::~SimulatedPedalDriver()
{
    m_keeper.flush(m_wire.pedal);
}

bool SimulatedPedalDriver::configure(const PedalSetup &setup, QString *error)
{
    // What the pedal changed is saved to the file it came from before that
    // file is let go.
    m_keeper.flush(m_wire.pedal);
    // Claimed before it is read, so that a pedal refused the file neither
    // loads nor saves it.
    if (!m_keeper.claim(setup.stateFile, error) || !setup.applyTo(m_wire, error)) {
        m_keeper.release();
        return false;
    }
    return true;
}

void SimulatedPedalDriver::unplug()
{
    if (!m_unplugged)
        m_wire.pedal.log().note(QStringLiteral("unplugged"));
    m_unplugged = true;
}

FtStatus SimulatedPedalDriver::check(FtHandle handle) const
{
    if (!m_open || handle != Handle)
        return ft::InvalidHandle;
    return m_unplugged ? ft::IoError : ft::Ok;
}

void SimulatedPedalDriver::settle()
{
    m_keeper.update(m_wire.pedal);
    const int unplugAfter = m_wire.pedal.faults().unplugAfterMessages;
    if (unplugAfter > 0 && m_wire.pedal.log().understoodCount() >= unplugAfter)
        unplug();
}

FtStatus SimulatedPedalDriver::listDeviceCount(std::uint32_t &count)
{
    count = m_unplugged ? 0 : 1;
    return ft::Ok;
}

FtStatus SimulatedPedalDriver::listSerialNumber(std::uint32_t index, char *buffer)
{
    if (index != 0 || m_unplugged)
        return ft::DeviceNotFound;
    copyListString(SerialNumber, buffer);
    return ft::Ok;
}

FtStatus SimulatedPedalDriver::listDescription(std::uint32_t index, char *buffer)
{
    if (index != 0 || m_unplugged)
        return ft::DeviceNotFound;
    copyListString(Description, buffer);
    return ft::Ok;
}

FtStatus SimulatedPedalDriver::openBySerialNumber(const char *serial, FtHandle &handle)
{
    if (std::strcmp(serial, SerialNumber) != 0 || m_unplugged)
        return ft::DeviceNotFound;
    if (m_open)
        return ft::DeviceNotOpened;  // one process at a time, as with the real chip
    m_open = true;
    handle = Handle;
    return ft::Ok;
}

FtStatus SimulatedPedalDriver::close(FtHandle handle)
{
    if (!m_open || handle != Handle)
        return ft::InvalidHandle;
    m_open = false;  // closing a vanished device still frees its handle
    return ft::Ok;
}

FtStatus SimulatedPedalDriver::getQueueStatus(FtHandle handle, std::uint32_t &rxBytes)
{
    if (const FtStatus s = check(handle))
        return s;
    rxBytes = m_wire.available();
    settle();
    return ft::Ok;
}

FtStatus SimulatedPedalDriver::read(FtHandle handle, std::uint8_t *buffer, std::uint32_t toRead,
                                    std::uint32_t &bytesRead)
{
    bytesRead = 0;
    if (const FtStatus s = check(handle))
        return s;
    const QByteArray bytes = m_wire.take(toRead);
    std::memcpy(buffer, bytes.constData(), size_t(bytes.size()));
    bytesRead = std::uint32_t(bytes.size());
    settle();
    return ft::Ok;
}

FtStatus SimulatedPedalDriver::write(FtHandle handle, const std::uint8_t *buffer,
                                     std::uint32_t toWrite, std::uint32_t &bytesWritten)
{
    bytesWritten = 0;
    if (const FtStatus s = check(handle))
        return s;
    m_wire.hostWrite(QByteArray(reinterpret_cast<const char *>(buffer), int(toWrite)));
    bytesWritten = toWrite;
    settle();
    return ft::Ok;
}

FtStatus SimulatedPedalDriver::setBaudRate(FtHandle handle, std::uint32_t baudRate)
{
    if (const FtStatus s = check(handle))
        return s;
    if (baudRate == 0 || baudRate > 3000000)
        return ft::InvalidBaudRate;
    m_baud = baudRate;
    m_wire.setBaudRate(baudRate);
    return ft::Ok;
}

FtStatus SimulatedPedalDriver::setDataCharacteristics(FtHandle handle, std::uint8_t wordLength,
                                                      std::uint8_t stopBits, std::uint8_t parity)
{
    if (const FtStatus s = check(handle))
        return s;
    if ((wordLength != ft::Bits7 && wordLength != ft::Bits8)
        || (stopBits != ft::StopBits1 && stopBits != ft::StopBits2) || parity > ft::ParitySpace)
        return ft::InvalidParameter;
    m_frame = {wordLength, stopBits, parity};
    m_wire.setHostFrame(m_frame);
    return ft::Ok;
}

FtStatus SimulatedPedalDriver::purge(FtHandle handle, std::uint32_t mask)
{
    if (const FtStatus s = check(handle))
        return s;
    if (mask & ft::PurgeRx)
        m_wire.purgeReceived();
    // Writes reach the pedal at once, so there is never anything to purge on TX.
    return ft::Ok;
}
