#pragma once

#include <QLocale>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <optional>

// Designs one peaking-equaliser biquad centred on a note (48 kHz) and prints
// its five coefficients, b0 b1 b2 a1 a2, as 4-byte fixed-point values with
// 23 fractional bits, laid out as a ready-to-paste array of 20 strings. The
// feedback coefficients carry inverted sign:
// y[n] = b0 x[n] + b1 x[n-1] + b2 x[n-2] + a1 y[n-1] + a2 y[n-2].
class CoefficientCalculator {
public:
    static constexpr double SampleRate = 48000.0;
    // A2, the reference note, and its place in noteNames().
    static constexpr double ReferenceHz = 110.0;
    static constexpr int ReferenceIndex = 12;
    static constexpr int FractionBits = 23;

    // A1 to G#5, semitone by semitone (48 names).
    static const QStringList &noteNames();

    // A floating-point number in the locale's form; nullopt with
    // "'TEXT' is not a valid floating point value" otherwise.
    static std::optional<double> parseNumber(const QString &text, QString *error,
                                             const QLocale &locale = QLocale());
    // The general format: 6, 1.41, 6.5 (the locale's decimal separator).
    static QString formatNumber(double value, const QLocale &locale = QLocale());
    // The low 32 bits of round-half-even(coefficient x 2^23); 0 for a value
    // that is not finite.
    static std::uint32_t fixedPoint(double coefficient);

    // Semitones from A2: list index - 12.
    void selectNote(int index);

    // b0, b1, b2, a1, a2 for the current state.
    std::array<double, 5> coefficients() const;
    // Sets note_frequency and returns the six lines (heading and five lines
    // of quoted byte pairs), or nothing with the reason in *error when Q is
    // not above 0 or the result is not a number.
    QStringList calculate(const QString &noteName, QString *error);

    double note_offset = 0.0;
    double note_frequency = 0.0;
    double filter_q = 11.0;
    double filter_gain_db = -6.0;
    double filter_level_db = 0.0;
    // The numbers of the heading are written in this locale's form.
    QLocale locale;
};
