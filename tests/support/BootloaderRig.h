#pragma once

#include "ManualClock.h"
#include "RecordingLog.h"
#include "RecordingPedalDriver.h"
#include "ScriptedPrompts.h"
#include "device/Communication.h"
#include "device/D2XXUnit.h"
#include "device/DeviceConnection.h"
#include "device/SimulatedPedalDriver.h"
#include "firmware/FirmwareUpgrade.h"
#include "model/PedalDevice.h"
#include "model/PedalState.h"

#include <cstdint>

// The firmware upgrade's side of the line and the simulated pedal on the
// other, in process and on simulated time: the pedal behind a driver that
// records each write, the transport and exchange, the connection and the
// upgrade, with scripted prompts and a recording log.
struct BootloaderRig {
    // The version record's firmware number, as the flash holds it.
    std::uint8_t versionByte()
    {
        return std::uint8_t(pedal.pedal().state().flash.at(int(PedalDevice::VersionByteAddress - PedalState::FlashBase)));
    }

    ManualClock clock;
    SimulatedPedalDriver pedal{clock.microseconds()};
    RecordingPedalDriver driver{pedal};
    ScriptedPrompts prompts;
    RecordingLog log;
    D2XXUnit transport{driver, prompts};
    Communication comm{transport, log, prompts, clock};
    DeviceConnection connection{transport, comm, log, prompts};
    FirmwareUpgrade upgrade{comm, log, prompts, clock};
};
