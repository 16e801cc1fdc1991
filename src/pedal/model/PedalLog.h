#pragma once

#include <QString>
#include <QStringList>
#include <functional>

// The simulated pedal's account of what it did: one line per message it
// understood or ignored. Lines go to an optional sink (the simulator program
// writes them to standard error) and are kept, the newest MaxKept, for tests
// and the Debug Console.
class PedalLog {
public:
    static constexpr int MaxKept = 2000;

    std::function<void(const QString &)> sink;

    void understood(const QString &line)
    {
        ++m_understood;
        add(line);
    }
    void ignored(const QString &line) { add(QStringLiteral("ignored: ") + line); }
    void note(const QString &line) { add(line); }

    const QStringList &lines() const { return m_lines; }
    bool contains(const QString &fragment) const
    {
        for (const QString &l : m_lines)
            if (l.contains(fragment))
                return true;
        return false;
    }
    // Messages and bootloader frames understood so far.
    int understoodCount() const { return m_understood; }

private:
    void add(const QString &line)
    {
        if (m_lines.size() >= MaxKept)
            m_lines.removeFirst();
        m_lines << line;
        if (sink)
            sink(line);
    }

    QStringList m_lines;
    int m_understood = 0;
};
