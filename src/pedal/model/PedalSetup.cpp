#include "model/PedalSetup.h"

#include "model/PedalStateFile.h"
#include "model/PedalWire.h"

std::uint32_t PedalSetup::toDigitNibbles(int value)
{
    std::uint32_t out = 0;
    for (int shift = 0; value > 0; shift += 4, value /= 10)
        out |= std::uint32_t(value % 10) << shift;
    return out;
}

bool PedalSetup::applyTo(PedalWire &wire, QString *error) const
{
    if (firmwareVersion > 99 || algorithmVersion > 9999) {
        if (error)
            *error = QStringLiteral("firmware versions go up to 99 and algorithm versions up to 9999");
        return false;
    }
    PedalFaults faultSet;
    if (!faultSet.apply(faults, error))
        return false;

    PedalDevice &pedal = wire.pedal;
    PedalState state = PedalDevice::factoryState(0x08);
    if (!stateFile.isEmpty() && !PedalStateFile::load(stateFile, state, error))
        return false;
    if (firmwareVersion >= 0)
        PedalDevice::setFirmwareVersion(state, std::uint8_t(toDigitNibbles(firmwareVersion)));
    if (algorithmVersion >= 0) {
        const std::uint32_t v = toDigitNibbles(algorithmVersion);
        state.algorithmVersion = {std::uint8_t(v >> 8), std::uint8_t(v)};
    }
    pedal.state() = std::move(state);
    pedal.state().loadLiveValuesFromStore();
    pedal.faults() = faultSet;
    PedalBootloader::Timing timing;
    timing.pageEraseUs = pageEraseUs;
    timing.massEraseUs = 2 * pageEraseUs;
    pedal.bootloader().setTiming(timing);
    wire.setPacing(pacing);
    pedal.powerUp(bootloader);
    pedal.takePersistentChange();
    return true;
}
