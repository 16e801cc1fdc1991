#pragma once

#include "device/D2XXUnit.h"

#include <QByteArray>
#include <QString>

// Opens `serial` at the pedal's line setting, 115200 baud 8N1, as Connect does.
inline void openAtWireSpeed(D2XXUnit &transport, const QString &serial = QStringLiteral("SIM00001"))
{
    transport.GetFTDeviceCount();
    transport.Open_USB_Device_By_Serial_Number(serial);
    transport.baud_rate = 115200;
    transport.word_length = 8;
    transport.ApplyFTBaudRate();
    transport.ApplyFTDataCharacteristics();
}

// EEPROM contents with every length of the reply encoding: 1 to 3 digits.
inline void fillWithEveryReplyLength(QByteArray &eeprom)
{
    for (int i = 0; i < eeprom.size(); ++i)
        eeprom[i] = char(i & 0xFF);
}
