#pragma once

#include <QString>
#include <QStringList>

// The parameter window's hints, line by line, as users have always read
// them (the spelling included).
namespace hints {

inline QStringList guitarTuning()
{
    return {QStringLiteral("Select the tuning of your instrument and the pitch variation"),
            QStringLiteral("in the box below. Example:"),
            QStringLiteral("- if you play in standard tuning 1 half-step down select standard tuning and -1 Pitch."),
            QStringLiteral("- if you play in standard tuning and use capo on 3rd fret select standard tuning and +3 Pitch.")};
}

inline QStringList semitonesVariation()
{
    return {QStringLiteral("Select the pitch variation in semitones from -5 to +3")};
}

inline QStringList dominantNoteCut()
{
    return {QStringLiteral("Improves tracking on lowest chord (E-open chord in standard tuning) when RANGE is set high."),
            QStringLiteral("Make sure to choose the right tuning for your instrument before applying this parameter."),
            QStringLiteral("Like any other parameter, this parameter can either be stored permanently on pedal or assigned to a CTRL button.")};
}

inline QStringList highNoteCut()
{
    return {QStringLiteral("Removes tracking and noise on higher strings (e.g. open G string and first frets in standard tuning)"),
            QStringLiteral("Make sure to choose the right tuning for your instrument before applying this parameter."),
            QStringLiteral("Like any other parameter, this parameter can either be stored permanently on pedal or assigned to a CTRL button.")};
}

inline QStringList inputLevel()
{
    return {QStringLiteral("Set level of input signal to the octave down effect. It does not affect dry."),
            QStringLiteral("Adjust if you hear too much distortion on the sub. By deafult it is set to mid position.")};
}

// A hint as a tool tip: its lines as plain text, one line each.
inline QString toolTip(const QStringList &lines)
{
    return lines.join(QLatin1Char('\n'));
}

}  // namespace hints
