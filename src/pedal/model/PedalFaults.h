#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>

// Faults the simulated pedal can be told to show, for tests and for trying
// the editor against a misbehaving pedal. Each has a text form, used on the
// command line: "silent", "nack=K", "late-nack=K[:MS]", "stray-ack=K",
// "dup-ack=K[:MS]", "garble=K", "silent=K", "garbled-status",
// "short-status[=N]", "split-reply[=PARTS[:GAP_MS]]", "unplug=K".
//
// The bootloader's faults strike the K-th frame it answers, counted from
// power-up (the sync byte is 1; a command with its complement, an address,
// a data frame, an erase frame and a read length are one each); "K+" strikes
// that frame and every one after it.
struct PedalFaults {
    enum class StatusReply { Normal, Garbled, Short };

    // Bootloader frames a fault strikes.
    struct Frames {
        int first = 0;         // 0 = off
        bool onwards = false;  // and every frame after it
        bool covers(int frame) const { return first > 0 && (onwards ? frame >= first : frame == first); }
    };

    static constexpr std::int64_t DefaultSplitGapUs = 250'000;
    // Longer than the second a host gives a bootloader to answer.
    static constexpr std::int64_t DefaultLateNackUs = 1'500'000;

    bool silent = false;                 // the pedal never answers
    Frames nack;                         // refused: NACK, the frame not carried out
    Frames lateNack;                     // refused, the NACK sent lateNackUs after the frame
    std::int64_t lateNackUs = DefaultLateNackUs;
    Frames strayAck;                     // an ACK sent as the frame's first byte arrives, before its answer
    Frames duplicateAck;                 // carried out; a second ACK duplicateAckUs after the answer
    std::int64_t duplicateAckUs = 0;
    Frames garbledAnswer;                // carried out; its answer's first byte with bit 1 flipped (0x79 -> 0x7B)
    Frames noAnswer;                     // carried out; no answer sent
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
