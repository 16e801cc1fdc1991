#pragma once

#include "model/PedalState.h"

#include <QString>

// The pedal's kept state in a file, so that what it stores survives a restart
// of the simulation: versions, stored values, assignments, footswitch mode,
// tuning, MIDI channel, parameter addresses, tuning table, EEPROM and flash.
// JSON, with byte fields as hexadecimal text and the memories as base64.
// Live values are not kept: the pedal starts from its stored values.
class PedalStateFile {
public:
    // Reads `path` into `state`. A missing file is not an error (`*existed`
    // false, state untouched). On a bad file, returns false with a message
    // naming the file and the field, and leaves `state` untouched.
    static bool load(const QString &path, PedalState &state, QString *error, bool *existed = nullptr);
    // Writes atomically, every step checked: a failed save (a full disk
    // included) leaves the previous file byte for byte as it was, and
    // `*error` names the file and what went wrong.
    static bool save(const QString &path, const PedalState &state, QString *error);
};
