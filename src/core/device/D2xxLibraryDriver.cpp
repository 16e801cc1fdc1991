#include "device/D2xxLibraryDriver.h"

#include <QDir>
#include <QFileInfo>
#include <QtGlobal>
#include <memory>
#include <type_traits>

#if defined(Q_OS_WIN)
#include <array>
#include <qt_windows.h>
#endif

// The D2XX library's C types. DWORD and ULONG are 32 bits everywhere: a plain
// unsigned int on Linux and macOS, unsigned long on Windows, where the
// functions also use the WINAPI (__stdcall) convention.
#if defined(Q_OS_WIN)
#define SOMBRANT_D2XX_CALL __stdcall
using D2xxDword = unsigned long;
#else
#define SOMBRANT_D2XX_CALL
using D2xxDword = unsigned int;
#endif

namespace {

using D2xxUlong = D2xxDword;
using D2xxStatus = D2xxUlong;
using D2xxUchar = unsigned char;
using D2xxHandle = void *;

static_assert(sizeof(D2xxDword) == sizeof(std::uint32_t), "DWORD must be 32 bits");
static_assert(sizeof(D2xxHandle) <= sizeof(FtHandle), "FtHandle must carry a pointer");

using ListDevicesFn = D2xxStatus(SOMBRANT_D2XX_CALL *)(void *arg1, void *arg2, D2xxDword flags);
using OpenExFn = D2xxStatus(SOMBRANT_D2XX_CALL *)(void *arg1, D2xxDword flags,
                                                   D2xxHandle *handle);
using CloseFn = D2xxStatus(SOMBRANT_D2XX_CALL *)(D2xxHandle handle);
using GetQueueStatusFn = D2xxStatus(SOMBRANT_D2XX_CALL *)(D2xxHandle handle,
                                                           D2xxDword *rxBytes);
using ReadFn = D2xxStatus(SOMBRANT_D2XX_CALL *)(D2xxHandle handle, void *buffer,
                                                 D2xxDword toRead, D2xxDword *bytesReturned);
using WriteFn = D2xxStatus(SOMBRANT_D2XX_CALL *)(D2xxHandle handle, void *buffer,
                                                  D2xxDword toWrite, D2xxDword *bytesWritten);
using SetBaudRateFn = D2xxStatus(SOMBRANT_D2XX_CALL *)(D2xxHandle handle, D2xxUlong baud);
using SetDataCharacteristicsFn = D2xxStatus(SOMBRANT_D2XX_CALL *)(
    D2xxHandle handle, D2xxUchar wordLength, D2xxUchar stopBits, D2xxUchar parity);
using PurgeFn = D2xxStatus(SOMBRANT_D2XX_CALL *)(D2xxHandle handle, D2xxUlong mask);

D2xxHandle toLibraryHandle(FtHandle handle)
{
    return reinterpret_cast<D2xxHandle>(handle);
}

}  // namespace

struct D2xxLibraryDriver::Api {
    ListDevicesFn listDevices = nullptr;
    OpenExFn openEx = nullptr;
    CloseFn close = nullptr;
    GetQueueStatusFn getQueueStatus = nullptr;
    ReadFn read = nullptr;
    WriteFn write = nullptr;
    SetBaudRateFn setBaudRate = nullptr;
    SetDataCharacteristicsFn setDataCharacteristics = nullptr;
    PurgeFn purge = nullptr;
};

// What a library that cannot be loaded means to the user: where the library
// comes from, and that the pedal is still reached without it. A library
// named by its full path and not there is said to be missing in so many
// words; otherwise the system's words tell what is wrong with it.
QString D2xxLibraryDriver::loadFailure(const QString &libraryFile, const QString &systemWords)
{
    const bool missing = QFileInfo(libraryFile).isAbsolute() && !QFileInfo::exists(libraryFile);
    QString reason = missing ? QStringLiteral("the D2XX library is not installed") : systemWords;
    while (reason.endsWith(QLatin1Char('.')))
        reason.chop(1);
    return QStringLiteral("Cannot load %1: %2. FTDI's D2XX drivers page has it: %3. Without it the "
                          "editor uses the serial port of the system's FTDI driver.")
        .arg(QDir::toNativeSeparators(libraryFile), reason, QLatin1String(DownloadPage));
}

