#include "firmware/TformFirmwareUpgrade.h"

TformFirmwareUpgrade::TformFirmwareUpgrade(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("formFirmwareUpgrade"));
    setWindowTitle(QStringLiteral("Firmware Upgrade"));
}
