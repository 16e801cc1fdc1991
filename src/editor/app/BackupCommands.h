#pragma once

#include "app/EditorServices.h"
#include "device/PedalResult.h"

#include <QObject>
#include <QString>

class TformMain;
struct DeviceStatus;

// The main window's backup and restore: File → Backup… and Restore…, and the
// offer of a backup before an algorithm upload and before a firmware
// upgrade. The dialogs start in the backup folder below Documents (or where
// the last backup was saved or read this run); results go to the status
// line, failures nobody has been told of yet to a failure box.
//
// A backup needs the pedal's own firmware to answer: its bootloader cannot.
// The firmware upgrade runs entirely in the bootloader, which the pedal is
// started in before Upgrade Mode and Connect, so no step of the upgrade can
// still read the pedal. The offer before an upgrade is therefore made when
// the editor asks for one: after a Request that finds the firmware older
// than the newest carried, while the firmware still answers.
class BackupCommands : public QObject {
public:
    // Connects the File menu's two items; owned by the main window.
    BackupCommands(TformMain &main, EditorServices services);

    void menuBackupClick();
    void menuRestoreClick();

    // Before an upload: while a pedal running its firmware is connected,
    // asks "Back up the pedal first?", and on Yes backs it up. True to go
    // on: after No, after a backup that was written, or when the user goes
    // on without the backup that was not.
    bool offerBackup();
    // After a status that asks for a firmware upgrade (older than
    // `latestFirmware`), offers a backup as offerBackup() does.
    void offerBeforeFirmwareUpgrade(const DeviceStatus &status, int latestFirmware);

    static constexpr const char *OfferQuestion = "Back up the pedal first?";

private:
    // Asks where, then backs up; Declined when the dialog was cancelled.
    PedalResult backUp();
    QString startFolder() const;

    TformMain &m_main;
    EditorServices m_services;
    // Where the last backup was saved or read, for the next dialog.
    QString m_lastFolder;
};