D2xxLibraryDriver::D2xxLibraryDriver(const QString &libraryFile)
    : m_libraryFile(libraryFile), m_library(libraryFile)
{
}

// The library is deliberately not unloaded (see the class comment).
D2xxLibraryDriver::~D2xxLibraryDriver() = default;

QString D2xxLibraryDriver::defaultLibraryFile()
{
    const QString configured = qEnvironmentVariable("SOMBRANT_FTD2XX_LIBRARY");
    if (!configured.isEmpty())
        return configured;
#if defined(Q_OS_WIN)
    // FTDI's installer puts FTD2XX.DLL in the system folder (a 64-bit program
    // finds the 64-bit one there, a 32-bit one the 32-bit one). Named by its
    // full path, it is looked for there alone: a bare name would be looked
    // for in the current folder too, where anyone could have put one.
    std::array<wchar_t, MAX_PATH + 1> folder {};
    const UINT size = GetSystemDirectoryW(folder.data(), UINT(folder.size()));
    if (size > 0 && size < folder.size())
        return QDir::toNativeSeparators(QDir(QString::fromWCharArray(folder.data(), int(size)))
                                            .filePath(QStringLiteral("FTD2XX.DLL")));
    return QStringLiteral("FTD2XX.DLL");
#elif defined(Q_OS_MACOS)
    return QStringLiteral("libftd2xx.dylib");
#else
    return QStringLiteral("libftd2xx.so");
#endif
}

bool D2xxLibraryDriver::load(QString *errorText)
{
    if (m_api)
        return true;
    if (!m_library.load()) {
        if (errorText)
            *errorText = loadFailure(m_libraryFile, m_library.errorString());
        return false;
    }

    auto api = std::make_unique<Api>();
    const char *missing = nullptr;
    auto resolve = [&](auto &slot, const char *name) {
        if (missing)
            return;
        const QFunctionPointer function = m_library.resolve(name);
        if (!function)
            missing = name;
        else
            slot = reinterpret_cast<std::remove_reference_t<decltype(slot)>>(function);
    };
    resolve(api->listDevices, "FT_ListDevices");
    resolve(api->openEx, "FT_OpenEx");
    resolve(api->close, "FT_Close");
    resolve(api->getQueueStatus, "FT_GetQueueStatus");
    resolve(api->read, "FT_Read");
    resolve(api->write, "FT_Write");
    resolve(api->setBaudRate, "FT_SetBaudRate");
    resolve(api->setDataCharacteristics, "FT_SetDataCharacteristics");
    resolve(api->purge, "FT_Purge");

    if (missing) {
        // Not a D2XX library after all: give it back.
        m_library.unload();
        if (errorText)
            *errorText = QStringLiteral("%1 lacks %2").arg(m_libraryFile,
                                                             QLatin1String(missing));
        return false;
    }
    m_api = std::move(api);
    return true;
}

QString D2xxLibraryDriver::driverName() const
{
    return QStringLiteral("D2XX library");
}

FtStatus D2xxLibraryDriver::listDeviceCount(std::uint32_t &count)
{
    count = 0;
    if (!m_api)
        return ft::OtherError;
    D2xxDword number = 0;
    const D2xxStatus status = m_api->listDevices(&number, nullptr, ft::ListNumberOnly);
    if (status == ft::Ok)
        count = std::uint32_t(number);
    return FtStatus(status);
}

