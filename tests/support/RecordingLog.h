#pragma once

#include "app/LogSink.h"

#include <QStringList>

// Keeps every log line; `scrolling` says which lines asked to scroll.
class RecordingLog final : public LogSink {
public:
    void PrintToConsole(const QString &text) override
    {
        lines << text;
        scrolling << true;
    }
    void AppendConsoleLine(const QString &text) override
    {
        lines << text;
        scrolling << false;
    }

    QStringList lines;
    QList<bool> scrolling;
};
