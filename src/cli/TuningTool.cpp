#include "ConsoleOutput.h"
#include "TuningTool.h"

#include "ExitStatus.h"
#include "PedalSession.h"
#include "device/StatusRequest.h"
#include "params/ParameterTable.h"

#include <QRegularExpression>
#include <QStringList>
#include <cstdio>

namespace {

QString quoted(const QString &s)
{
    return QLatin1Char('"') + s + QLatin1Char('"');
}

constexpr int FewestSemitones = -SemitoneEntryOffset;
constexpr int MostSemitones = int(SemitoneEntries.size()) - 1 - SemitoneEntryOffset;

}  // namespace

TuningTool::TuningTool(PedalSession &session)
    : m_session(session),
      m_tunings(session.communication(), session.prompts(), session.prompts(), session.clock())
{
}

std::optional<std::uint8_t> TuningTool::tuningNamed(const QString &name, QString *error)
{
    const QString wanted = name.trimmed();
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,3}$"));
    if (digits.match(wanted).hasMatch() && wanted.toInt() < int(TuningEntries.size()))
        return std::uint8_t(wanted.toInt());
    QStringList entries;
    for (std::size_t i = 0; i < TuningEntries.size(); ++i) {
        const QString entry = toQString(TuningEntries[i]);
        if (entry.compare(wanted, Qt::CaseInsensitive) == 0)
            return std::uint8_t(i);
        entries << QStringLiteral("%1 %2").arg(i).arg(quoted(entry));
    }
    if (error)
        *error = QStringLiteral("Unknown tuning %1; the tunings are %2 (by number or name).")
                     .arg(quoted(name), entries.join(QStringLiteral(", ")));
    return std::nullopt;
}

std::optional<std::int8_t> TuningTool::semitonesFrom(const QString &value, QString *error)
{
    const QString accepted = QStringLiteral("the semitones run from %1 to +%2.").arg(FewestSemitones).arg(MostSemitones);
    static const QRegularExpression number(QStringLiteral("^[+-]?[0-9]+$"));
    if (!number.match(value).hasMatch()) {
        if (error)
            *error = QStringLiteral("Semitones %1 are not a number; ").arg(quoted(value)) + accepted;
        return std::nullopt;
    }
    bool fits = false;  // too many digits for an int: out of range all the same
    const int semitones = value.toInt(&fits);
    if (!fits || semitones < FewestSemitones || semitones > MostSemitones) {
        if (error)
            *error = QStringLiteral("Semitones %1 are out of range; ").arg(quoted(value)) + accepted;
        return std::nullopt;
    }
    return std::int8_t(semitones);
}

PedalResult TuningTool::statusRead()
{
    StatusRequest request(m_session.communication(), m_session.prompts(), m_session.prompts(),
                          m_session.clock());
    return request.request_device_status().result();
}

int TuningTool::uploadTuning()
{
    if (const PedalResult status = statusRead(); !status)
        return m_session.exitStatus(status);
    if (const PedalResult sent = m_tunings.uploadTuningData(); !sent)
        return m_session.exitStatus(sent);
    out(QStringLiteral("Tuning data uploaded: %1 filters, %2 bytes")
            .arg(TuningTableRows)
            .arg(Tunings::TuningDataBytes));
    return Success;
}

int TuningTool::setTuning(std::uint8_t tuning, std::int8_t semitones)
{
    if (const PedalResult status = statusRead(); !status)
        return m_session.exitStatus(status);
    if (const PedalResult sent = m_tunings.setTuning(tuning, semitones); !sent)
        return m_session.exitStatus(sent);
    out(QStringLiteral("Tuning: %1 %2, semitones %3")
            .arg(tuning)
            .arg(quoted(toQString(TuningEntries[tuning])),
                 semitones > 0 ? QStringLiteral("+%1").arg(semitones) : QString::number(semitones)));
    return Success;
}
