#pragma once

#include "prefs/MidiChannel.h"

#include <QString>
#include <optional>

class PedalSession;

// The midi command on an opened pedal: sets its MIDI channel. It reads the
// pedal's status first, since the channel message has no answer: the status
// is what tells a silent pedal apart. No question is asked, as in the
// editor's menu. Returns the exit status, what went wrong having been said
// on standard error, and says what it did on standard output.
class MidiTool {
public:
    explicit MidiTool(PedalSession &session);

    // The menu item a person means: "omni" in any letter case, or a channel
    // number 1 to 16. Otherwise nullopt, with *error saying what is accepted.
    static std::optional<QString> channelNamed(const QString &text, QString *error);

    // Sends the channel of a menu item ("OMNI", "1" ... "16").
    int setChannel(const QString &item);

private:
    PedalSession &m_session;
    MidiChannel m_midi;
};
