#pragma once

#include <QDeadlineTimer>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <algorithm>

// The simulator as a child process; its first line of output is the
// terminal's path. Killed when the test ends.
class Simulator {
public:
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

    void stop()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }
    QString path() const { return m_path; }
    // Everything it logged, once it has ended (it is stopped if need be).
    QString log()
    {
        stop();
        return QString::fromLocal8Bit(m_process.readAllStandardError());
    }
    QProcess &process() { return m_process; }

private:
    QProcess m_process;
    QString m_path;
};
