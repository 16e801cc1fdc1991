#pragma once

#include "app/EditorServices.h"

#include <QMainWindow>

class QAction;
class QLabel;
class QListWidget;
class QMenu;
class QPushButton;
class QTimer;
class SettingsFolders;

// The main window "Sombrant Editor": the labels that show the attached pedal,
// the command buttons, the effect list and the menus. Creating it runs the
// start-up sequence (FormCreate).
class TformMain : public QMainWindow {
    Q_OBJECT
public:
    explicit TformMain(EditorServices services, QWidget *parent = nullptr);
    ~TformMain() override;

    // The window that Ctrl+Shift+P shows; set once the Debug Console exists.
    void setDebugConsole(QWidget *console) { m_debugConsole = console; }

    // Values kept for the whole run.
    QString currentAppVersion;
    int latest_firmware_version = 0;
    int latest_algorithm_version = 0;
    bool device_connected = false;
    bool firmware_upgrade_mode = false;
    bool request_in_progress = false;

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

public slots:
    void menuInfoClick();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();
    void buildMenus();
    void FormCreate();
    bool FormKeyDown(int key, Qt::KeyboardModifiers shift);

    EditorServices m_services;
    QWidget *m_debugConsole = nullptr;
};
