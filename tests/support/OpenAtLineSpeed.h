#pragma once

#include "device/D2XXUnit.h"

#include <QString>

// Lists the driver's devices and opens `serial` at the pedal's line setting,
// 115200 baud 8N1, as Connect does. The open's status.
inline FtStatus openAtLineSpeed(D2XXUnit &transport, const QString &serial)
{
    transport.GetFTDeviceCount();
    const FtStatus opened = transport.Open_USB_Device_By_Serial_Number(serial);
    transport.baud_rate = 115200;
    transport.word_length = 8;
    transport.ApplyFTBaudRate();
    transport.ApplyFTDataCharacteristics();
    return opened;
}
