#include "prefs/MidiChannel.h"

#include "app/LogSink.h"
#include "device/Communication.h"
#include "device/HexText.h"
#include "device/PedalCommand.h"

namespace {

constexpr int MidiMessageBytes = 2;

}  // namespace

MidiChannel::MidiChannel(Communication &communication, LogSink &log)
    : m_communication(communication), m_log(log)
{
}

const QStringList &MidiChannel::channelItems()
{
    static const QStringList items = [] {
        QStringList list{QStringLiteral("OMNI")};
        for (int channel = 1; channel <= 16; ++channel)
            list << QString::number(channel);
        return list;
    }();
    return items;
}

std::optional<QString> MidiChannel::channelMessage(const QString &item)
{
    // The item's place in the list is the channel byte: OMNI 0, then 1-16.
    const qsizetype channel = channelItems().indexOf(item);
    if (channel < 0)
        return std::nullopt;
    return commandText(PedalCommand::MidiChannel) + hexDigits(std::uint64_t(channel), 2);
}

PedalResult MidiChannel::sendChannel(const QString &item)
{
    const std::optional<QString> text = channelMessage(item);
    if (!text)
        return PedalResult::refused(QStringLiteral("Unknown MIDI channel \"%1\".").arg(item));
    m_log.AppendConsoleLine(QStringLiteral("Midi channel: ") + item);
    m_log.PrintToConsole(*text);
    m_communication.send_message(*text, MidiMessageBytes, false);
    return m_communication.written(QStringLiteral("The MIDI channel message"));
}
