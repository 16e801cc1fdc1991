#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <string_view>

// The first byte of every message sent to the pedal's firmware (the
// bootloader has commands of its own). In a message text it stands as two
// upper-case hexadecimal digits, commandText():
//
//   code  command             rest of the message
//   01    LiveParameter       address (2), value (4)
//   02    StatusRequest       00; the pedal answers with its status
//   03    Store               five values (4 each)
//   04    Assign              five flags, five targets (2 each)
//   07    MidiChannel         channel (00 OMNI, 01-10)
//   08    Footswitch          short press, long press
//   09    Tuning              tuning, semitones
//   0B    EepromErase         first page (2), last page (2)
//   0C    EepromDump          device address, first (2), last (2)
//   0D    UploadAnnouncement  00; an algorithm image or the tuning data follows
//   0E    TuningData          the tuning table
enum class PedalCommand : std::uint8_t {
    LiveParameter = 0x01,
    StatusRequest = 0x02,
    Store = 0x03,
    Assign = 0x04,
    MidiChannel = 0x07,
    Footswitch = 0x08,
    Tuning = 0x09,
    EepromErase = 0x0B,
    EepromDump = 0x0C,
    UploadAnnouncement = 0x0D,
    TuningData = 0x0E,
};

struct PedalCommandName {
    PedalCommand command;
    std::string_view name;
};

// Every command, in code order, with its name for logs and tests.
inline constexpr std::array<PedalCommandName, 11> PedalCommandNames{{
    {PedalCommand::LiveParameter, "LiveParameter"},
    {PedalCommand::StatusRequest, "StatusRequest"},
    {PedalCommand::Store, "Store"},
    {PedalCommand::Assign, "Assign"},
    {PedalCommand::MidiChannel, "MidiChannel"},
    {PedalCommand::Footswitch, "Footswitch"},
    {PedalCommand::Tuning, "Tuning"},
    {PedalCommand::EepromErase, "EepromErase"},
    {PedalCommand::EepromDump, "EepromDump"},
    {PedalCommand::UploadAnnouncement, "UploadAnnouncement"},
    {PedalCommand::TuningData, "TuningData"},
}};

// The command's name in PedalCommandNames ("Store"); empty for a code that
// names no command.
constexpr std::string_view commandName(PedalCommand command)
{
    for (const PedalCommandName &row : PedalCommandNames)
        if (row.command == command)
            return row.name;
    return {};
}

// The command's two hexadecimal digits: "0C" for EepromDump.
QString commandText(PedalCommand command);

// The message of a command that carries nothing but a 00 byte after it, the
// status request and the upload announcement: "0200", "0D00".
QString bareCommandMessage(PedalCommand command);

// The live parameter message, 7 bytes, big-endian:
//
//   byte  0        1-2      3-6
//         command  address  value
//
// `command` is the first byte's text, 01 (LiveParameter) unless
// Communication::write_dsp_message() is given another prefix.
QString liveParameterMessage(std::uint16_t address, std::uint32_t value,
                             const QString &command = commandText(PedalCommand::LiveParameter));
