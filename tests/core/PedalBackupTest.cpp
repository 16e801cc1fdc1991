// The backup file: written and read back equal, and damaged files refused,
// each with what is wrong, in real files in a temporary folder.

#include "QtPrinters.h"
#include "device/PedalBackup.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

namespace {

// A backup with every field away from its default.
PedalBackup sample()
{
    PedalBackup b;
    b.firmware = QStringLiteral("08");
    b.algorithm = QStringLiteral("0010");
    b.effect = QStringLiteral("10");
    for (int s = 0; s < ParameterSlotCount; ++s)
        b.values[std::size_t(s)] = 0x00400000u + std::uint32_t(s) * 0x1001u;
    b.values[14] = 0xFFFFFFFFu;
    b.assignments = {{{true, 0x000A}, {false, 0xFFFF}, {true, 0x000C}, {false, 0xFFFF}, {true, 0xFFFD}}};
    b.footswitchMode = 3;
    b.tuning = 2;
    b.semitones = -2;
    for (int d = 0; d < PedalBackup::DeviceCount; ++d) {
        QByteArray bytes(PedalBackup::EepromBytes, '\0');
        for (int i = 0; i < bytes.size(); ++i)
            bytes[i] = char((i * (d + 3)) & 0xFF);
        b.eeprom[std::size_t(d)] = bytes;
    }
    return b;
}

class PedalBackupTest : public ::testing::Test {
protected:
    QString path(const char *name) const { return dir.filePath(QString::fromLatin1(name)); }
    void writeBytes(const QString &file, const QByteArray &bytes)
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_EQ(f.write(bytes), bytes.size());
    }
    QTemporaryDir dir;
};

}  // namespace

TEST_F(PedalBackupTest, WrittenAndReadBackEqual)
{
    const PedalBackup written = sample();
    QString error;
    ASSERT_TRUE(written.write(path("pedal.json"), &error)) << error.toStdString();
    const std::optional<PedalBackup> read = PedalBackup::readFile(path("pedal.json"), &error);
    ASSERT_TRUE(read) << error.toStdString();
    EXPECT_EQ(*read, written);
    EXPECT_TRUE(error.isEmpty());
    EXPECT_LE(QFileInfo(path("pedal.json")).size(), PedalBackup::MaxFileBytes);
}

