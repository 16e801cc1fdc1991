#pragma once

#include "sim/PedalLineService.h"

#include <QString>

class QSocketNotifier;

// Plays the pedal on a pseudo-terminal: what a program writes to the
// terminal's slave end reaches the pedal; the pedal's answers are written to
// the master end at the times the wire would deliver them. The server keeps
// the slave open itself, so the line stays up while programs open and close
// it, and keeps the slave in raw mode until a program configures it.
class PtyPedalServer final : public PedalLineService {
    Q_OBJECT
public:
    explicit PtyPedalServer(PedalSetup setup, QObject *parent = nullptr);
    ~PtyPedalServer() override;

    QString linePath() const override { return m_slavePath; }

protected:
    bool openLine(QString *error) override;
    qint64 sendToHost(const QByteArray &bytes) override;
    void armTimer(std::optional<std::int64_t> atUs) override;
    void closeLine() override;

private:
    void readHost();

    int m_master = -1;
    int m_slave = -1;
    QString m_slavePath;
    QSocketNotifier *m_readNotifier = nullptr;
    QSocketNotifier *m_writeNotifier = nullptr;
    // The wire's next event, to the microsecond: a millisecond timer would
    // add up to a millisecond to every answer, which a bootloader session of
    // hundreds of frames would show as time the real line never takes.
    int m_timerFd = -1;
    QSocketNotifier *m_timerNotifier = nullptr;
};
