#include "BackupHandlers.h"

#include "ConsoleOutput.h"
#include "ExitStatus.h"
#include "Invocation.h"
#include "PedalSession.h"
#include "app/UserPrompts.h"
#include "device/BackupFlow.h"

#include <QFileInfo>

int BackupHandlers::backup(const Invocation &run)
{
    const QString path = run.args()[1];
    return run.withPedal([&](PedalSession &session) {
        BackupFlow flow(session.communication(), session.prompts(), session.prompts(), session.clock());
        const PedalResultOf<PedalBackup> backup = flow.backup(path);
        if (!backup)
            return session.exitStatus(backup);
        out(QStringLiteral("Backup written to %1: firmware %2, algorithm %3, EEPROM 50 and 51 (%4 bytes each)")
                .arg(path, backup->firmware, backup->algorithm)
                .arg(PedalBackup::EepromBytes));
        return int(Success);
    });
}

int BackupHandlers::restore(const Invocation &run)
{
    const QString path = run.args()[1];
    // The file is believed, whole, before anything is sent.
    QString error;
    const std::optional<PedalBackup> backup = PedalBackup::readFile(path, &error);
    if (!backup) {
        err(error);
        return UsageError;
    }
    if (!run.confirmationPossible(QStringLiteral("restore")))
        return UsageError;
    return run.withPedal([&](PedalSession &session) {
        BackupFlow flow(session.communication(), session.prompts(), session.prompts(), session.clock());
        const auto restored = flow.restore(*backup, QFileInfo(path).fileName(), Confirmation::Ask);
        if (!restored)
            return session.exitStatus(restored);
        out(QStringLiteral("Restored from %1: the five stored values, the assignments, the footswitch mode and "
                           "the tuning")
                .arg(path));
        for (const QString &line : restored->notRestored)
            out(QStringLiteral("Not restored: ") + line);
        return int(Success);
    });
}
