#include "app/MainMenuBar.h"

#include "app/PedalCommandList.h"
#include "app/TformMain.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTimer>

namespace {

QAction *addItem(QMenu *menu, const char *name, const QString &caption, bool enabled)
{
    QAction *action = menu->addAction(caption);
    action->setObjectName(QString::fromLatin1(name));
    action->setEnabled(enabled);
    return action;
}

}  // namespace

void MainMenuBar::build(TformMain &w)
{
    QMenuBar *bar = w.menuBar();

    w.menuFile = bar->addMenu(QStringLiteral("&File"));
    w.menuFile->setObjectName(QStringLiteral("menuFile"));
    w.menuLoadPreset = addItem(w.menuFile, "menuLoadPreset", QStringLiteral("&Load Preset"), false);
    w.menuSavePreset = addItem(w.menuFile, "menuSavePreset", QStringLiteral("&Save Preset"), false);
    w.menuLoadAlgorithmFromFile =
        addItem(w.menuFile, "menuLoadAlgorithmFromFile", QStringLiteral("Load &Effect From File"), false);
    w.menuFile->addSeparator();
    w.menuBackup = addItem(w.menuFile, "menuBackup", QStringLiteral("&Backup…"), false);
    w.menuRestore = addItem(w.menuFile, "menuRestore", QStringLiteral("&Restore…"), false);

    w.menuConnection = bar->addMenu(QStringLiteral("&Connection"));
    w.menuConnection->setObjectName(QStringLiteral("menuConnection"));
    w.menuScan = addItem(w.menuConnection, "menuScan", QStringLiteral("&Scan"), true);
    w.menuConnect = addItem(w.menuConnection, "menuConnect", QStringLiteral("&Connect"), true);
    w.menuDisconnect = addItem(w.menuConnection, "menuDisconnect", QStringLiteral("&Disconnect"), false);
    QObject::connect(w.menuScan, &QAction::triggered, &w, &TformMain::menuScanClick);
    QObject::connect(w.menuConnect, &QAction::triggered, &w, &TformMain::ConnectOnClick);
    QObject::connect(w.menuDisconnect, &QAction::triggered, &w, &TformMain::menuDisconnectClick);
    QObject::connect(w.btnRequest, &QPushButton::clicked, &w, &TformMain::btnRequestClick);
    QObject::connect(w.btnSaveParameters, &QPushButton::clicked, &w, &TformMain::btnSaveParametersClick);
    QObject::connect(w.btnAssign, &QPushButton::clicked, &w, &TformMain::btnAssignClick);
    QObject::connect(w.btnSetFootswitchMode, &QPushButton::clicked, &w,
                     &TformMain::btnSetFootswitchModeClick);
    QObject::connect(w.btnUpload, &QPushButton::clicked, &w, &TformMain::btnUploadClick);
    QObject::connect(w.menuLoadAlgorithmFromFile, &QAction::triggered, &w,
                     &TformMain::menuLoadAlgorithmFromFileClick);
    QObject::connect(w.UploadCheckTimer, &QTimer::timeout, &w, &TformMain::UploadCheckTimerTimer);
    QObject::connect(w.menuSavePreset, &QAction::triggered, &w, &TformMain::menuSavePresetClick);
    QObject::connect(w.menuLoadPreset, &QAction::triggered, &w, &TformMain::menuLoadPresetClick);

    w.menuSettings = bar->addMenu(QStringLiteral("&Settings"));
    w.menuSettings->setObjectName(QStringLiteral("menuSettings"));
    w.menuLook = w.menuSettings->addMenu(QStringLiteral("&Look"));
    w.menuLook->setObjectName(QStringLiteral("menuLook"));
    w.menuMIDI = w.menuSettings->addMenu(QStringLiteral("&MIDI"));
    w.menuMIDI->setObjectName(QStringLiteral("menuMIDI"));
    w.menuMIDIchannel = w.menuMIDI->addMenu(QStringLiteral("&Channel"));
    w.menuMIDIchannel->setObjectName(QStringLiteral("menuMIDIchannel"));
    w.menuUploadTuningsData =
        addItem(w.menuSettings, "menuUploadTuningsData", QStringLiteral("&Upload Tuning Data"), true);
    QObject::connect(w.menuUploadTuningsData, &QAction::triggered, &w,
                     &TformMain::menuUploadTuningsDataClick);
    QObject::connect(w.btnSetTuning, &QPushButton::clicked, &w, &TformMain::btnSetTuningClick);

    w.menuFirmwareUpgrade = bar->addMenu(QStringLiteral("Firmware &Upgrade"));
    w.menuFirmwareUpgrade->setObjectName(QStringLiteral("menuFirmwareUpgrade"));
    w.menuFirmwareUpgradeMode =
        addItem(w.menuFirmwareUpgrade, "menuFirmwareUpgradeMode", QStringLiteral("Upgrade &Mode"), true);
    w.menuFirmwareUpgradeMode->setCheckable(true);
    QObject::connect(w.menuFirmwareUpgradeMode, &QAction::triggered, &w,
                     &TformMain::menuFirmwareUpgradeModeClick);
    w.menuStartFirmwareUpgrade = addItem(w.menuFirmwareUpgrade, "menuStartFirmwareUpgrade",
                                         QStringLiteral("&Start Firmware Upgrade"), false);

    w.menuInfo = bar->addMenu(QStringLiteral("&Info"));
    w.menuInfo->setObjectName(QStringLiteral("menuInfo"));
    w.menuSupport = addItem(w.menuInfo, "menuSupport", QStringLiteral("&Support"), true);
    w.menuAppVersion = addItem(w.menuInfo, "menuAppVersion", QStringLiteral("&Editor Version: "), false);
    w.menuNewAppVersion =
        addItem(w.menuInfo, "menuNewAppVersion", QStringLiteral("New version &available:"), false);
    w.menuUpdateNow = addItem(w.menuInfo, "menuUpdateNow", QStringLiteral("&Update Now"), false);
    w.menuShowUpdateMsg =
        addItem(w.menuInfo, "menuShowUpdateMsg", QStringLiteral("Show Update &Message"), true);
    w.menuShowUpdateMsg->setCheckable(true);
    w.menuSerialNumber = addItem(w.menuInfo, "menuSerialNumber", QStringLiteral("&Device Serial: "), false);
    // Opening the Info menu is its "click".
    QObject::connect(w.menuInfo, &QMenu::aboutToShow, &w, &TformMain::menuInfoClick);

    buildWindowMenu(w);
    // A disabled item says why as the pointer rests on it.
    for (QMenu *menu : w.menuBar()->findChildren<QMenu *>())
        menu->setToolTipsVisible(true);
}

