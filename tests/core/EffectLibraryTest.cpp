#include "QtPrinters.h"
#include "ScriptedPrompts.h"
#include "algorithms/EffectLibrary.h"
#include "device/HexText.h"

#include <gtest/gtest.h>

TEST(EffectLibrary, NamingRuleReplacesInItsOrderAndKeepsCase)
{
    struct Case {
        const char *name;
        const char *resource;
    };
    const Case cases[] = {
        {"Sombrant MK3 0010", "Sombrant_MK3_0010"},
        {"A-B X+Y", "A_B_multplusY"},
        {"x-ray", "x_ray"},
        {"", ""},
    };
    for (const Case &c : cases)
        EXPECT_EQ(EffectLibrary::format_resource_name(c.name), c.resource) << c.name;
}

TEST(EffectLibrary, LatestVersionComesFromTheFirstEntry)
{
    EXPECT_EQ(EffectLibrary::latestAlgorithmVersion({"Sombrant MK3 0010", "Sombrant MK3 0012"}), 10);
    EXPECT_EQ(EffectLibrary::latestAlgorithmVersion({}), 0);
    EXPECT_EQ(EffectLibrary::latestAlgorithmVersion({"Sombrant MK3"}), 0);
}

TEST(EffectLibrary, ReadsTheEffectListIgnoringCaseAndKeepsLinesOnFailure)
{
    ScriptedPrompts prompts;
    EffectLibrary library(prompts);
    ASSERT_TRUE(library.read_file_from_stream("octave"));
    EXPECT_EQ(library.resource_lines, QStringList({"Sombrant MK3 0010"}));

    EXPECT_FALSE(library.read_file_from_stream("Sombrant_MK3_0007"));
    ASSERT_EQ(prompts.messages.size(), 1);
    EXPECT_TRUE(prompts.messages[0].startsWith("Error loading resource: "));
    EXPECT_TRUE(prompts.messages[0].contains("Sombrant_MK3_0007"));
    EXPECT_EQ(library.resource_lines, QStringList({"Sombrant MK3 0010"}));

    ASSERT_TRUE(library.read_file_from_stream(EffectLibrary::format_resource_name("Sombrant MK3 0010")));
    ASSERT_EQ(library.resource_lines.size(), 1);
    EXPECT_EQ(library.resource_lines[0].size(), 9088);
}

TEST(EffectLibrary, CarriedImagesFollowTheImageLayout)
{
    struct Case {
        const char *name;
        int size;
        std::uint16_t version;
    };
    const Case cases[] = {
        {"SOMBRANT_MK3_0008", 4640, 0x0008},
        {"sombrant_mk3_0009", 4672, 0x0009},
        {"Sombrant_MK3_0010", 4544, 0x0010},
    };
    for (const Case &c : cases) {
        const auto text = EffectLibrary::resourceBytes(c.name);
        ASSERT_TRUE(text.has_value()) << c.name;
        EXPECT_EQ(text->size(), 2 * c.size) << "one line of hexadecimal text";
        EXPECT_EQ(text->toUpper(), *text);
        const auto image = HexToBytes(QString::fromLatin1(*text));
        ASSERT_TRUE(image.has_value()) << c.name;
        const auto at = [&](int i) { return std::uint8_t(image->at(i)); };
        EXPECT_EQ((at(0) << 16) | (at(1) << 8) | at(2), c.size) << c.name;
        EXPECT_EQ(image->mid(37, 86), QByteArray(86, '\0'));
        EXPECT_EQ((at(123) << 8) | at(124), c.version);
        EXPECT_EQ(image->mid(125, 3), QByteArray::fromHex("000512"));
        EXPECT_EQ(c.size % 32, 0);

        // Records from 128 on: 0x01 with a 16-bit length, 0x03 a filler,
        // 0x06 the end; zeros after it.
        int p = 128;
        int records = 0;
        while (p < c.size && at(p) != 0x06) {
            if (at(p) == 0x03) {
                ++p;
            } else {
                ASSERT_EQ(at(p), 0x01) << c.name << " at " << p;
                p += 3 + ((at(p + 1) << 8) | at(p + 2));
                ++records;
            }
        }
        ASSERT_LT(p, c.size) << c.name;
        EXPECT_GE(records, 2);
        EXPECT_EQ(image->mid(p + 1), QByteArray(c.size - p - 1, '\0')) << c.name;
    }
}

TEST(EffectLibrary, Image0010CarriesTheDocumentedAddresses)
{
    const auto text = EffectLibrary::resourceBytes("SOMBRANT_MK3_0010");
    ASSERT_TRUE(text.has_value());
    // Four characters per address from character 7 on (1-based): Dry, Sub Mix,
    // -1 Oct, -2 Oct, Wave, Low Pass, High Pass, 1st Harmonic, Split, three
    // unused fields, Input Level, 1st Harmonic Pitch, Wave Clip, Dominant Notes
    // Cut, High Notes Cut.
    const QStringList expected{"000B", "00E7", "0078", "0076", "0003", "00CB", "00DD", "00A1",
                               "00E8", "",     "",     "",     "000A", "0073", "00E6", "001B",
                               "000C"};
    for (int i = 0; i < expected.size(); ++i) {
        if (!expected[i].isEmpty()) {
            EXPECT_EQ(QString::fromLatin1(text->mid(6 + 4 * i, 4)), expected[i]) << "field " << i;
        }
    }
}
