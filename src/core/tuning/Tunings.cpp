#include "tuning/Tunings.h"

#include "app/LogSink.h"
#include "app/PauseClock.h"
#include "app/UserPrompts.h"
#include "device/Communication.h"
#include "device/HexText.h"
#include "device/PedalCommand.h"

Tunings::Tunings(Communication &communication, LogSink &log, UserPrompts &prompts, PauseClock &clock)
    : m_communication(communication),
      m_log(log),
      m_prompts(prompts),
      m_clock(clock),
      m_upload(communication, log, prompts, clock)
{
}

void Tunings::build_tuning_data()
{
    // Rebuilt, never appended to: a second upload sends the same bytes.
    tuning_data.clear();
    tuning_data.reserve(2 * TuningTableRows * TuningRowBytes);
    for (const auto &row : tuning_table)
        for (std::uint8_t byte : row)
            tuning_data += hexDigits(byte, 2);
    m_log.PrintToConsole(QStringLiteral("tuning data: ") + tuning_data);
}

PedalResult Tunings::uploadTuningData()
{
    build_tuning_data();
    if (!m_prompts.askYesNo(QStringLiteral("Upload Tuning Data?")))
        return PedalResult::declined(QStringLiteral("Nothing uploaded"));
    m_upload.send_upload_announcement();
    m_clock.sleep(AlgorithmUpload::AnnouncementPauseMs);
    const QString text = commandText(PedalCommand::TuningData) + tuning_data;
    const int n = TuningDataBytes;
    m_log.PrintToConsole(QStringLiteral("num_of_bytes: ") + QString::number(n));
    m_communication.send_message(text, n, true);
    const PedalResult sent = m_communication.written(QStringLiteral("The tuning data"));
    m_clock.sleep(SettleMs);
    return sent;
}

QString Tunings::tuningMessage(std::uint8_t current_tuning, std::int8_t semitones_variation)
{
    // The semitones go as their two's-complement byte: -2 is FE.
    return commandText(PedalCommand::Tuning) + hexDigits(current_tuning, 2)
           + hexDigits(std::uint8_t(semitones_variation), 2);
}

PedalResult Tunings::setTuning(std::uint8_t current_tuning, std::int8_t semitones_variation)
{
    return setTuning(current_tuning, semitones_variation, Confirmation::Ask);
}

PedalResult Tunings::setTuning(std::uint8_t current_tuning, std::int8_t semitones_variation,
                               Confirmation confirmation)
{
    const QString text = tuningMessage(current_tuning, semitones_variation);
    m_log.PrintToConsole(QStringLiteral("Tuning Message: ") + text);
    if (confirmation == Confirmation::Ask && !m_prompts.askYesNo(QStringLiteral("Set new tuning?")))
        return PedalResult::declined(QStringLiteral("Nothing set"));
    m_communication.send_message(text, TuningMessageBytes, true);
    const PedalResult sent = m_communication.written(QStringLiteral("The tuning message"));
    m_clock.sleep(SettleMs);
    return sent;
}
