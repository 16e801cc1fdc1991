#pragma once

#include "model/PedalSetup.h"
#include "model/PedalStateKeeper.h"
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
//
// Answers leave the wire only while fewer than OutgoingLimit bytes wait for
// the terminal to take them, so a program that writes requests and never
// reads fills the wire's bounded transmit buffer, not this server's memory.
//
// The pedal's state file (PedalSetup::stateFile) is claimed at start(),
// saved as PedalStateKeeper throttles it, and saved a last time by finish().
class PtyPedalServer : public QObject {
    Q_OBJECT
public:
    static constexpr int OutgoingLimit = 4096;

    explicit PtyPedalServer(PedalSetup setup, QObject *parent = nullptr);
    ~PtyPedalServer() override;  // finishes, if finish() was not called

    // Claims the state file, opens the pseudo-terminal and starts the pedal;
    // false with a message.
    bool start(QString *error);
    // Saves what the state file does not hold yet; false when that failed
    // (the error is in the pedal's log).
    bool finish();
    QString slavePath() const { return m_slavePath; }
    // Whether start() failed on the setup (options, faults, state file and
    // its lock) rather than on the terminal.
    bool setupFailed() const { return m_setupFailed; }
    PedalWire &wire() { return m_wire; }
    const PedalStateKeeper &keeper() const { return m_keeper; }

signals:
    // The "unplug" fault struck: the terminal is closed.
    void unplugged();

private:
    void readHost();
    // After anything that may have moved the pedal on: lets it act, keeps its
    // state, passes its due answers on and arms the timers.
    void service();
    void writePending();
    void rearm();
    void stopTimer();
    void keepState();
    void unplug();

    PedalSetup m_setup;
    PedalWire m_wire;
    PedalStateKeeper m_keeper;
    bool m_setupFailed = false;
    bool m_finished = false;
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
    QTimer m_saveTimer;  // the end of the save throttle's interval
    QByteArray m_outgoing;  // answer bytes due but not yet taken by the terminal
};
