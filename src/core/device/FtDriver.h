#pragma once

#include <QString>
#include <cstdint>

// The platform interface behind D2XXUnit. Its calls are shaped like the nine
// D2XX library functions the editor uses; FT_ListDevices appears as its three
// uses (count, serial number by index, description by index). Each driver is a
// thin adapter: the D2XX library itself, the operating system's serial port,
// or the simulated pedal.

using FtStatus = std::uint32_t;
using FtHandle = std::uintptr_t;  // opaque; 0 means "no device"

namespace ft {

// Status codes as the D2XX library returns them.
enum : FtStatus {
    Ok = 0,
    InvalidHandle = 1,
    DeviceNotFound = 2,
    DeviceNotOpened = 3,
    IoError = 4,
    InsufficientResources = 5,
    InvalidParameter = 6,
    InvalidBaudRate = 7,
    DeviceNotOpenedForErase = 8,
    DeviceNotOpenedForWrite = 9,
    FailedToWriteDevice = 10,
    EepromReadFailed = 11,
    EepromWriteFailed = 12,
    EepromEraseFailed = 13,
    EepromNotPresent = 14,
    EepromNotProgrammed = 15,
    InvalidArgs = 16,
    NotSupported = 17,
    OtherError = 18,
};

// FT_ListDevices flags.
constexpr std::uint32_t ListNumberOnly = 0x80000000u;
constexpr std::uint32_t ListByIndex = 0x40000000u;
constexpr std::uint32_t OpenBySerialNumber = 1u;
constexpr std::uint32_t OpenByDescription = 2u;

// FT_Purge mask bits.
constexpr std::uint32_t PurgeRx = 1u;
constexpr std::uint32_t PurgeTx = 2u;

// FT_SetDataCharacteristics codes.
constexpr std::uint8_t Bits8 = 8;
constexpr std::uint8_t Bits7 = 7;
constexpr std::uint8_t StopBits1 = 0;
constexpr std::uint8_t StopBits2 = 2;
constexpr std::uint8_t ParityNone = 0;
constexpr std::uint8_t ParityOdd = 1;
constexpr std::uint8_t ParityEven = 2;
constexpr std::uint8_t ParityMark = 3;
constexpr std::uint8_t ParitySpace = 4;

// Sizes of the string buffers handed to the listing calls (FTDI documents
// 64 bytes as enough for a serial number or a description).
constexpr int ListBufferSize = 64;

}  // namespace ft

class FtDriver {
public:
    virtual ~FtDriver() = default;

    // Human-readable name for logs and `sombrant list` ("D2XX library", ...).
    virtual QString driverName() const = 0;
    // True for the simulated pedal; the editor never infers it from a name.
    virtual bool isSimulated() const { return false; }

    // FT_ListDevices(&count, nullptr, ListNumberOnly)
    virtual FtStatus listDeviceCount(std::uint32_t &count) = 0;
    // FT_ListDevices(index, buffer, ListByIndex | OpenBySerialNumber).
    // buffer holds ft::ListBufferSize bytes; the driver need not zero-terminate
    // a string that fills it.
    virtual FtStatus listSerialNumber(std::uint32_t index, char *buffer) = 0;
    // FT_ListDevices(index, buffer, ListByIndex | OpenByDescription)
    virtual FtStatus listDescription(std::uint32_t index, char *buffer) = 0;
    // FT_OpenEx(serial, OpenBySerialNumber, &handle); serial is zero-terminated.
    virtual FtStatus openBySerialNumber(const char *serial, FtHandle &handle) = 0;
    virtual FtStatus close(FtHandle handle) = 0;
    virtual FtStatus getQueueStatus(FtHandle handle, std::uint32_t &rxBytes) = 0;
    virtual FtStatus read(FtHandle handle, std::uint8_t *buffer, std::uint32_t toRead,
                          std::uint32_t &bytesRead) = 0;
    virtual FtStatus write(FtHandle handle, const std::uint8_t *buffer, std::uint32_t toWrite,
                           std::uint32_t &bytesWritten) = 0;
    virtual FtStatus setBaudRate(FtHandle handle, std::uint32_t baudRate) = 0;
    virtual FtStatus setDataCharacteristics(FtHandle handle, std::uint8_t wordLength,
                                            std::uint8_t stopBits, std::uint8_t parity) = 0;
    virtual FtStatus purge(FtHandle handle, std::uint32_t mask) = 0;
};
