#include "device/PedalBackup.h"

#include "app/BoundedFile.h"
#include "app/CheckedFile.h"
#include "app/SettingsFolders.h"
#include "device/HexText.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <cmath>

namespace {

// Reads the fields of one JSON object, remembering the first thing wrong:
// later reads then do nothing, so a reader checks ok() once at the end.
class FieldReader {
public:
    FieldReader(const QJsonObject &object, QString where) : m_object(object), m_where(std::move(where)) {}

    bool ok() const { return m_why.isEmpty(); }
    const QString &why() const { return m_why; }
    void fail(const QString &why)
    {
        if (m_why.isEmpty())
            m_why = why;
    }

    // A whole number from low to high.
    qint64 number(const QString &key, qint64 low, qint64 high)
    {
        const QJsonValue v = field(key);
        if (!ok())
            return 0;
        const double d = v.toDouble();
        if (!v.isDouble() || std::floor(d) != d || d < double(low) || d > double(high)) {
            fail(QStringLiteral("%1 must be a whole number from %2 to %3, not %4")
                     .arg(name(key))
                     .arg(low)
                     .arg(high)
                     .arg(shown(v)));
            return 0;
        }
        return qint64(d);
    }

    bool boolean(const QString &key)
    {
        const QJsonValue v = field(key);
        if (ok() && !v.isBool())
            fail(QStringLiteral("%1 must be true or false, not %2").arg(name(key), shown(v)));
        return v.toBool();
    }

