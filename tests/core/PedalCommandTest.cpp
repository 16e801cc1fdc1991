#include "QtPrinters.h"
#include "device/PedalCommand.h"

#include <gtest/gtest.h>

#include <iterator>

// The codes as the pedal's messages carry them, written out here rather than
// derived, so that a wrong value or a row under the wrong name fails.
TEST(PedalCommand, EachCommandHasItsCodeAndName)
{
    const std::pair<std::string_view, const char *> expected[] = {
        {"LiveParameter", "01"}, {"StatusRequest", "02"},      {"Store", "03"},
        {"Assign", "04"},        {"MidiChannel", "07"},        {"Footswitch", "08"},
        {"Tuning", "09"},        {"EepromErase", "0B"},        {"EepromDump", "0C"},
        {"UploadAnnouncement", "0D"}, {"TuningData", "0E"},
    };
    ASSERT_EQ(PedalCommandNames.size(), std::size(expected));
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        const auto &[name, code] = expected[i];
        EXPECT_EQ(PedalCommandNames[i].name, name);
        EXPECT_EQ(commandText(PedalCommandNames[i].command), code) << name;
        EXPECT_EQ(commandName(PedalCommandNames[i].command), name);
    }
    EXPECT_EQ(commandName(PedalCommand(0x05)), "") << "no command has code 05";
}

TEST(PedalCommand, MessagesBuiltFromTheTable)
{
    EXPECT_EQ(bareCommandMessage(PedalCommand::StatusRequest), "0200");
    EXPECT_EQ(bareCommandMessage(PedalCommand::UploadAnnouncement), "0D00");
    // Address and value keep every digit, the leading zeros too.
    EXPECT_EQ(liveParameterMessage(0x00E8, 1), "0100E800000001");
    EXPECT_EQ(liveParameterMessage(0xFFFF, 0xFFFFFFFF), "01FFFFFFFFFFFF");
    EXPECT_EQ(liveParameterMessage(0x0A, 0x3FC000, QStringLiteral("05")), "05000A003FC000");
}
