#include "device/PedalCommand.h"

#include "device/HexText.h"

QString commandText(PedalCommand command)
{
    return hexDigits(std::uint8_t(command), 2);
}

QString bareCommandMessage(PedalCommand command)
{
    return commandText(command) + QStringLiteral("00");
}

QString liveParameterMessage(std::uint16_t address, std::uint32_t value, const QString &command)
{
    return command + hexDigits(address, 4) + hexDigits(value, 8);
}
