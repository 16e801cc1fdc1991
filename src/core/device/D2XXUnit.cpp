#include "device/D2XXUnit.h"

#include "app/LogSink.h"
#include "app/UserPrompts.h"
#include "device/DriverFailureWords.h"

#include <algorithm>
#include <cstring>

namespace {

// Texts appended to an operation's label, indexed by status. Statuses 8 and 9
// have no dash, and 17 has a blank before its dots: users and support staff
// know these words, so they stay exactly as they have always read.
constexpr const char *kStatusTexts[] = {
    "",
    " - Invalid handle...",
    " - Device not found...",
    " - Device not opened...",
    " - General IO error...",
    " - Insufficient resources...",
    " - Invalid parameter...",
    " - Invalid baud rate...",
    " Device not opened for erase...",
    " Device not opened for write...",
    " - Failed to write...",
    " - EEPROM read failed...",
    " - EEPROM write failed...",
    " - EEPROM erase failed...",
    " - EEPROM not present...",
    " - EEPROM not programmed...",
    " - Invalid arguments...",
    " - Other error ...",
};
constexpr FtStatus kKnownStatuses = sizeof(kStatusTexts) / sizeof(kStatusTexts[0]);

// What the driver answers for a device that is no longer there.
bool meansGone(FtStatus status)
{
    return status == ft::IoError || status == ft::DeviceNotFound;
}

}  // namespace

D2XXUnit::D2XXUnit(FtDriver &driver, UserPrompts &prompts)
    : m_driver(driver), m_prompts(prompts)
{
}

QString D2XXUnit::statusText(FtStatus status)
{
    if (status < kKnownStatuses)
        return QString::fromLatin1(kStatusTexts[status]);
    return QStringLiteral(" - Unknown error (status %1)").arg(status);
}

void D2XXUnit::ReportFTError(const QString &label, FtStatus status)
{
    if (status == ft::Ok)
        return;
    last_failure = label + statusText(status);
    if (m_log)
        m_log->PrintToConsole(last_failure);
    m_prompts.showFailure(DriverFailureWords::forCall(label, status), last_failure);
}

template <typename Call>
FtStatus D2XXUnit::onDevice(const char *label, Call call)
{
    if (device_gone)
        return ft::IoError;
    const FtStatus status = call();
    ReportFTError(QString::fromLatin1(label), status);
    if (meansGone(status)) {
        device_gone = true;
        if (onDeviceGone)
            onDeviceGone();
    }
    return status;
}

FtStatus D2XXUnit::GetFTDeviceCount()
{
    std::uint32_t count = 0;
    const FtStatus status = m_driver.listDeviceCount(count);
    if (status == ft::Ok)
        device_count = count;
    ReportFTError(QStringLiteral("GetFTDeviceCount"), status);
    return status;
}

FtStatus D2XXUnit::listString(std::uint32_t index, bool description, const char *label)
{
    auto &buffer = description ? m_descriptionBuffer : m_serialBuffer;
    buffer.fill(0);
    const FtStatus status = description ? m_driver.listDescription(index, buffer.data())
                                        : m_driver.listSerialNumber(index, buffer.data());
    if (status == ft::Ok) {
        // A string that fills the whole buffer carries no zero byte: take it whole.
        const auto end = std::find(buffer.begin(), buffer.end(), '\0');
        FT_Device_String = QByteArray(buffer.data(), int(end - buffer.begin()));
    }
    ReportFTError(QString::fromLatin1(label), status);
    return status;
}

FtStatus D2XXUnit::GetFTDeviceSerialNo(std::uint32_t index)
{
    return listString(index, false, "GetFTDeviceSerialNo");
}

FtStatus D2XXUnit::GetFTDeviceDescription(std::uint32_t index)
{
    return listString(index, true, "GetFTDeviceDescription");
}

FtStatus D2XXUnit::Open_USB_Device_By_Serial_Number(const QString &serial)
{
    const QByteArray local = serial.toLocal8Bit();
    const int n = std::min<int>(int(local.size()), SerialNumberLimit);
    m_openBuffer.fill(0);
    std::memcpy(m_openBuffer.data(), local.constData(), size_t(n));
    FtHandle handle = 0;
    const FtStatus status = m_driver.openBySerialNumber(m_openBuffer.data(), handle);
    if (status == ft::Ok) {
        device_handle = handle;
        device_gone = false;
    }
    ReportFTError(QStringLiteral("Open_USB_Device_By_Serial_Number"), status);
    return status;
}

FtStatus D2XXUnit::CloseFTDevice()
{
    // The old handle value stays in place; later calls with it fail in the
    // driver as calls on a closed device do.
    // A device that has gone is closed all the same: that frees its handle.
    const FtStatus status = m_driver.close(device_handle);
    ReportFTError(QStringLiteral("FT_Close"), status);
    if (status == ft::Ok)
        device_gone = false;
    return status;
}

std::uint32_t D2XXUnit::ReadFTDevice(std::uint32_t maxBytes)
{
    std::uint32_t bytesRead = 0;
    ft_status = onDevice("FT_Read", [&] {
        std::uint32_t waiting = 0;
        if (m_driver.getQueueStatus(device_handle, waiting) != ft::Ok)
            waiting = 0;  // not reported: the read below reports the real failure
        waiting = std::min({waiting, maxBytes, std::uint32_t(BufferSize)});
        return m_driver.read(device_handle, input_buffer.data(), waiting, bytesRead);
    });
    if (ft_status != ft::Ok)
        return 0;
    return std::min<std::uint32_t>(bytesRead, BufferSize);
}

void D2XXUnit::WriteFTDevice(std::uint32_t n)
{
    n = std::min<std::uint32_t>(n, BufferSize);
    std::uint32_t written = 0;
    ft_status = onDevice("FT_Write",
                         [&] { return m_driver.write(device_handle, output_buffer.data(), n, written); });
}

FtStatus D2XXUnit::ApplyFTBaudRate()
{
    return onDevice("FT_SetBaudRate", [&] { return m_driver.setBaudRate(device_handle, baud_rate); });
}

FtStatus D2XXUnit::ApplyFTDataCharacteristics()
{
    return onDevice("FT_SetDataCharacteristics", [&] {
        return m_driver.setDataCharacteristics(device_handle, word_length, stop_bits, parity);
    });
}

FtStatus D2XXUnit::PurgeFTReceive()
{
    return onDevice("FT_Purge RX", [&] { return m_driver.purge(device_handle, ft::PurgeRx); });
}

FtStatus D2XXUnit::PurgeFTTransmit()
{
    return onDevice("FT_Purge TX", [&] { return m_driver.purge(device_handle, ft::PurgeTx); });
}

FtStatus D2XXUnit::QueryFTQueueStatus()
{
    return onDevice("FT_GetQueueStatus", [&] {
        std::uint32_t count = 0;
        const FtStatus status = m_driver.getQueueStatus(device_handle, count);
        if (status == ft::Ok)
            rx_queue_count = count;
        return status;
    });
}
