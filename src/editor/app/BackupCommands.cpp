#include "app/BackupCommands.h"

#include "app/LogSink.h"
#include "app/StatusLine.h"
#include "app/TformMain.h"
#include "app/UserPrompts.h"
#include "device/BackupFlow.h"
#include "device/DeviceStatus.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QPushButton>

namespace {

FileDialogExtras dialogExtras(const QString &folder)
{
    return FileDialogExtras{QStringLiteral("json"), {folder}};
}

}  // namespace

BackupCommands::BackupCommands(TformMain &main, EditorServices services)
    : QObject(&main), m_main(main), m_services(std::move(services))
{
    connect(m_main.menuBackup, &QAction::triggered, this, &BackupCommands::menuBackupClick);
    connect(m_main.menuRestore, &QAction::triggered, this, &BackupCommands::menuRestoreClick);
}

QString BackupCommands::startFolder() const
{
    if (!m_lastFolder.isEmpty() && QFileInfo(m_lastFolder).isDir())
        return m_lastFolder;
    return PedalBackup::defaultFolder(m_services.documentsFolder);
}

PedalResult BackupCommands::backUp()
{
    const QString folder = PedalBackup::defaultFolder(m_services.documentsFolder);
    if (!QDir().mkpath(folder))
        m_services.log.PrintToConsole(QStringLiteral("Cannot create the folder ") + QDir::toNativeSeparators(folder));
    const QString chosen = m_services.prompts.saveFileName(QStringLiteral("Back Up the Pedal"), startFolder(),
                                                           QString::fromLatin1(PedalBackup::Filter),
                                                           dialogExtras(folder));
    if (chosen.isEmpty())
        return PedalResult::declined(QStringLiteral("No backup made"));
    const QString path = QFileInfo(PedalBackup::withExtension(chosen)).absoluteFilePath();
    m_lastFolder = QFileInfo(path).absolutePath();
    BackupFlow flow(m_main.communication(), m_services.log, m_services.prompts, m_services.clock);
    const PedalResult result = flow.backup(path);
    if (result.isFailed() && !result.told())
        m_services.prompts.showFailure(result.reason(), {});
    m_main.statusLine().report(result, QStringLiteral("Backup written to ") + QDir::toNativeSeparators(path));
    return result;
}

void BackupCommands::menuBackupClick()
{
    backUp();
}

void BackupCommands::menuRestoreClick()
{
    const QString folder = PedalBackup::defaultFolder(m_services.documentsFolder);
    QDir().mkpath(folder);
    const QString chosen = m_services.prompts.openFileName(QStringLiteral("Restore the Pedal"), startFolder(),
                                                           QString::fromLatin1(PedalBackup::Filter),
                                                           dialogExtras(folder));
    if (chosen.isEmpty())
        return;
    const QString path = QFileInfo(chosen).absoluteFilePath();
    m_lastFolder = QFileInfo(path).absolutePath();
    BackupFlow flow(m_main.communication(), m_services.log, m_services.prompts, m_services.clock);
    const auto restored = flow.restore(path, Confirmation::Ask);
    if (!restored) {
        if (restored.isFailed() && !restored.told())
            m_services.prompts.showFailure(restored.reason(), {});
        m_main.statusLine().report(restored, {});
        return;
    }
    // The window shows what the pedal now holds, as after a Request.
    m_main.request(QStringLiteral("Restore"));
    const QString name = QFileInfo(path).fileName();
    m_services.prompts.showMessage(QStringLiteral("The pedal was restored from %1.\n\nNot restored:\n• %2")
                                       .arg(name, restored->notRestored.join(QStringLiteral("\n• "))));
    m_main.statusLine().say(QStringLiteral("Restored from ") + name);
}

bool BackupCommands::offerBackup()
{
    if (!m_main.pedalOpen() || !m_main.btnRequest->isEnabled())
        return true;
    if (!m_services.prompts.askYesNo(QString::fromLatin1(OfferQuestion)))
        return true;
    const PedalResult result = backUp();
    if (result)
        return true;
    const QString why = result.isDeclined() ? QStringLiteral("No backup was made.")
                                            : QStringLiteral("The backup failed: %1").arg(result.reason());
    return m_services.prompts.askYesNo(why + QStringLiteral(" Go on without one?"));
}

void BackupCommands::offerBeforeFirmwareUpgrade(const DeviceStatus &status, int latestFirmware)
{
    const std::optional<int> firmware = DeviceStatus::versionNumber(status.device_firmware_version);
    if (firmware && *firmware < latestFirmware)
        offerBackup();
}
