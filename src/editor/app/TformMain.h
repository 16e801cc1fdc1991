#pragma once

#include "algorithms/EffectLibrary.h"
#include "app/EditorServices.h"
#include "app/PedalCommandList.h"
#include "device/DeviceConnection.h"
#include "device/StatusRequest.h"
#include "tuning/Tunings.h"

#include <QMainWindow>

class QAction;
class QLabel;
class QListWidget;
class QMenu;
class QPushButton;
class QTimer;
class BackupCommands;
class Communication;
class StatusLine;
class TformFXsettings;
class UpdateMenu;

// The main window "Sombrant Editor": the labels that show the attached pedal,
// the command buttons, the effect list and the menus. Creating it runs the
// start-up sequence (FormCreate).
class TformMain : public QMainWindow {
    Q_OBJECT
public:
    TformMain(EditorServices services, Communication &communication, QWidget *parent = nullptr);
    ~TformMain() override;

    // The window that Ctrl+Shift+P shows; set once the Debug Console exists.
    void setDebugConsole(QWidget *console) { m_debugConsole = console; }
    // The parameter window an effect click opens; it reads request_in_progress.
    void setParameterWindow(TformFXsettings *window);

    Communication &communication() const { return m_communication; }
    DeviceConnection &connection() { return m_connection; }
    EffectLibrary &effects() { return m_effects; }
    // The Info menu's update items, made by start-up.
    UpdateMenu *updates() const { return m_updates; }
    // The pedal is open now (Connect succeeded, no Disconnect since).
    bool pedalOpen() const { return m_pedalOpen; }
    // Enables and disables the pedal commands for a stage of the link, and
    // says in the status line what to do next.
    void enterPedalStage(PedalCommandList::Stage stage);
    // What to do next, and what each command that wrote to the pedal came to.
    StatusLine &statusLine() const { return *m_statusLine; }

    // Values kept for the whole run. firmware_upgrade_mode lives in
    // Communication, whose receive loops read it.
    QString currentAppVersion;
    int latest_firmware_version = 0;
    int latest_algorithm_version = 0;
    bool request_in_progress = false;
    // The pedal's versions as the last status request gave them.
    QString device_firmware_version;
    QString device_algorithm_version;
    QString device_effect_number;

    // Controls, named as the rest of the editor refers to them.
    QLabel *lblDeviceName = nullptr;
    QLabel *lblFirmwareVersion = nullptr;
    QLabel *lblAlgorithmVersion = nullptr;
    QLabel *lblStatus = nullptr;
    QPushButton *btnUpload = nullptr;
    QPushButton *btnRequest = nullptr;
    QPushButton *btnSaveParameters = nullptr;
    QPushButton *btnAssign = nullptr;
    QPushButton *btnSetFootswitchMode = nullptr;
    QPushButton *btnSetTuning = nullptr;
    QListWidget *lstEffects = nullptr;
    QTimer *TimerCheckWebVersion = nullptr;
    QTimer *UploadCheckTimer = nullptr;

    QMenu *menuFile = nullptr;
    QAction *menuLoadPreset = nullptr;
    QAction *menuSavePreset = nullptr;
    QAction *menuLoadAlgorithmFromFile = nullptr;
    QAction *menuBackup = nullptr;
    QAction *menuRestore = nullptr;
    QMenu *menuConnection = nullptr;
    QAction *menuScan = nullptr;
    QAction *menuConnect = nullptr;
    QAction *menuDisconnect = nullptr;
    QMenu *menuSettings = nullptr;
    QMenu *menuLook = nullptr;
    QMenu *menuMIDI = nullptr;
    QMenu *menuMIDIchannel = nullptr;
    QAction *menuUploadTuningsData = nullptr;
    QMenu *menuFirmwareUpgrade = nullptr;
    QAction *menuFirmwareUpgradeMode = nullptr;
    QAction *menuStartFirmwareUpgrade = nullptr;
    QMenu *menuInfo = nullptr;
    QAction *menuSupport = nullptr;
    QAction *menuAppVersion = nullptr;
    QAction *menuNewAppVersion = nullptr;
    QAction *menuUpdateNow = nullptr;
    QAction *menuShowUpdateMsg = nullptr;
    QAction *menuSerialNumber = nullptr;

    // The filter of the effect-file dialog.
    static constexpr const char *OpenDialog1Filter = "Dat files (*.dat)|*.dat";

signals:
    // The link to the pedal entered a stage (after the commands followed it).
    void pedalStageEntered(PedalCommandList::Stage stage);

public slots:
    void menuInfoClick();
    void menuScanClick();
    void ConnectOnClick();
    void menuDisconnectClick();
    void btnRequestClick();
    // Reads the pedal as Request does; undo names the step `step`.
    void request(const QString &step);
    void btnSaveParametersClick();
    void btnAssignClick();
    void btnSetFootswitchModeClick();
    void menuUploadTuningsDataClick();
    void btnSetTuningClick();
    void btnUploadClick();
    void menuLoadAlgorithmFromFileClick();
    void UploadCheckTimerTimer();
    void menuSavePresetClick();
    void menuLoadPresetClick();
    void menuFirmwareUpgradeModeClick();
    void effetto_cliccato(int row);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildMenus();
    void FormCreate();
    bool FormKeyDown(int key, Qt::KeyboardModifiers shift);
    bool move_up_or_down(int key);
    void fillEffectList();
    // Locks the pedal commands while an exchange waits for the pedal, and
    // puts them back as they were when it ends.
    void setPedalCommandsBusy(bool busy);
    // The pedal has gone: the window goes where Disconnect leaves it.
    void pedalGone();
    // Controls left as Disconnect leaves them, the device already closed.
    void showDisconnected();
    // Uploads an image in hand, showing its progress in the status line.
    void runUpload(const QByteArray &image, bool fromFile);

    EditorServices m_services;
    Communication &m_communication;
    DeviceConnection m_connection;
    StatusRequest m_statusRequest;
    EffectLibrary m_effects;
    Tunings m_tunings;
    QWidget *m_debugConsole = nullptr;
    TformFXsettings *m_parameterWindow = nullptr;
    UpdateMenu *m_updates = nullptr;
    StatusLine *m_statusLine = nullptr;
    // File → Backup… and Restore…, and the offers of a backup.
    BackupCommands *m_backup = nullptr;
    // Set when the upload watchdog gave up on the pedal's answer.
    bool m_uploadGivenUp = false;
    bool m_pedalOpen = false;
    // Where the effect-file dialog opens next: the last chosen file's folder.
    QString m_effectFileFolder;
    // The pedal commands, enabled and disabled by the link's stage.
    PedalCommandList m_pedalCommands;
};
