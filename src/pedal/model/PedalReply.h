#pragma once

#include <QByteArray>
#include <QList>
#include <cstdint>

// Bytes the pedal answers, and when it is ready to start sending them (the
// time its processing of the message ended, in the wire's microseconds).
// A delayed reply (a fault holding an answer back) keeps its time even on a
// wire without pacing, where answers are otherwise readable at once.
struct PedalReply {
    QByteArray bytes;
    std::int64_t readyAtUs = 0;
    bool delayed = false;
};

using PedalReplies = QList<PedalReply>;
