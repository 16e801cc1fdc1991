#include "devtools/CoefficientCalculator.h"

#include "device/HexText.h"

#include <QLocale>
#include <cfenv>
#include <cmath>
#include <numbers>

const QStringList &CoefficientCalculator::noteNames()
{
    static const QStringList names = [] {
        static const char *const inOctave[] = {"A", "A#", "B", "C", "C#", "D",
                                               "D#", "E", "F", "F#", "G", "G#"};
        QStringList list;
        for (int i = 0; i < 48; ++i) {
            // Octave numbers change at C, three semitones above A.
            const int octave = 1 + (i + 9) / 12;
            list.append(QString::fromLatin1(inOctave[i % 12]) + QString::number(octave));
        }
        return list;
    }();
    return names;
}

std::optional<double> CoefficientCalculator::parseNumber(const QString &text, QString *error,
                                                         const QLocale &locale)
{
    bool ok = false;
    const double value = locale.toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(value)) {
        if (error)
            *error = QStringLiteral("'%1' is not a valid floating point value").arg(text);
        return std::nullopt;
    }
    return value;
}

QString CoefficientCalculator::formatNumber(double value, const QLocale &locale)
{
    QLocale plain = locale;
    plain.setNumberOptions(QLocale::OmitGroupSeparator);
    return plain.toString(value, 'g', 15);
}

std::uint32_t CoefficientCalculator::fixedPoint(double coefficient)
{
    const double scaled = coefficient * double(1 << FractionBits);
    if (!std::isfinite(scaled))
        return 0;
    // Half to even is the default rounding mode; set it in case a caller changed it.
    const int mode = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const double rounded = std::nearbyint(scaled);
    std::fesetround(mode);
    // Only the low 32 bits are printed, also for a value that does not fit.
    const double wrapped = std::fmod(rounded, 4294967296.0);
    return std::uint32_t(std::int64_t(wrapped));
}

void CoefficientCalculator::selectNote(int index)
{
    note_offset = double(index - ReferenceIndex);
}

std::array<double, 5> CoefficientCalculator::coefficients() const
{
    const double a = std::pow(10.0, filter_gain_db / 40.0);
    const double w0 = 2.0 * std::numbers::pi * note_frequency / SampleRate;
    const double sn = std::sin(w0);
    const double cs = std::cos(w0);
    const double alpha = sn / (2.0 * filter_q);
    const double a0 = 1.0 + alpha / a;
    const double g = std::pow(10.0, filter_level_db / 20.0) / a0;
    return {(1.0 + alpha * a) * g, -2.0 * cs * g, (1.0 - alpha * a) * g, 2.0 * cs / a0,
            -(1.0 - alpha / a) / a0};
}

QStringList CoefficientCalculator::calculate(const QString &noteName, QString *error)
{
    // Refused before anything is computed: Q divides alpha.
    if (!(filter_q > 0.0)) {
        if (error)
            *error = QStringLiteral("Q must be greater than 0");
        return {};
    }
    note_frequency = ReferenceHz * std::pow(2.0, note_offset / 12.0);
    const std::array<double, 5> c = coefficients();
    for (double v : c) {
        if (!std::isfinite(v)) {
            if (error)
                *error = QStringLiteral("The coefficients are not finite for Q %1 and gain %2")
                             .arg(formatNumber(filter_q, locale), formatNumber(filter_gain_db, locale));
            return {};
        }
    }

    QStringList lines;
    lines.append(noteName + QLatin1Char('_') + formatNumber(std::fabs(filter_gain_db), locale) + QStringLiteral("db_")
                 + (filter_gain_db < 0.0 ? QStringLiteral("cut") : QStringLiteral("boost"))
                 + QStringLiteral("_Q") + formatNumber(filter_q, locale)
                 + QStringLiteral(" : array[0..19] of string ="));
    for (int k = 0; k < 5; ++k) {
        const QString hex = hexDigits(fixedPoint(c[k]), 8);
        QString line = k == 0 ? QStringLiteral("(") : QString();
        for (int pair = 0; pair < 4; ++pair) {
            line += QLatin1Char('\'') + hex.mid(pair * 2, 2) + QLatin1Char('\'');
            const bool last = k == 4 && pair == 3;
            line += last ? QStringLiteral(");") : QStringLiteral(", ");
        }
        lines.append(line);
    }
    return lines;
}