    // Exactly `digits` upper-case hexadecimal digits.
    QString hexText(const QString &key, int digits)
    {
        const QJsonValue v = field(key);
        if (!ok())
            return {};
        const QString text = v.toString();
        bool hex = v.isString() && text.size() == digits;
        for (QChar c : text)
            hex = hex && ((c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F'));
        if (!hex)
            fail(QStringLiteral("%1 must be %2 upper-case hexadecimal digits, not %3").arg(name(key)).arg(digits).arg(shown(v)));
        return text;
    }

    QJsonObject object(const QString &key)
    {
        const QJsonValue v = field(key);
        if (ok() && !v.isObject())
            fail(QStringLiteral("%1 must be an object, not %2").arg(name(key), shown(v)));
        return v.toObject();
    }

    QJsonArray array(const QString &key, qsizetype size)
    {
        const QJsonValue v = field(key);
        if (ok() && (!v.isArray() || v.toArray().size() != size))
            fail(QStringLiteral("%1 must be a list of %2 entries").arg(name(key)).arg(size));
        return v.toArray();
    }

    QString stringField(const QString &key)
    {
        const QJsonValue v = field(key);
        if (ok() && !v.isString())
            fail(QStringLiteral("%1 must be text, not %2").arg(name(key), shown(v)));
        return v.toString();
    }

    QString name(const QString &key) const
    {
        return m_where.isEmpty() ? QStringLiteral("the field \"%1\"").arg(key)
                                 : QStringLiteral("the field \"%1\" of %2").arg(key, m_where);
    }

private:
    QJsonValue field(const QString &key)
    {
        if (ok() && !m_object.contains(key))
            fail(name(key) + QStringLiteral(" is missing"));
        return m_object.value(key);
    }

    static QString shown(const QJsonValue &v)
    {
        if (v.isString()) {
            const QString text = v.toString();
            return text.size() > 20 ? QStringLiteral("text of %1 characters").arg(text.size())
                                    : QStringLiteral("\"%1\"").arg(text);
        }
        if (v.isDouble())
            return QString::number(v.toDouble(), 'g', 17);
        if (v.isBool())
            return v.toBool() ? QStringLiteral("true") : QStringLiteral("false");
        if (v.isArray())
            return QStringLiteral("a list");
        if (v.isObject())
            return QStringLiteral("an object");
        return QStringLiteral("null");
    }

    QJsonObject m_object;
    QString m_where;
    QString m_why;
};

// One EEPROM's bytes from its hexadecimal digits; nullopt with the reason.
std::optional<QByteArray> eepromBytes(const QString &device, const QString &digits, QString *why)
{
    if (digits.size() != 2 * PedalBackup::EepromBytes) {
        *why = digits.size() % 2
                   ? QStringLiteral("the EEPROM of device %1 has an odd number of digits (%2)").arg(device).arg(digits.size())
                   : QStringLiteral("the EEPROM of device %1 holds %2 bytes, not %3")
                         .arg(device)
                         .arg(digits.size() / 2)
                         .arg(PedalBackup::EepromBytes);
        return std::nullopt;
    }
    for (qsizetype i = 0; i < digits.size(); ++i) {
        const QChar c = digits.at(i);
        if (!((c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F'))) {
            *why = QStringLiteral("the EEPROM of device %1 has \"%2\" at digit %3 (byte %4), not an upper-case "
                                  "hexadecimal digit")
                       .arg(device, QString(c))
                       .arg(i)
                       .arg(i / 2);
            return std::nullopt;
        }
    }
    return QByteArray::fromHex(digits.toLatin1());
}

void readAssignments(FieldReader &top, PedalBackup &backup)
{
    const QJsonArray list = top.array(QStringLiteral("assignments"), ControlCount);
    for (int k = 0; k < ControlCount && top.ok(); ++k) {
        const QString control = toQString(ControlNames[std::size_t(k)]);
        if (!list.at(k).isObject()) {
            top.fail(QStringLiteral("the assignment of %1 must be an object").arg(control));
            return;
        }
        FieldReader entry(list.at(k).toObject(), QStringLiteral("assignment %1").arg(k + 1));
        const QString named = entry.stringField(QStringLiteral("control"));
        if (entry.ok() && named != control)
            entry.fail(QStringLiteral("assignment %1 is for \"%2\", not %3").arg(k + 1).arg(named, control));
        backup.assignments[std::size_t(k)].assigned = entry.boolean(QStringLiteral("assigned"));
        backup.assignments[std::size_t(k)].address = std::uint16_t(entry.number(QStringLiteral("address"), 0, 0xFFFF));
        if (!entry.ok())
            top.fail(entry.why());
    }
}

void readValues(FieldReader &top, PedalBackup &backup)
{
    FieldReader values(top.object(QStringLiteral("values")), QStringLiteral("values"));
    if (!top.ok())
        return;
    for (int s = 0; s < ParameterSlotCount; ++s)
        backup.values[std::size_t(s)] =
            std::uint32_t(values.number(toQString(ParameterSlotNames[std::size_t(s)]), 0, 0xFFFFFFFFLL));
    if (!values.ok())
        top.fail(values.why());
}

void readEeproms(FieldReader &top, PedalBackup &backup)
{
    FieldReader eeprom(top.object(QStringLiteral("eeprom")), QStringLiteral("eeprom"));
    if (!top.ok())
        return;
    for (int d = 0; d < PedalBackup::DeviceCount && eeprom.ok(); ++d) {
        const QString device = QString::fromLatin1(PedalBackup::EepromDevices[std::size_t(d)]);
        const QString digits = eeprom.stringField(device);
        if (!eeprom.ok())
            break;
        QString why;
        const std::optional<QByteArray> bytes = eepromBytes(device, digits, &why);
        if (!bytes)
            eeprom.fail(why);
        else
            backup.eeprom[std::size_t(d)] = *bytes;
    }
    if (!eeprom.ok())
        top.fail(eeprom.why());
}

}  // namespace

PedalBackup PedalBackup::fromStatus(const DeviceStatus &status)
{
    PedalBackup backup;
    backup.firmware = status.device_firmware_version;
    backup.algorithm = status.device_algorithm_version;
    backup.effect = status.device_effect_number;
    backup.values = status.parameterValues;
    backup.assignments = status.assignments;
    backup.footswitchMode = status.footswitch_mode;
    backup.tuning = status.tuning;
    backup.semitones = status.semitones;
    return backup;
}

QString PedalBackup::defaultFolder(const QString &documents)
{
    // Beside the presets' folder.
    return QDir(documents).filePath(QStringLiteral("%1/sombrant_mk3_folder/Backup")
                                        .arg(QString::fromLatin1(SettingsFolders::FolderName)));
}

QString PedalBackup::withExtension(const QString &fileName)
{
    return fileName.endsWith(QStringLiteral(".json"), Qt::CaseInsensitive) ? fileName
                                                                           : fileName + QStringLiteral(".json");
}

QByteArray PedalBackup::toJson() const
{
    // QJsonObject sorts its keys; the order does not matter to the reader.
    QJsonObject valueObject;
    for (int s = 0; s < ParameterSlotCount; ++s)
        valueObject.insert(toQString(ParameterSlotNames[std::size_t(s)]), qint64(values[std::size_t(s)]));
    QJsonArray assignmentArray;
    for (int k = 0; k < ControlCount; ++k)
        assignmentArray.append(QJsonObject{
            {QStringLiteral("control"), toQString(ControlNames[std::size_t(k)])},
            {QStringLiteral("assigned"), assignments[std::size_t(k)].assigned},
            {QStringLiteral("address"), int(assignments[std::size_t(k)].address)},
        });
    QJsonObject eepromObject;
    for (int d = 0; d < DeviceCount; ++d)
        eepromObject.insert(QString::fromLatin1(EepromDevices[std::size_t(d)]),
                            QString::fromLatin1(eeprom[std::size_t(d)].toHex().toUpper()));
    const QJsonObject object{
        {QStringLiteral("format"), Format},
        {QStringLiteral("firmware"), firmware},
        {QStringLiteral("algorithm"), algorithm},
        {QStringLiteral("effect"), effect},
        {QStringLiteral("values"), valueObject},
        {QStringLiteral("assignments"), assignmentArray},
        {QStringLiteral("footswitch_mode"), int(footswitchMode)},
        {QStringLiteral("tuning"), int(tuning)},
        {QStringLiteral("semitones"), int(semitones)},
        {QStringLiteral("eeprom"), eepromObject},
    };
    return QJsonDocument(object).toJson(QJsonDocument::Indented);
}

std::optional<PedalBackup> PedalBackup::fromJson(const QByteArray &json, QString *why)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError) {
        *why = QStringLiteral("it is not JSON: %1 at character %2").arg(error.errorString()).arg(error.offset);
        return std::nullopt;
    }
    if (!document.isObject()) {
        *why = QStringLiteral("it is JSON, but not one object");
        return std::nullopt;
    }
    FieldReader top(document.object(), {});
    // The format first: a later format may hold anything.
    const QJsonValue format = document.object().value(QStringLiteral("format"));
    if (format.isDouble() && format.toDouble() != Format) {
        *why = QStringLiteral("it is a backup of format %1, and this editor reads format %2 only")
                   .arg(format.toDouble())
                   .arg(Format);
        return std::nullopt;
    }
    top.number(QStringLiteral("format"), Format, Format);

    PedalBackup backup;
    backup.firmware = top.hexText(QStringLiteral("firmware"), 2);
    backup.algorithm = top.hexText(QStringLiteral("algorithm"), 4);
    backup.effect = top.hexText(QStringLiteral("effect"), 2);
    readValues(top, backup);
    readAssignments(top, backup);
    backup.footswitchMode = std::uint8_t(top.number(QStringLiteral("footswitch_mode"), 0, 255));
    backup.tuning = std::uint8_t(top.number(QStringLiteral("tuning"), 0, 255));
    backup.semitones = std::int8_t(top.number(QStringLiteral("semitones"), -128, 127));
    readEeproms(top, backup);
    if (!top.ok()) {
        *why = top.why();
        return std::nullopt;
    }
    return backup;
}

std::optional<PedalBackup> PedalBackup::readFile(const QString &path, QString *error)
{
    const QString shown = QDir::toNativeSeparators(path);
    const BoundedFile file(path, MaxFileBytes);
    QString why;
    std::optional<PedalBackup> backup;
    if (file.outcome() == BoundedFile::Outcome::TooLarge || file.outcome() == BoundedFile::Outcome::NotAFile)
        why = QStringLiteral("Not a pedal backup: %1: %2").arg(shown, file.errorString());
    else if (!file.ok())
        why = QStringLiteral("Cannot read the backup %1: %2").arg(shown, file.errorString());
    else if (!(backup = fromJson(file.bytes(), &why)))
        why = QStringLiteral("Not a pedal backup: %1: %2").arg(shown, why);
    if (error)
        *error = why;
    return backup;
}

bool PedalBackup::write(const QString &path, QString *error) const
{
    for (int d = 0; d < DeviceCount; ++d) {
        if (eeprom[std::size_t(d)].size() != EepromBytes) {
            if (error)
                *error = QStringLiteral("%1: the EEPROM of device %2 is not whole (%3 of %4 bytes); nothing written")
                             .arg(QDir::toNativeSeparators(path), QString::fromLatin1(EepromDevices[std::size_t(d)]))
                             .arg(eeprom[std::size_t(d)].size())
                             .arg(EepromBytes);
            return false;
        }
    }
    return CheckedFile::write(path, toJson(), error);
}
