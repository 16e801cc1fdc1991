#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>

// Faults the simulated pedal can be told to show, for tests and for trying
// the editor against a misbehaving pedal. Each has a text form, used on the
// command line: "silent", "nack=K", "garbled-status", "short-status[=N]",
// "split-reply[=PARTS[:GAP_MS]]", "unplug=K".
struct PedalFaults {
    enum class StatusReply { Normal, Garbled, Short };

    static constexpr std::int64_t DefaultSplitGapUs = 250'000;

    bool silent = false;                 // the pedal never answers
    int nackAtFrame = 0;                 // the K-th bootloader frame (sync = 1) gets NACK; 0 = off
    StatusReply statusReply = StatusReply::Normal;
    int shortStatusValues = 41;          // values in a short status reply
    int splitParts = 1;                  // every answer arrives in this many pieces
    std::int64_t splitGapUs = DefaultSplitGapUs;  // pause between the pieces
    int unplugAfterMessages = 0;         // unplugged after the K-th message understood; 0 = off

    // Applies one fault in its text form; false with a message on bad text.
    bool apply(const QString &text, QString *error);
    // Applies each text; stops at the first bad one.
    bool apply(const QStringList &texts, QString *error);

    static QString helpText();
};
