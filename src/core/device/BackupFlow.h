#pragma once

#include "device/DeviceStatus.h"
#include "device/PedalBackup.h"
#include "device/PedalResult.h"

#include <QString>
#include <QStringList>

class Communication;
class FXsettings;
class LogSink;
class ParameterCommands;
class PauseClock;
class UserPrompts;
enum class Confirmation;

// The pedal's backup and restore, for the window and the tool alike.
//
// A backup reads the status and both EEPROMs whole, then writes the file; it
// holds the link for each of its three exchanges in turn. A restore writes
// back what the pedal's messages can write: the live values, the five stored
// values, the assignments, the tuning and the footswitch mode, after one
// question; it then reads the status again to see that the pedal took them.
// The EEPROMs cannot be written back (no message writes them), nor can the
// ten standard values be kept: the pedal does not store them.
class BackupFlow {
public:
    BackupFlow(Communication &communication, LogSink &log, UserPrompts &prompts, PauseClock &clock);

    // Reads everything and writes it to `path`. Done with the backup
    // written; Failed when the pedal did not answer whole (nothing is
    // written, and a file already at `path` stays as it was) or the file
    // could not be written.
    PedalResultOf<PedalBackup> backup(const QString &path);

    struct Restored {
        DeviceStatus status;     // the pedal's status after the restore
        QStringList notRestored; // what could not be written back, in plain words
    };
    // Reads the backup at `path` and restores it (below); Refused, with
    // nothing sent, when the file is not a whole backup.
    PedalResultOf<Restored> restore(const QString &path, Confirmation confirmation);
    // Reads the pedal's status; Refused, with nothing written, when the pedal
    // runs another algorithm than the backup's (its parameter addresses
    // differ) or one whose addresses no carried image gives. Asks "Restore
    // the pedal from <name>?" unless the caller has (Confirmation::Given);
    // Declined ("Nothing restored") on No. Then writes, and reads the status
    // again: Failed when a write failed or the pedal does not report what
    // was written.
    PedalResultOf<Restored> restore(const PedalBackup &backup, const QString &name, Confirmation confirmation);

    // The question asked before a restore.
    static QString question(const QString &name);

private:
    PedalResult refuse(const QString &why);
    // Sends the live values, stores the five, sets the tuning, the
    // assignments and the footswitch mode; what cannot be written back goes
    // to *notRestored.
    PedalResult writeBack(const PedalBackup &backup, const FXsettings &fx, QStringList *notRestored);
    // The tuning, the assignments and the footswitch mode.
    PedalResult writeSettings(const PedalBackup &backup, ParameterCommands &commands, QStringList *notRestored);
    PedalResultOf<DeviceStatus> pedalTook(const PedalBackup &backup);

    Communication &m_communication;
    LogSink &m_log;
    UserPrompts &m_prompts;
    PauseClock &m_clock;
};
