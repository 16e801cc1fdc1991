#pragma once

#include "device/DeviceStatus.h"
#include "params/ParameterSlots.h"

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>

// Everything the editor can read from the pedal, kept in one file: the
// versions and settings of its status reply and the whole EEPROM of both
// I2C devices. The file is JSON, indented, UTF-8:
//
//   {
//     "format": 1,
//     "firmware": "08", "algorithm": "0010", "effect": "10",
//     "values": {"Dry": 4194304, ... fifteen, by slot name},
//     "assignments": [{"control": "Control I", "assigned": false, "address": 65535}, ... five],
//     "footswitch_mode": 0, "tuning": 2, "semitones": -2,
//     "eeprom": {"50": "FFFF...", "51": "FFFF..."}
//   }
//
// The versions are the status texts (decimal digits, one per half-byte).
// Each EEPROM is 32,768 upper-case hexadecimal digits, two per byte from
// address 0: hexadecimal rather than base64 because it reads as the dump's
// listing does (byte n at digits 2n and 2n+1), a fault is found at its digit,
// and no base64 variant or padding question arises; the file is some 66 KB.
//
// A file is believed only whole: every field present, of its type and range,
// each EEPROM exactly EepromBytes long, and a format this editor reads.
// Otherwise it is refused, and the reason names the field.
struct PedalBackup {
    static constexpr int Format = 1;
    static constexpr int EepromBytes = 16384;
    static constexpr int DeviceCount = 2;
    // The EEPROMs' I2C device addresses, as the dump message takes them.
    static constexpr std::array<const char *, DeviceCount> EepromDevices{"50", "51"};
    // The largest file read: both EEPROMs' digits and room for the rest,
    // however it is indented.
    static constexpr qint64 MaxFileBytes = DeviceCount * 2 * EepromBytes + 16384;
    static constexpr const char *Filter = "Pedal backups (*.json)|*.json";

    QString firmware;   // "08"
    QString algorithm;  // "0010"
    QString effect;     // "10"
    std::array<std::uint32_t, ParameterSlotCount> values{};
    std::array<DeviceStatus::Assignment, ControlCount> assignments{};
    std::uint8_t footswitchMode = 0;
    std::uint8_t tuning = 0;
    std::int8_t semitones = 0;
    std::array<QByteArray, DeviceCount> eeprom;  // devices 50 and 51, in that order

    bool operator==(const PedalBackup &) const = default;

    // The status's part of a backup; the EEPROMs are left empty.
    static PedalBackup fromStatus(const DeviceStatus &status);
    // Where the window's dialogs start: <Documents>/QUELM/sombrant_mk3_folder/Backup.
    static QString defaultFolder(const QString &documents);
    // A name chosen without ".json" (in any letter case) gets it.
    static QString withExtension(const QString &fileName);

    QByteArray toJson() const;
    // The backup in `json`, or nullopt with what is wrong in *why
    // ("the field \"tuning\" is missing").
    static std::optional<PedalBackup> fromJson(const QByteArray &json, QString *why);

    // The backup in the file at `path`, read only when it is a regular file
    // of at most MaxFileBytes; nullopt with *error naming the file and what
    // is wrong.
    static std::optional<PedalBackup> readFile(const QString &path, QString *error);
    // Writes the file through a temporary one, every step checked; false
    // with *error naming the file and what went wrong (an older file of that
    // name is then unchanged). A backup without both EEPROMs whole is not
    // written.
    bool write(const QString &path, QString *error) const;
};
