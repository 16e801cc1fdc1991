#pragma once

#include "device/FtDriver.h"

#include <QLibrary>
#include <QString>
#include <memory>

// The driver that talks to a real pedal through FTDI's D2XX shared library,
// loaded at run time so the editor starts (and can fall back to another
// driver) on a machine without it.
//
// load() must succeed before the calls do anything: until then every call
// returns ft::OtherError (18) and sets its count, handle or byte-count
// outputs to zero, so D2XXUnit reports "<label> - Unknown error (status 18)"
// rather than crashing.
//
// Once loaded, the library stays loaded for the rest of the run: it may keep
// threads of its own, and handles it gave out must never outlive its code.
class D2xxLibraryDriver final : public FtDriver {
public:
    // libraryFile is handed to QLibrary as it is: an absolute path, or a bare
    // file name that the system's library search resolves.
    explicit D2xxLibraryDriver(const QString &libraryFile = defaultLibraryFile());
    ~D2xxLibraryDriver() override;

    D2xxLibraryDriver(const D2xxLibraryDriver &) = delete;
    D2xxLibraryDriver &operator=(const D2xxLibraryDriver &) = delete;

    // SOMBRANT_FTD2XX_LIBRARY if set and non-empty; otherwise the library's
    // usual file name on this platform: on Windows FTD2XX.DLL in the system
    // folder by its full path, where FTDI's installer puts it, so that no
    // other folder is searched.
    static QString defaultLibraryFile();

    // Where users get the library.
    static constexpr const char *DownloadPage = "https://ftdichip.com/drivers/d2xx-drivers/";

    // Loads the library and resolves all nine functions; a second call after a
    // success does nothing. On failure returns false, leaves the driver
    // unloaded and sets *errorText to "<file> lacks <function>" or, when the
    // library cannot be loaded, to "Cannot load <file>: <reason>. FTDI's D2XX
    // drivers page has it: <DownloadPage>. Without it the editor uses the
    // serial port of the system's FTDI driver.", the reason being "the D2XX
    // library is not installed" when no file is at a full path.
    bool load(QString *errorText = nullptr);
    bool isLoaded() const { return m_api != nullptr; }
    QString libraryFile() const { return m_libraryFile; }

    QString driverName() const override;

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
    // The resolved entry points, typed in the .cpp where the platform's
    // calling convention and integer widths are spelled out. Null until a
    // successful load().
    struct Api;

    FtStatus listString(std::uint32_t index, std::uint32_t what, char *buffer);
    static QString loadFailure(const QString &libraryFile, const QString &systemWords);

    QString m_libraryFile;
    QLibrary m_library;
    std::unique_ptr<const Api> m_api;
};
