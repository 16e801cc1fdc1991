#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>

class PedalWire;

// How a simulated pedal is started: which mode, which versions, where its
// kept state lives, and which faults it shows. Shared by the simulator
// program and the editor's in-process simulated driver.
struct PedalSetup {
    bool bootloader = false;         // start in the bootloader (BOOT0 high)
    int firmwareVersion = -1;        // decimal, 0-99; -1 keeps the flash's record
    int algorithmVersion = -1;       // decimal, 0-9999; -1 keeps the stored one
    QString stateFile;               // empty: nothing kept between runs
    bool pacing = true;
    std::int64_t pageEraseUs = 20'000;
    QStringList faults;              // PedalFaults text forms

    // Loads the state file, applies versions and faults, and powers the pedal
    // up. False with a message when the setup or the state file is bad; the
    // file is then left as it is. Keeping the file up to date afterwards is
    // PedalStateKeeper's work.
    bool applyTo(PedalWire &wire, QString *error) const;

    // A decimal number as digits one per half-byte (12 -> 0x12).
    static std::uint32_t toDigitNibbles(int value);
};
