#pragma once

#include "device/FtDriver.h"
#include "model/PedalSetup.h"
#include "model/PedalStateKeeper.h"
#include "model/PedalWire.h"

// An in-process driver with the simulated pedal on the other end of its
// line. It lists one FT230X whose description is the chip's factory text.
//
// The pedal sees the line as the driver's settings make it: the data
// characteristics and the timing of the writes decide whether its USART takes
// each byte (see PedalWire). Unplugging, by unplug() or by the "unplug"
// fault, makes the device vanish from the listing and every call on its handle
// except close fail with FT_IO_ERROR, as the D2XX library does for a device
// that has gone.
//
// The pedal's state file is claimed by configure() for the life of the driver
// (another simulated pedal on the same file is refused), saved at most every
// PedalStateKeeper::SaveIntervalUs (a change inside that interval is saved by
// the first call on the driver after it), and saved a last time when the
// driver is destroyed.
class SimulatedPedalDriver final : public FtDriver {
public:
    static constexpr const char *SerialNumber = "SIM00001";
    static constexpr const char *Description = "FT230X Basic UART";

    explicit SimulatedPedalDriver(PedalWire::Clock clock = PedalWire::steadyClock());
    ~SimulatedPedalDriver() override;

    // Starts the pedal as `setup` says (state file, versions, faults); false
    // with a message on a bad setup or state file, or a state file another
    // simulated pedal holds, when the pedal keeps its factory state and
    // nothing is saved.
    bool configure(const PedalSetup &setup, QString *error);

    PedalWire &wire() { return m_wire; }
    PedalDevice &pedal() { return m_wire.pedal; }
    bool isOpen() const { return m_open; }
    std::uint8_t wordLength() const { return m_frame.wordLength; }
    std::uint8_t stopBits() const { return m_frame.stopBits; }
    std::uint8_t parity() const { return m_frame.parity; }
    std::uint32_t baudRate() const { return m_baud; }

    void unplug();
    bool unplugged() const { return m_unplugged; }
    // The last failure to save the pedal's state file, if any.
    QString saveError() const { return m_keeper.lastError(); }
    const PedalStateKeeper &stateKeeper() const { return m_keeper; }

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

    // The status of a call on `handle` before it does anything.
    FtStatus check(FtHandle handle) const;
    // After the pedal may have acted: saves its state, strikes the unplug fault.
    void settle();

    PedalWire m_wire;
    PedalStateKeeper m_keeper;
    bool m_open = false;
    bool m_unplugged = false;
    std::uint32_t m_baud = 9600;  // the chip's power-on rate
    // The chip powers up in a frame the pedal cannot read (7 data bits, even
    // parity, 2 stop bits), so nothing works until the line is set up.
    UsartReceiver::HostFrame m_frame{7, 2, 2};
};
