#pragma once

#include "device/FtDriver.h"
#include "model/PedalWire.h"

// An in-process driver with the simulated pedal on the other end of its
// line. It lists one FT230X whose description is the chip's factory text.
class SimulatedPedalDriver final : public FtDriver {
public:
    static constexpr const char *SerialNumber = "SIM00001";
    static constexpr const char *Description = "FT230X Basic UART";

    explicit SimulatedPedalDriver(PedalWire::Clock clock = PedalWire::steadyClock());

    PedalWire &wire() { return m_wire; }
    bool isOpen() const { return m_open; }
    std::uint8_t wordLength() const { return m_wordLength; }
    std::uint8_t stopBits() const { return m_stopBits; }
    std::uint8_t parity() const { return m_parity; }
    std::uint32_t baudRate() const { return m_baud; }

    QString driverName() const override { return QStringLiteral("simulated pedal"); }
    bool isSimulated() const override { return true; }

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
    static constexpr FtHandle Handle = 0x5A4D0001;  // any non-zero value will do

    bool valid(FtHandle handle) const { return m_open && handle == Handle; }

    PedalWire m_wire;
    bool m_open = false;
    std::uint32_t m_baud = 9600;  // the chip's power-on rate
    std::uint8_t m_wordLength = ft::Bits8;
    std::uint8_t m_stopBits = ft::StopBits1;
    std::uint8_t m_parity = ft::ParityNone;
};
