#include "params/ParameterInput.h"

#include <QRegularExpression>
#include <QStringList>

namespace {

QString quoted(const QString &s)
{
    return QLatin1Char('"') + s + QLatin1Char('"');
}

// A number written as plain decimal digits with an optional sign; nullopt
// for anything else. Too many digits give a number beyond every range rather
// than nullopt: they are a number, only too large.
std::optional<qint64> decimal(const QString &s)
{
    static const QRegularExpression number(QStringLiteral("^[+-]?[0-9]+$"));
    if (!number.match(s).hasMatch())
        return std::nullopt;
    const bool negative = s.startsWith(QLatin1Char('-'));
    QString digits = s;
    if (digits.startsWith(QLatin1Char('+')) || negative)
        digits.remove(0, 1);
    while (digits.size() > 1 && digits.startsWith(QLatin1Char('0')))
        digits.remove(0, 1);
    if (digits.size() > 12)
        return negative ? -1'000'000'000'000 : 1'000'000'000'000;
    const qint64 magnitude = digits.toLongLong();
    return negative ? -magnitude : magnitude;
}

}  // namespace

std::optional<int> ParameterInput::slotNamed(const QString &name, QString *error)
{
    const QString wanted = name.trimmed();
    QStringList names;
    for (int s = 0; s < ParameterSlotCount; ++s) {
        const QString candidate = toQString(ParameterTable[std::size_t(s)].name);
        if (candidate.compare(wanted, Qt::CaseInsensitive) == 0)
            return s;
        names << quoted(candidate);
    }
    if (error)
        *error = QStringLiteral("Unknown parameter %1; the parameters are %2.")
                     .arg(quoted(name), names.join(QStringLiteral(", ")));
    return std::nullopt;
}

QString ParameterInput::acceptedValues(int slot)
{
    const ParameterInfo &info = ParameterTable[std::size_t(slot)];
    switch (info.encoding) {
    case ValueEncoding::DialScale:
        return QStringLiteral("a dial position 0 to 1023");
    case ValueEncoding::Steps:
        return QStringLiteral("a step 0 to %1").arg(info.steps);
    case ValueEncoding::Switch:
    case ValueEncoding::OnOff:
        return QStringLiteral("1 (on) or 0 (off)");
    case ValueEncoding::PitchTable:
        return QStringLiteral("a semitone entry %1 to %2")
            .arg(toQString(harmonic_pitch_entries.front()), toQString(harmonic_pitch_entries.back()));
    }
    return {};
}

std::optional<std::uint32_t> ParameterInput::valueFor(int slot, const QString &value, QString *error)
{
    const ParameterInfo &info = ParameterTable[std::size_t(slot)];
    const QString name = toQString(info.name);
    const QString accepted = QStringLiteral("%1 takes %2, or 0x and one to eight hexadecimal digits "
                                            "for the raw value.")
                                 .arg(name, acceptedValues(slot));
    auto fail = [&](const QString &what) -> std::optional<std::uint32_t> {
        if (error)
            *error = QStringLiteral("Value %1 %2: %3").arg(quoted(value), what, accepted);
        return std::nullopt;
    };

    // The raw value goes to the pedal as it is, whatever the encoding.
    if (value.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
        static const QRegularExpression hexDigits(QStringLiteral("^[0-9A-Fa-f]{1,8}$"));
        const QString digits = value.mid(2);
        if (!hexDigits.match(digits).hasMatch())
            return fail(QStringLiteral("is not a raw value for ") + name);
        return std::uint32_t(digits.toULong(nullptr, 16));
    }

    const std::optional<qint64> number = decimal(value);
    if (!number)
        return fail(QStringLiteral("is not a number for ") + name);
    const QString outOfRange = QStringLiteral("is out of range for ") + name;
    if (*number < 0 && info.encoding != ValueEncoding::PitchTable)
        return fail(outOfRange);

    switch (info.encoding) {
    case ValueEncoding::DialScale:
        if (*number > 1023)
            return fail(outOfRange);
        return std::uint32_t(*number) << 13;
    case ValueEncoding::Steps:
        if (*number > qint64(info.steps))
            return fail(outOfRange);
        return std::uint32_t(*number);
    case ValueEncoding::Switch:
    case ValueEncoding::OnOff:
        if (*number > 1)
            return fail(outOfRange);
        return *number == 1 ? info.onValue : info.offValue;
    case ValueEncoding::PitchTable: {
        // Entry 0 is -12 semitones; the unshifted pitch sits in the middle.
        const qint64 entry = *number + PitchEntryCount / 2;
        if (entry < 0 || entry >= PitchEntryCount)
            return fail(outOfRange);
        return harmonic_pitch_table[std::size_t(entry)];
    }
    }
    return fail(outOfRange);
}

QString ParameterInput::offeredEntries(int control)
{
    QStringList entries;
    for (int e = 0; e < assignmentEntryCount(control); ++e)
        entries << quoted(toQString(assignmentEntry(control, e)));
    return entries.join(QStringLiteral(", "));
}

std::optional<int> ParameterInput::assignmentEntryNamed(int control, const QString &name, QString *error)
{
    const QString wanted = name.trimmed();
    for (int e = 0; e < assignmentEntryCount(control); ++e)
        if (toQString(assignmentEntry(control, e)).compare(wanted, Qt::CaseInsensitive) == 0)
            return e;
    if (error)
        *error = QStringLiteral("%1 offers %2; not %3.")
                     .arg(toQString(ControlNames[std::size_t(control)]), offeredEntries(control), quoted(name));
    return std::nullopt;
}

std::optional<FootswitchChoice> ParameterInput::footswitchChoice(const QString &shortPress,
                                                                 const QString &longPress, QString *error)
{
    // true for "preset", false for "bypass", nullopt for anything else.
    auto changesPreset = [error](const QString &press, const QString &word) -> std::optional<bool> {
        if (word.compare(QLatin1String("preset"), Qt::CaseInsensitive) == 0)
            return true;
        if (word.compare(QLatin1String("bypass"), Qt::CaseInsensitive) == 0)
            return false;
        if (error)
            *error = QStringLiteral("The %1 press takes \"bypass\" or \"preset\", not %2.").arg(press, quoted(word));
        return std::nullopt;
    };
    const std::optional<bool> shortPreset = changesPreset(QStringLiteral("short"), shortPress);
    if (!shortPreset)
        return std::nullopt;
    const std::optional<bool> longPreset = changesPreset(QStringLiteral("long"), longPress);
    if (!longPreset)
        return std::nullopt;
    FootswitchChoice choice;
    choice.shortChangesPreset = *shortPreset;
    choice.longBypasses = !*longPreset;
    return choice;
}
