#pragma once

#include "app/LogSink.h"

// Hands log lines to a sink that is attached after the writers were built.
// The editor's main window and the units it owns are created before the Debug
// Console exists; lines written before the console is attached are dropped,
// exactly as no start-up step writes to the log.
class LogRelay final : public LogSink {
public:
    void attach(LogSink *target) { m_target = target; }
    LogSink *target() const { return m_target; }

    void PrintToConsole(const QString &text) override
    {
        if (m_target)
            m_target->PrintToConsole(text);
    }
    void AppendConsoleLine(const QString &text) override
    {
        if (m_target)
            m_target->AppendConsoleLine(text);
    }
    void PrintLinesToConsole(const QStringList &lines) override
    {
        if (m_target)
            m_target->PrintLinesToConsole(lines);
    }

private:
    LogSink *m_target = nullptr;
};
