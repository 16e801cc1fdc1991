#pragma once

#include <QByteArray>
#include <QList>
#include <cstdint>

// Bytes the pedal answers, and when it is ready to start sending them (the
// time its processing of the message ended, in the wire's microseconds).
struct PedalReply {
    QByteArray bytes;
    std::int64_t readyAtUs = 0;
};

using PedalReplies = QList<PedalReply>;