void MainMenuBar::buildWindowMenu(TformMain &w)
{
    QMenu *menu = w.menuBar()->addMenu(QStringLiteral("&Window"));
    menu->setObjectName(QStringLiteral("menuWindow"));
    QAction *main = addItem(menu, "menuShowMainWindow", QStringLiteral("&Main Window"), true);
    // From any of the editor's windows, the parameter window above all,
    // which has no menus of its own; a modal box still keeps it back.
    main->setShortcut(QKeySequence(QString::fromLatin1(ShowMainWindowKeys)));
    main->setShortcutContext(Qt::ApplicationShortcut);
    QObject::connect(main, &QAction::triggered, &w, [&w] {
        if (w.isMinimized())
            w.showNormal();
        w.raise();
        w.activateWindow();
    });
}

void MainMenuBar::listPedalCommands(TformMain &w, PedalCommandList &commands)
{
    using E = PedalCommandList::Enabled;
    // Stages: Closed, Open, Bootloader, StatusRead.
    const PedalCommandList::Rule whileFirmwareRuns{E::Off, E::On, E::Off, E::Keep};
    const PedalCommandList::Rule afterStatus{E::Off, E::Keep, E::Keep, E::On};
    const PedalCommandList::Rule whileOpen{E::Off, E::On, E::On, E::Keep};
    const PedalCommandList::Rule whileClosed{E::On, E::Off, E::Off, E::Keep};
    commands.add(w.btnUpload, whileFirmwareRuns);
    commands.add(w.btnRequest, whileFirmwareRuns);
    // Both read the pedal's status first, as Request does.
    commands.add(w.menuBackup, whileFirmwareRuns);
    commands.add(w.menuRestore, whileFirmwareRuns);
    for (QObject *command : std::initializer_list<QObject *>{w.btnSaveParameters, w.btnAssign, w.btnSetFootswitchMode,
                                                             w.btnSetTuning, w.menuMIDI->menuAction(),
                                                             w.menuUploadTuningsData})
        commands.add(command, afterStatus);
    // Loading a preset or an effect file sends to the pedal; saving a preset
    // needs none, and stays once offered.
    commands.add(w.menuLoadPreset, whileOpen);
    commands.add(w.menuSavePreset, {E::Keep, E::On, E::On, E::Keep});
    commands.add(w.menuLoadAlgorithmFromFile, whileOpen);
    const char *connected = "A pedal is connected: choose Connection → Disconnect first.";
    commands.add(w.menuScan, whileClosed, {nullptr, connected, connected, nullptr});
    commands.add(w.menuConnect, whileClosed, {nullptr, connected, connected, nullptr});
    commands.add(w.menuDisconnect, whileOpen, {"No pedal is connected.", nullptr, nullptr, nullptr});
    // Upgrade mode is chosen before Connect, and the upgrade starts from the
    // bootloader that Connect synchronised, while it is open.
    const char *modeFirst = "Upgrade Mode is chosen before the first Connect: start the editor again to choose it.";
    commands.add(w.menuFirmwareUpgradeMode, {E::Keep, E::Off, E::Off, E::Keep},
                 {modeFirst, modeFirst, modeFirst, modeFirst});
    const char *bootloaderFirst = "Choose Upgrade Mode, then Connect to the pedal's bootloader.";
    commands.add(w.menuStartFirmwareUpgrade, {E::Off, E::Keep, E::On, E::Keep},
                 {bootloaderFirst, bootloaderFirst, bootloaderFirst, bootloaderFirst});
}
