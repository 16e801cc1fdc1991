#pragma once

#include "model/PedalSetup.h"
#include "model/PedalWire.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>

class QSocketNotifier;

// Plays the pedal on a pseudo-terminal: what a program writes to the
// terminal's slave end reaches the pedal; the pedal's answers are written to
// the master end at the times the wire would deliver them. The server keeps
// the slave open itself, so the line stays up while programs open and close
// it, and keeps the slave in raw mode until a program configures it.
class PtyPedalServer : public QObject {
    Q_OBJECT
public:
    explicit PtyPedalServer(PedalSetup setup, QObject *parent = nullptr);
    ~PtyPedalServer() override;

    // Opens the pseudo-terminal and starts the pedal; false with a message.
    bool start(QString *error);
    QString slavePath() const { return m_slavePath; }
    // Whether start() failed on the setup (options, faults, state file)
    // rather than on the terminal.
    bool setupFailed() const { return m_setupFailed; }
    PedalWire &wire() { return m_wire; }

signals:
    // The "unplug" fault struck: the terminal is closed.
    void unplugged();

private:
    void readHost();
    void deliverDue();
    void writePending();
    void rearm();
    void saveState();
    void unplug();

    PedalSetup m_setup;
    PedalWire m_wire;
    bool m_setupFailed = false;
    int m_master = -1;
    int m_slave = -1;
    QString m_slavePath;
    QSocketNotifier *m_readNotifier = nullptr;
    QSocketNotifier *m_writeNotifier = nullptr;
    QTimer m_timer;
    QByteArray m_outgoing;  // answer bytes due but not yet taken by the terminal
};
