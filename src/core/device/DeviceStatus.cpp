#include "device/DeviceStatus.h"

#include "device/HexText.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

std::optional<DeviceStatus> DeviceStatus::fromValues(const QByteArray &bytes)
{
    if (bytes.size() < ValueCount)
        return std::nullopt;
    DeviceStatus s;
    for (int i = 0; i < ValueCount; ++i)
        s.values[i] = std::uint8_t(bytes.at(i));
    const auto &v = s.values;
    s.device_firmware_version = hexDigits(v[0], 2);
    s.device_algorithm_version = hexDigits(v[1], 2) + hexDigits(v[2], 2);
    s.device_effect_number = hexDigits(v[3], 2);
    s.footswitch_mode = v[4];
    for (int k = 0; k < ControlCount; ++k) {
        s.assignments[k].assigned = v[5 + k] != 0;
        s.assignments[k].address = std::uint16_t(v[10 + 2 * k] * 256 + v[11 + 2 * k]);
    }
    s.tuning = v[20];
    s.semitones = std::int8_t(v[21]);
    for (int i = 0; i < ParameterSlotCount; ++i) {
        const int p = 22 + 4 * i;
        s.parameterValues[i] = (std::uint32_t(v[p]) << 24) | (std::uint32_t(v[p + 1]) << 16)
                               | (std::uint32_t(v[p + 2]) << 8) | std::uint32_t(v[p + 3]);
    }
    return s;
}

std::optional<int> DeviceStatus::versionNumber(const QString &text)
{
    if (text.isEmpty())
        return std::nullopt;
    int number = 0;
    for (QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
        number = number * 10 + (c.unicode() - '0');
    }
    return number;
}

QByteArray DeviceStatus::toJson() const
{
    QJsonArray assignmentArray;
    for (int k = 0; k < ControlCount; ++k) {
        assignmentArray.append(QJsonObject{
            {QStringLiteral("control"), toQString(ControlNames[k])},
            {QStringLiteral("assigned"), assignments[k].assigned},
            {QStringLiteral("address"), int(assignments[k].address)},
        });
    }
    // QJsonObject sorts its keys; the values object is written by hand so
    // that it keeps slot order.
    QJsonObject object{
        {QStringLiteral("firmware"), device_firmware_version},
        {QStringLiteral("algorithm"), device_algorithm_version},
        {QStringLiteral("effect"), device_effect_number},
        {QStringLiteral("footswitch_mode"), int(footswitch_mode)},
        {QStringLiteral("assignments"), assignmentArray},
        {QStringLiteral("tuning"), int(tuning)},
        {QStringLiteral("semitones"), int(semitones)},
        {QStringLiteral("values"), QJsonObject{}},
    };
    QByteArray json = QJsonDocument(object).toJson(QJsonDocument::Compact);
    QByteArray valuesText = "{";
    for (int i = 0; i < ParameterSlotCount; ++i) {
        if (i > 0)
            valuesText += ',';
        const QString name = toQString(ParameterSlotNames[i]);
        valuesText += QJsonDocument(QJsonArray{name}).toJson(QJsonDocument::Compact).mid(1).chopped(1);
        valuesText += ':' + QByteArray::number(parameterValues[i]);
    }
    valuesText += '}';
    json.replace("\"values\":{}", "\"values\":" + valuesText);
    return json;
}
