// A failing driver call in the words a guitarist can act on: what happened
// and what to do, chosen by the call and its status.

#include "QtPrinters.h"
#include "device/DriverFailureWords.h"

#include <gtest/gtest.h>

TEST(DriverFailureWordsTest, EachFailureSaysWhatHappenedAndWhatToDo)
{
    struct Case {
        const char *label;
        FtStatus status;
        const char *words;
    };
    const Case cases[] = {
        {"FT_GetQueueStatus", ft::IoError, DriverFailureWords::StoppedAnswering},
        {"FT_Write", ft::DeviceNotFound, DriverFailureWords::StoppedAnswering},
        {"FT_Read", ft::IoError, DriverFailureWords::StoppedAnswering},
        {"FT_Write", ft::InvalidHandle, "The pedal is not connected. Choose Connect first."},
        {"FT_Write", 10, "A message could not be sent to the pedal. Check the USB cable and try again."},
        {"FT_Read", 3, "The pedal's answer could not be read. Check the USB cable and try again."},
        {"Open_USB_Device_By_Serial_Number", ft::DeviceNotFound,
         "The pedal was not found. Check that it is plugged in, then choose Scan and Connect again."},
        {"Open_USB_Device_By_Serial_Number", 3,
         "The pedal could not be opened. Close any other program that uses it, then choose Connect again."},
        {"GetFTDeviceCount", ft::IoError,
         "The list of connected devices could not be read. Unplug the pedal, plug it in again and choose Scan."},
        {"FT_SetBaudRate", 7, "The pedal's line settings could not be made. Choose Disconnect, then Connect again."},
        {"FT_Close", ft::IoError,
         "The pedal could not be closed cleanly. Unplug it and plug it in again before the next Connect."},
    };
    for (const Case &c : cases)
        EXPECT_EQ(DriverFailureWords::forCall(QString::fromLatin1(c.label), c.status), QString::fromUtf8(c.words))
            << c.label << " " << c.status;
}
