#pragma once

#include <QDeadlineTimer>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <algorithm>

#include "ProgramRun.h"

// The simulator as a child process; its first line of output is the line's
// name: a pseudo-terminal's path, or on Windows a pipe's name. Stopped when
// the test ends: asked to stop first (see requestStop), since the simulator
// saves its state file then, and killed only if it has not ended by a
// deadline.
class Simulator {
public:
    // How the name of the line a simulator serves begins.
#ifdef Q_OS_WIN
    static QString linePrefix() { return QStringLiteral("\\\\.\\pipe\\sombrant-pedal-"); }
#else
    static QString linePrefix() { return QStringLiteral("/dev/"); }
#endif

    explicit Simulator(const QStringList &arguments)
    {
        m_process.start(QStringLiteral(SOMBRANT_PEDAL_SIM_PATH), arguments);
        const QDeadlineTimer deadline(10'000);
        while (!m_process.canReadLine() && !deadline.hasExpired()
               && m_process.state() != QProcess::NotRunning)
            m_process.waitForReadyRead(int(std::max<qint64>(1, deadline.remainingTime())));
        m_path = QString::fromLocal8Bit(m_process.readLine()).trimmed();
    }
    ~Simulator() { stop(); }

    // Asks it to end as a user would, which saves its state: SIGTERM on Unix.
    // On Windows a console program never sees QProcess::terminate's close
    // message; it ends when its standard input does.
    void requestStop()
    {
#ifdef Q_OS_WIN
        m_process.closeWriteChannel();
#else
        m_process.terminate();
#endif
    }

    void stop()
    {
        if (m_process.state() != QProcess::NotRunning) {
            requestStop();
            if (!m_process.waitForFinished(5000)) {
                m_process.kill();
                m_process.waitForFinished(5000);
            }
        }
    }
    QString path() const { return m_path; }
    // Everything it logged, once it has ended (it is stopped if need be).
    QString log()
    {
        stop();
        m_log += programText(m_process.readAllStandardError());
        return m_log;
    }
    // Waits, while it runs, until its log holds `fragment`; false when it
    // did not by the deadline. What it logged stays for log().
    bool waitForLog(const QString &fragment, int ms = 5000)
    {
        const QDeadlineTimer deadline(ms);
        for (;;) {
            const bool ended = m_process.state() == QProcess::NotRunning;
            m_log += programText(m_process.readAllStandardError());
            if (m_log.contains(fragment))
                return true;
            if (ended || deadline.hasExpired())
                return false;
            // Waiting on standard output reads standard error too; neither
            // need come, so the wait is short and the loop checks again.
            m_process.waitForReadyRead(int(std::clamp<qint64>(deadline.remainingTime(), 1, 20)));
        }
    }
    QProcess &process() { return m_process; }

private:
    QProcess m_process;
    QString m_path;
    QString m_log;
};
