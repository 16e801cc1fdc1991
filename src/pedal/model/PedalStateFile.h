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
    // The largest file read. A saved file is indented JSON: the flash (128
    // KiB) is 174,764 characters of base64, the EEPROM (16 KiB) 21,848, the
    // tuning table (640 bytes) 856, and the other fields with their white
    // space about 1,500: some 199,000 bytes in all. 256 KiB leaves room for
    // a file laid out by hand; anything larger is no state file and is
    // refused unread.
    static constexpr qint64 MaxFileBytes = 256 * 1024;

    // Whether `path` can be a state file: nothing is there yet, or a regular
    // file. A folder, a pipe or a device is refused with a message naming
    // the file and what it is; it is looked at, not opened.
    static bool checkPath(const QString &path, QString *error);
    // Reads `path` into `state`. A missing file is not an error (`*existed`
    // false, state untouched). On a bad file (one that is not a regular file
    // or is larger than MaxFileBytes included, neither of them read), returns
    // false with a message naming the file and what is wrong, and leaves
    // `state` untouched.
    static bool load(const QString &path, PedalState &state, QString *error, bool *existed = nullptr);
    // Writes atomically, every step checked: a failed save (a full disk
    // included) leaves the previous file byte for byte as it was, and
    // `*error` names the file and what went wrong.
    static bool save(const QString &path, const PedalState &state, QString *error);
};