FtStatus D2xxLibraryDriver::listString(std::uint32_t index, std::uint32_t what, char *buffer)
{
    if (!m_api)
        return ft::OtherError;
    // By index, the library takes the index itself as the first argument's
    // pointer value.
    void *const indexArg = reinterpret_cast<void *>(std::uintptr_t(index));
    return FtStatus(m_api->listDevices(indexArg, buffer, ft::ListByIndex | what));
}

FtStatus D2xxLibraryDriver::listSerialNumber(std::uint32_t index, char *buffer)
{
    return listString(index, ft::OpenBySerialNumber, buffer);
}

FtStatus D2xxLibraryDriver::listDescription(std::uint32_t index, char *buffer)
{
    return listString(index, ft::OpenByDescription, buffer);
}

FtStatus D2xxLibraryDriver::openBySerialNumber(const char *serial, FtHandle &handle)
{
    handle = 0;
    if (!m_api)
        return ft::OtherError;
    D2xxHandle opened = nullptr;
    // The library does not write through the serial; its prototype just
    // lacks the const.
    const D2xxStatus status =
        m_api->openEx(const_cast<char *>(serial), ft::OpenBySerialNumber, &opened);
    if (status == ft::Ok)
        handle = reinterpret_cast<FtHandle>(opened);
    return FtStatus(status);
}

FtStatus D2xxLibraryDriver::close(FtHandle handle)
{
    if (!m_api)
        return ft::OtherError;
    return FtStatus(m_api->close(toLibraryHandle(handle)));
}

FtStatus D2xxLibraryDriver::getQueueStatus(FtHandle handle, std::uint32_t &rxBytes)
{
    rxBytes = 0;
    if (!m_api)
        return ft::OtherError;
    D2xxDword waiting = 0;
    const D2xxStatus status = m_api->getQueueStatus(toLibraryHandle(handle), &waiting);
    if (status == ft::Ok)
        rxBytes = std::uint32_t(waiting);
    return FtStatus(status);
}

FtStatus D2xxLibraryDriver::read(FtHandle handle, std::uint8_t *buffer, std::uint32_t toRead,
                                 std::uint32_t &bytesRead)
{
    bytesRead = 0;
    if (!m_api)
        return ft::OtherError;
    D2xxDword returned = 0;
    const D2xxStatus status =
        m_api->read(toLibraryHandle(handle), buffer, D2xxDword(toRead), &returned);
    bytesRead = std::uint32_t(returned);
    return FtStatus(status);
}

FtStatus D2xxLibraryDriver::write(FtHandle handle, const std::uint8_t *buffer,
                                  std::uint32_t toWrite, std::uint32_t &bytesWritten)
{
    bytesWritten = 0;
    if (!m_api)
        return ft::OtherError;
    D2xxDword written = 0;
    // As with the open: the library only reads the buffer.
    const D2xxStatus status = m_api->write(toLibraryHandle(handle),
                                           const_cast<std::uint8_t *>(buffer),
                                           D2xxDword(toWrite), &written);
    bytesWritten = std::uint32_t(written);
    return FtStatus(status);
}

FtStatus D2xxLibraryDriver::setBaudRate(FtHandle handle, std::uint32_t baudRate)
{
    if (!m_api)
        return ft::OtherError;
    return FtStatus(m_api->setBaudRate(toLibraryHandle(handle), D2xxUlong(baudRate)));
}

FtStatus D2xxLibraryDriver::setDataCharacteristics(FtHandle handle, std::uint8_t wordLength,
                                                   std::uint8_t stopBits, std::uint8_t parity)
{
    if (!m_api)
        return ft::OtherError;
    return FtStatus(m_api->setDataCharacteristics(toLibraryHandle(handle), wordLength,
                                                  stopBits, parity));
}

FtStatus D2xxLibraryDriver::purge(FtHandle handle, std::uint32_t mask)
{
    if (!m_api)
        return ft::OtherError;
    return FtStatus(m_api->purge(toLibraryHandle(handle), D2xxUlong(mask)));
}
