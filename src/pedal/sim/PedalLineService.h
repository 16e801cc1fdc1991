#pragma once

#include "model/PedalSetup.h"
#include "model/PedalStateKeeper.h"
#include "model/PedalWire.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>
#include <cstdint>
#include <memory>
#include <optional>

// The pedal behind a byte line to a host program: its wire, its kept state
// and the pacing of its answers. What carries the bytes is the transport's
// work, in a subclass: a pseudo-terminal on Unix (PtyPedalServer), a named
// pipe on Windows (PipePedalServer).
//
// The transport hands what the host wrote to hostBytes(), takes answer bytes
// in sendToHost() as it has room for them, and calls service() when its timer
// fires or it has room again. Answers leave the wire only while fewer than
// OutgoingLimit bytes wait for the transport to take them, so a host that
// writes requests and never reads fills the wire's bounded transmit buffer,
// not this service's memory.
//
// The pedal's state file (PedalSetup::stateFile) is claimed at start(),
// saved as PedalStateKeeper throttles it, and saved a last time by finish().
class PedalLineService : public QObject {
    Q_OBJECT
public:
    static constexpr int OutgoingLimit = 4096;

    // The transport this platform has; it starts on start().
    static std::unique_ptr<PedalLineService> forThisPlatform(PedalSetup setup);

    explicit PedalLineService(PedalSetup setup, QObject *parent = nullptr);
    ~PedalLineService() override;  // finishes, if finish() was not called

    // Claims the state file, starts the pedal and opens the line; false with
    // a message.
    bool start(QString *error);
    // Saves what the state file does not hold yet; false when that failed
    // (the error is in the pedal's log).
    bool finish();
    // What a host program opens: the terminal's path or the pipe's name.
    virtual QString linePath() const = 0;
    // Whether start() failed on the setup (options, faults, state file and
    // its lock) rather than on the line.
    bool setupFailed() const { return m_setupFailed; }
    PedalWire &wire() { return m_wire; }
    const PedalStateKeeper &keeper() const { return m_keeper; }

signals:
    // The "unplug" fault struck: the line is closed.
    void unplugged();

protected:
    // Opens the line; false with a message.
    virtual bool openLine(QString *error) = 0;
    // Hands answer bytes to the host; how many it took now (0 when it has no
    // room or no host is there). Taking fewer than given commits the
    // transport to call service() once it has room again.
    virtual qint64 sendToHost(const QByteArray &bytes) = 0;
    // Calls service() at `atUs` on the wire's clock (at once when past);
    // none: no call is due.
    virtual void armTimer(std::optional<std::int64_t> atUs) = 0;
    // Closes the line for good (the "unplug" fault).
    virtual void closeLine() = 0;

    // What the host wrote.
    void hostBytes(const QByteArray &bytes);
    // After anything that may have moved the pedal on: lets it act, keeps its
    // state, passes its due answers on and arms the timers.
    void service();
    bool lineClosed() const { return m_lineClosed; }

private:
    void writePending();
    void rearm();
    void keepState();
    void unplug();

    PedalSetup m_setup;
    PedalWire m_wire;
    PedalStateKeeper m_keeper;
    bool m_setupFailed = false;
    bool m_finished = false;
    bool m_lineClosed = false;
    QTimer m_saveTimer;     // the end of the save throttle's interval
    QByteArray m_outgoing;  // answer bytes due but not yet taken by the transport
};
