#pragma once

#include "tuning/Tunings.h"

#include <QString>
#include <cstdint>
#include <optional>

class PedalSession;

// The tuning commands on an opened pedal: upload-tuning sends the tuning
// filter table, tuning sets the guitar tuning and its semitone offset. Both
// read the pedal's status first, since neither message has an answer: the
// status is what tells a silent pedal apart. Both ask first; the question is
// answered by --yes or at the terminal. Each returns the exit status, what
// went wrong having been said on standard error, and says what it did on
// standard output.
class TuningTool {
public:
    explicit TuningTool(PedalSession &session);

    // A tuning as a person names it: its number 0-7, or its list entry
    // ("Drop D (DADGBE)") without regard to letter case or blanks around it.
    // Otherwise nullopt, with *error saying what is accepted.
    static std::optional<std::uint8_t> tuningNamed(const QString &text, QString *error);
    // Semitones -5 to +3, written as a decimal number with an optional sign
    // ("-2", "+3", "3"). Otherwise nullopt, with *error saying what is accepted.
    static std::optional<std::int8_t> semitonesFrom(const QString &text, QString *error);

    // The whole tuning filter table, after the question.
    int uploadTuning();
    // The tuning and the semitones, after the question.
    int setTuning(std::uint8_t tuning, std::int8_t semitones);

private:
    // The status read first tells a silent pedal apart: neither message
    // has an answer.
    PedalResult statusRead();

    PedalSession &m_session;
    Tunings m_tunings;
};
