#pragma once

#include "device/PedalResult.h"

#include <QString>
#include <QStringList>
#include <optional>

class Communication;
class LogSink;

// The pedal's MIDI channel: 1 to 16, or OMNI for all channels, sent as the
// two bytes 07 and the channel (00 for OMNI). The pedal does not answer and
// the editor keeps no record of the choice.
class MidiChannel {
public:
    MidiChannel(Communication &communication, LogSink &log);

    // The choices in the order the menu offers them: "OMNI", "1" ... "16".
    static const QStringList &channelItems();
    // "07" and the channel as two upper-case hexadecimal digits ("0700" for
    // OMNI, "070A" for 10); nullopt for a text that is not one of the items.
    static std::optional<QString> channelMessage(const QString &item);

    // Logs "Midi channel: " and the item without scrolling, then the message,
    // and writes its 2 bytes without a purge and without a wait. An item that
    // is not one of channelItems() logs and sends nothing and is Refused;
    // Failed when the write failed.
    PedalResult sendChannel(const QString &item);

private:
    Communication &m_communication;
    LogSink &m_log;
};
