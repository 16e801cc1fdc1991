#pragma once

#include "sim/PedalLineService.h"

#include <QList>
#include <QString>
#include <QTimer>

class QLocalServer;
class QLocalSocket;

// Plays the pedal on a named pipe, for Windows, which has no pseudo-terminals:
// a host program connects to \\.\pipe\sombrant-pedal-<pid> and writes and
// reads it like a serial line; the pedal's answers are written at the times
// the wire would deliver them.
//
// The pipe takes any number of connections, as a terminal takes any number of
// openers: what each writes reaches the pedal in the order it arrives, and
// the answers go to the newest connection still there. So a program that
// writes, closes and opens the line again loses nothing it wrote, and the
// line stays up while programs come and go.
//
// The wire's timer here is a millisecond one (Qt's precise timer), so an
// answer may come up to a millisecond later than on the real line.
class PipePedalServer final : public PedalLineService {
    Q_OBJECT
public:
    explicit PipePedalServer(PedalSetup setup, QObject *parent = nullptr);
    ~PipePedalServer() override;

    QString linePath() const override { return m_name; }

protected:
    bool openLine(QString *error) override;
    qint64 sendToHost(const QByteArray &bytes) override;
    void armTimer(std::optional<std::int64_t> atUs) override;
    void closeLine() override;

private:
    void accept();
    void readHost(QLocalSocket *host);
    void forget(QLocalSocket *host);

    QLocalServer *m_server = nullptr;
    QList<QLocalSocket *> m_hosts;  // oldest first; answers go to the last
    QString m_name;
    QTimer m_timer;
};