// Each damage to a good file, and the reason it is refused for.
TEST_F(PedalBackupTest, DamagedFilesAreRefusedWithTheirReason)
{
    const QByteArray good = sample().toJson();
    const QJsonObject object = QJsonDocument::fromJson(good).object();
    auto edited = [&](const std::function<void(QJsonObject &)> &edit) {
        QJsonObject o = object;
        edit(o);
        return QJsonDocument(o).toJson();
    };
    auto eepromOf = [&](const QString &digits) {
        return edited([&](QJsonObject &o) {
            QJsonObject e = o.value("eeprom").toObject();
            e.insert("51", digits);
            o.insert("eeprom", e);
        });
    };
    const QString digits = object.value("eeprom").toObject().value("51").toString();
    struct Case {
        const char *what;
        QByteArray bytes;
        const char *reason;
    };
    const Case cases[] = {
        {"truncated", good.left(good.size() / 2), "it is not JSON: unterminated string at character"},
        {"a list, not an object", "[1, 2]", "it is JSON, but not one object"},
        {"a later format", edited([](QJsonObject &o) { o.insert("format", 2); }),
         "it is a backup of format 2, and this editor reads format 1 only"},
        {"no format", edited([](QJsonObject &o) { o.remove("format"); }), "the field \"format\" is missing"},
        {"no tuning", edited([](QJsonObject &o) { o.remove("tuning"); }), "the field \"tuning\" is missing"},
        {"no value of Wave Clip",
         edited([](QJsonObject &o) {
             QJsonObject v = o.value("values").toObject();
             v.remove("Wave Clip");
             o.insert("values", v);
         }),
         "the field \"Wave Clip\" of values is missing"},
        {"a value out of range",
         edited([](QJsonObject &o) {
             QJsonObject v = o.value("values").toObject();
             v.insert("Dry", 4294967296.0);
             o.insert("values", v);
         }),
         "the field \"Dry\" of values must be a whole number from 0 to 4294967295, not 4294967296"},
        {"semitones out of range", edited([](QJsonObject &o) { o.insert("semitones", -129); }),
         "the field \"semitones\" must be a whole number from -128 to 127, not -129"},
        {"a fraction", edited([](QJsonObject &o) { o.insert("footswitch_mode", 1.5); }),
         "the field \"footswitch_mode\" must be a whole number from 0 to 255, not 1.5"},
        {"a version as a number", edited([](QJsonObject &o) { o.insert("algorithm", 10); }),
         "the field \"algorithm\" must be 4 upper-case hexadecimal digits, not 10"},
        {"four assignments", edited([](QJsonObject &o) {
             QJsonArray a = o.value("assignments").toArray();
             a.removeLast();
             o.insert("assignments", a);
         }),
         "the field \"assignments\" must be a list of 5 entries"},
        {"an assignment's flag as text", edited([](QJsonObject &o) {
             QJsonArray a = o.value("assignments").toArray();
             QJsonObject first = a.at(0).toObject();
             first.insert("assigned", "yes");
             a.replace(0, first);
             o.insert("assignments", a);
         }),
         "the field \"assigned\" of assignment 1 must be true or false, not \"yes\""},
        {"EEPROM a byte short", eepromOf(digits.left(digits.size() - 2)),
         "the EEPROM of device 51 holds 16383 bytes, not 16384"},
        {"EEPROM a digit short", eepromOf(digits.left(digits.size() - 1)),
         "the EEPROM of device 51 has an odd number of digits (32767)"},
        {"EEPROM with a bad digit", eepromOf(digits.left(100) + "G" + digits.mid(101)),
         "the EEPROM of device 51 has \"G\" at digit 100 (byte 50), not an upper-case hexadecimal digit"},
        {"EEPROM of one device only", edited([](QJsonObject &o) {
             QJsonObject e = o.value("eeprom").toObject();
             e.remove("50");
             o.insert("eeprom", e);
         }),
         "the field \"50\" of eeprom is missing"},
    };
    for (const Case &c : cases) {
        const QString file = path("damaged.json");
        writeBytes(file, c.bytes);
        QString error;
        EXPECT_FALSE(PedalBackup::readFile(file, &error)) << c.what;
        const QString expected = "Not a pedal backup: " + QDir::toNativeSeparators(file) + ": " + c.reason;
        EXPECT_TRUE(error.startsWith(expected)) << c.what << "\n  " << error.toStdString();
    }
}

// What is not a file, or too large to be a backup, is refused unread.
TEST_F(PedalBackupTest, FoldersAndLargeFilesAreRefusedUnread)
{
    QString error;
    ASSERT_TRUE(QDir(dir.path()).mkdir("folder.json"));
    EXPECT_FALSE(PedalBackup::readFile(path("folder.json"), &error));
    EXPECT_EQ(error, "Not a pedal backup: " + QDir::toNativeSeparators(path("folder.json"))
                         + ": it is a folder, not a file");

    QByteArray large = sample().toJson();
    large.insert(1, QByteArray(int(PedalBackup::MaxFileBytes), ' '));
    writeBytes(path("large.json"), large);
    EXPECT_FALSE(PedalBackup::readFile(path("large.json"), &error));
    EXPECT_TRUE(error.contains(QString::number(PedalBackup::MaxFileBytes))) << error.toStdString();

    EXPECT_FALSE(PedalBackup::readFile(path("missing.json"), &error));
    EXPECT_TRUE(error.startsWith("Cannot read the backup ")) << error.toStdString();
}

// A backup without both EEPROMs whole is never written, and an older file
// of that name stays as it was.
TEST_F(PedalBackupTest, APartialBackupIsNotWritten)
{
    const QByteArray old = "an older backup";
    writeBytes(path("pedal.json"), old);
    PedalBackup partial = sample();
    partial.eeprom[1].chop(1);
    QString error;
    EXPECT_FALSE(partial.write(path("pedal.json"), &error));
    EXPECT_TRUE(error.contains("the EEPROM of device 51 is not whole (16383 of 16384 bytes)")) << error.toStdString();
    QFile f(path("pedal.json"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), old);
}
