#include "params/DialValueText.h"

#include "params/DialMapping.h"
#include "params/ParameterTable.h"

RotaryDial::ValueFormatter DialValueText::forSlot(int slot)
{
    const ParameterInfo &info = ParameterTable[std::size_t(slot)];
    if (info.encoding == ValueEncoding::Steps) {
        const int steps = int(info.steps);
        return [steps](int angle) { return step(angle, steps); };
    }
    return &DialValueText::percentOfTravel;
}

QString DialValueText::percentOfTravel(int angle)
{
    return QStringLiteral("%1%").arg(dial::percentOfTravel(angle));
}

QString DialValueText::step(int angle, int steps)
{
    return QStringLiteral("Step %1 of %2").arg(dial::nearestStep(angle, std::uint32_t(steps))).arg(steps);
}
