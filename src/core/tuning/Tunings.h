#pragma once

#include "algorithms/AlgorithmUpload.h"
#include "device/PedalResult.h"
#include "tuning/TuningTable.h"

#include <QString>
#include <cstdint>

class Communication;
class LogSink;
class PauseClock;
class UserPrompts;
enum class Confirmation;

// The tuning filters and the guitar tuning on the pedal: the upload of the
// whole filter table (0E and its 640 bytes, after the upload announcement)
// and the tuning message (09, tuning, semitones). Neither has an answer: the
// pedal sends none, so neither knows whether the pedal took it. Used alike by
// the main window's handlers and by the command-line tool.
class Tunings {
public:
    // The tuning-data message: the command and the whole table.
    static constexpr int TuningDataBytes = 1 + TuningTableRows * TuningRowBytes;  // 641
    // The tuning message: command, tuning, semitones.
    static constexpr int TuningMessageBytes = 3;
    // After either message the pedal writes its memory.
    static constexpr int SettleMs = 100;

    Tunings(Communication &communication, LogSink &log, UserPrompts &prompts, PauseClock &clock);

    // The table as 1280 upper-case hexadecimal characters, rows 0 to 31,
    // each row's bytes in order; rebuilt by build_tuning_data.
    QString tuning_data;
    // Empties tuning_data, appends the table's 640 bytes as text, and logs
    // "tuning data: " with it.
    void build_tuning_data();

    // Builds and logs the table, asks "Upload Tuning Data?", and unless the
    // answer is No sends the upload announcement, pauses for the pedal to get
    // ready, logs the length and writes the 641 bytes in one write after a
    // purge, then waits SettleMs. Declined ("Nothing uploaded") on No,
    // Failed when a write failed.
    PedalResult uploadTuningData();

    // "09", the tuning number and the semitones as a byte, in hexadecimal.
    static QString tuningMessage(std::uint8_t current_tuning, std::int8_t semitones_variation);
    // Logs the message ("Tuning Message: "), asks "Set new tuning?", and
    // unless the answer is No writes the 3 bytes after a purge and waits
    // SettleMs. The values are sent as they are: the caller offers only the
    // tunings 0-7 and the semitones -5..+3. Declined ("Nothing set") on No,
    // Failed when the write failed.
    PedalResult setTuning(std::uint8_t current_tuning, std::int8_t semitones_variation);
    // As setTuning, without the question when the caller has asked one
    // that covers it (Confirmation::Given).
    PedalResult setTuning(std::uint8_t current_tuning, std::int8_t semitones_variation,
                          Confirmation confirmation);

private:
    Communication &m_communication;
    LogSink &m_log;
    UserPrompts &m_prompts;
    PauseClock &m_clock;
    AlgorithmUpload m_upload;  // for its announcement, shared with the algorithm upload
};
