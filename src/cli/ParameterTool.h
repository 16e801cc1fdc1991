#pragma once

#include "device/DeviceStatus.h"
#include "params/FXsettings.h"
#include "params/ParameterCommands.h"
#include "params/PresetFile.h"

#include <QList>
#include <array>
#include <cstdint>
#include <optional>

class PedalSession;

// The commands that change the effect on an opened pedal: set, store, assign
// and footswitch. Their arguments were read and checked before the pedal was
// opened, so only the pedal can stop them here. Each first reads the pedal's
// status; all but footswitch then take the parameter addresses from the
// carried image of the algorithm version the pedal reports, and send nothing
// when there is no such image or it has no parameter table. Each returns the
// exit status, what went wrong having been said on standard error, and says
// what it did on standard output.
class ParameterTool {
public:
    struct Change {
        int slot = 0;
        std::uint32_t value = 0;
    };

    explicit ParameterTool(PedalSession &session);

    // One live parameter.
    int set(const Change &change);
    // The pedal's values with the changes (sent live first), then the five
    // assignable ones stored, after the question the store asks.
    int store(const QList<Change> &changes);
    // The five controls' list entries (0 = Not Assigned), after the question.
    int assign(const std::array<int, ControlCount> &entries);
    // The footswitch's two presses; no question. The status read first is
    // what tells a silent pedal apart, since the message has no answer.
    int footswitch(const FootswitchChoice &choice);
    // The pedal's fifteen values, as it reports them, into a preset file.
    int savePreset(const QString &path);
    // A preset's values sent as the parameter window sends them when it
    // shows them (assigned parameters are left to the pedal), then, with
    // `store`, the five assignable values stored after the question.
    int loadPreset(const PresetFile::Values &values, bool store);

private:
    // Reads the status and takes the addresses of the algorithm it reports;
    // an exit status other than Success when the command must end there.
    int readStatusAndAddresses(std::optional<DeviceStatus> *status = nullptr);
    int sendLive(const Change &change);
    void printSent(int slot);
    // Waits until the pedal has taken the live messages sent so far.
    int liveMessagesTaken();
    // Stores the model's five assignable values after the question.
    int storeModel(bool sentLive);

    PedalSession &m_session;
    FXsettings m_fx;
    ParameterCommands m_commands;
};
