#include "device/DriverFailureWords.h"

namespace {

// What the driver answers for a device that is no longer there.
bool meansGone(FtStatus status)
{
    return status == ft::IoError || status == ft::DeviceNotFound;
}

}  // namespace

QString DriverFailureWords::forCall(const QString &label, FtStatus status)
{
    if (label.startsWith(QLatin1String("GetFTDevice")))
        return QStringLiteral("The list of connected devices could not be read. Unplug the pedal, plug it in "
                              "again and choose Scan.");
    if (label == QLatin1String("Open_USB_Device_By_Serial_Number")) {
        if (status == ft::DeviceNotFound)
            return QStringLiteral("The pedal was not found. Check that it is plugged in, then choose Scan and "
                                  "Connect again.");
        return QStringLiteral("The pedal could not be opened. Close any other program that uses it, then "
                              "choose Connect again.");
    }
    if (label == QLatin1String("FT_Close"))
        return QStringLiteral("The pedal could not be closed cleanly. Unplug it and plug it in again before "
                              "the next Connect.");
    if (status == ft::InvalidHandle)
        return QStringLiteral("The pedal is not connected. Choose Connect first.");
    if (meansGone(status))
        return QString::fromLatin1(StoppedAnswering);
    if (label == QLatin1String("FT_Write"))
        return QStringLiteral("A message could not be sent to the pedal. Check the USB cable and try again.");
    if (label == QLatin1String("FT_Read") || label == QLatin1String("FT_GetQueueStatus"))
        return QStringLiteral("The pedal's answer could not be read. Check the USB cable and try again.");
    if (label.startsWith(QLatin1String("FT_Set")))
        return QStringLiteral("The pedal's line settings could not be made. Choose Disconnect, then Connect "
                              "again.");
    return QStringLiteral("The pedal's line could not be cleared. Choose Disconnect, then Connect again.");
}
