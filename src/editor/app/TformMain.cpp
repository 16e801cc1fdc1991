#include "app/TformMain.h"

#include "app/EditorVersion.h"
#include "app/LogSink.h"
#include "app/SettingsFolders.h"

#include <QAction>
#include <QApplication>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QTimer>

#include <algorithm>

namespace {

// The newest firmware image the editor carries.
constexpr int kNewestFirmware = 8;

QAction *addItem(QMenu *menu, const char *name, const QString &caption, bool enabled)
{
    QAction *action = menu->addAction(caption);
    action->setObjectName(QString::fromLatin1(name));
    action->setEnabled(enabled);
    return action;
}

QPushButton *makeButton(QWidget *parent, const char *name, const QString &caption)
{
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setEnabled(false);
    return button;
}

QLabel *makeLabel(QWidget *parent, const char *name, const QString &caption)
{
    auto *label = new QLabel(caption, parent);
    label->setObjectName(QString::fromLatin1(name));
    return label;
}

}  // namespace

TformMain::TformMain(EditorServices services, QWidget *parent)
    : QMainWindow(parent), m_services(std::move(services))
{
    setObjectName(QStringLiteral("formMain"));
    setWindowTitle(QStringLiteral("Sombrant Editor"));
    // Fixed size: minimise and close only.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                   | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                   | Qt::WindowCloseButtonHint);
    move(37, 31);
    buildControls();
    buildMenus();
    FormCreate();
    qApp->installEventFilter(this);
}

TformMain::~TformMain() = default;

void TformMain::buildControls()
{
    auto *central = new QWidget(this);
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(11);
    central->setFont(font);

    lblDeviceName = makeLabel(central, "lblDeviceName", QStringLiteral("No device found"));
    lblFirmwareVersion = makeLabel(central, "lblFirmwareVersion", QStringLiteral("Device Firmware:"));
    lblFirmwareVersion->setToolTip(
        QStringLiteral("Shows which firmware is currently installed on the pedal"));
    lblAlgorithmVersion =
        makeLabel(central, "lblAlgorithmVersion", QStringLiteral("Device Algorithm:"));
    lblStatus = makeLabel(central, "lblStatus", QStringLiteral("Status: "));

    btnUpload = makeButton(central, "btnUpload", QStringLiteral("Upload Selected"));
    btnRequest = makeButton(central, "btnRequest", QStringLiteral("Request"));
    btnSaveParameters = makeButton(central, "btnSaveParameters", QStringLiteral("Save Parameters"));
    btnAssign = makeButton(central, "btnAssign", QStringLiteral("Assign"));
    btnSetFootswitchMode =
        makeButton(central, "btnSetFootswitchMode", QStringLiteral("Set Footswitch Mode"));
    btnSetTuning = makeButton(central, "btnSetTuning", QStringLiteral("Set Tuning"));
    QFont small = font;
    small.setPointSizeF(10.5);
    btnSetFootswitchMode->setFont(small);
    btnSetTuning->setFont(small);

    lstEffects = new QListWidget(central);
    lstEffects->setObjectName(QStringLiteral("lstEffects"));

    // The designed arrangement: labels and two columns of buttons on the
    // left (174 wide), the effect list on the right (154 wide).
    for (QLabel *label : {lblDeviceName, lblFirmwareVersion, lblAlgorithmVersion, lblStatus})
        label->setMinimumWidth(174);
    // The two button columns are equally wide, as wide as the widest caption.
    const QList<QPushButton *> buttons{btnUpload, btnRequest, btnSaveParameters,
                                       btnAssign, btnSetFootswitchMode, btnSetTuning};
    int buttonWidth = 80;
    for (QPushButton *button : buttons)
        buttonWidth = std::max(buttonWidth, button->sizeHint().width());
    for (QPushButton *button : buttons)
        button->setFixedSize(buttonWidth, std::max(31, button->sizeHint().height()));
    lstEffects->setFixedWidth(154);

    auto *grid = new QGridLayout(central);
    grid->setContentsMargins(9, 8, 9, 10);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(6);
    grid->addWidget(lblDeviceName, 0, 0, 1, 2);
    grid->addWidget(lblFirmwareVersion, 1, 0, 1, 2);
    grid->addWidget(lblAlgorithmVersion, 2, 0, 1, 2);
    grid->addWidget(lblStatus, 3, 0, 1, 2);
    grid->addWidget(btnUpload, 4, 0);
    grid->addWidget(btnRequest, 4, 1);
    grid->addWidget(btnSaveParameters, 5, 0);
    grid->addWidget(btnAssign, 5, 1);
    grid->addWidget(btnSetFootswitchMode, 6, 0);
    grid->addWidget(btnSetTuning, 6, 1);
    grid->addWidget(lstEffects, 0, 2, 7, 1);
    grid->setSizeConstraint(QLayout::SetFixedSize);
    setCentralWidget(central);
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    TimerCheckWebVersion = new QTimer(this);
    TimerCheckWebVersion->setObjectName(QStringLiteral("TimerCheckWebVersion"));
    TimerCheckWebVersion->setInterval(1000);
    UploadCheckTimer = new QTimer(this);
    UploadCheckTimer->setObjectName(QStringLiteral("UploadCheckTimer"));
    UploadCheckTimer->setInterval(5000);
}

void TformMain::buildMenus()
{
    QMenuBar *bar = menuBar();

    menuFile = bar->addMenu(QStringLiteral("File"));
    menuFile->setObjectName(QStringLiteral("menuFile"));
    menuLoadPreset = addItem(menuFile, "menuLoadPreset", QStringLiteral("Load Preset"), false);
    menuSavePreset = addItem(menuFile, "menuSavePreset", QStringLiteral("Save Preset"), false);
    menuLoadAlgorithmFromFile = addItem(menuFile, "menuLoadAlgorithmFromFile",
                                        QStringLiteral("Load Effect From File"), false);

    menuConnection = bar->addMenu(QStringLiteral("Connection"));
    menuConnection->setObjectName(QStringLiteral("menuConnection"));
    menuScan = addItem(menuConnection, "menuScan", QStringLiteral("Scan"), true);
    menuConnect = addItem(menuConnection, "menuConnect", QStringLiteral("Connect"), true);
    menuDisconnect = addItem(menuConnection, "menuDisconnect", QStringLiteral("Disconnect"), false);

    menuSettings = bar->addMenu(QStringLiteral("Settings"));
    menuSettings->setObjectName(QStringLiteral("menuSettings"));
    menuLook = menuSettings->addMenu(QStringLiteral("Look"));
    menuLook->setObjectName(QStringLiteral("menuLook"));
    menuMIDI = menuSettings->addMenu(QStringLiteral("MIDI"));
    menuMIDI->setObjectName(QStringLiteral("menuMIDI"));
    menuMIDIchannel = menuMIDI->addMenu(QStringLiteral("Channel"));
    menuMIDIchannel->setObjectName(QStringLiteral("menuMIDIchannel"));
    menuUploadTuningsData = addItem(menuSettings, "menuUploadTuningsData",
                                    QStringLiteral("Upload Tuning Data"), true);

    menuFirmwareUpgrade = bar->addMenu(QStringLiteral("Firmware Upgrade"));
    menuFirmwareUpgrade->setObjectName(QStringLiteral("menuFirmwareUpgrade"));
    menuFirmwareUpgradeMode = addItem(menuFirmwareUpgrade, "menuFirmwareUpgradeMode",
                                      QStringLiteral("Upgrade Mode"), true);
    menuFirmwareUpgradeMode->setCheckable(true);
    menuStartFirmwareUpgrade = addItem(menuFirmwareUpgrade, "menuStartFirmwareUpgrade",
                                       QStringLiteral("Start Firmware Upgrade"), false);

    menuInfo = bar->addMenu(QStringLiteral("Info"));
    menuInfo->setObjectName(QStringLiteral("menuInfo"));
    menuSupport = addItem(menuInfo, "menuSupport", QStringLiteral("Support"), true);
    menuAppVersion = addItem(menuInfo, "menuAppVersion", QStringLiteral("Editor Version: "), false);
    menuNewAppVersion =
        addItem(menuInfo, "menuNewAppVersion", QStringLiteral("New version available:"), false);
    menuUpdateNow = addItem(menuInfo, "menuUpdateNow", QStringLiteral("Update Now"), false);
    menuShowUpdateMsg =
        addItem(menuInfo, "menuShowUpdateMsg", QStringLiteral("Show Update Message"), true);
    menuShowUpdateMsg->setCheckable(true);
    menuSerialNumber = addItem(menuInfo, "menuSerialNumber", QStringLiteral("Device Serial: "), false);
    // Opening the Info menu is its "click".
    connect(menuInfo, &QMenu::aboutToShow, this, &TformMain::menuInfoClick);
}

void TformMain::FormCreate()
{
    firmware_upgrade_mode = false;

    for (QPushButton *button : {btnRequest, btnAssign, btnSaveParameters, btnUpload,
                                btnSetFootswitchMode, btnSetTuning})
        button->setEnabled(false);
    menuMIDI->menuAction()->setEnabled(false);
    menuUploadTuningsData->setEnabled(false);

    lstEffects->clear();

    SettingsFolders folders(m_services.documentsFolder, m_services.prompts);
    folders.CreateSettingsFolder(QString::fromLatin1(SettingsFolders::FolderName));
    folders.CreateSettingsSubfolder(QString::fromLatin1(SettingsFolders::FolderName),
                                    QString::fromLatin1(SettingsFolders::SubfolderName));

    currentAppVersion = GetEditorVersion();
    menuAppVersion->setText(menuAppVersion->text() + QLatin1Char(' ') + currentAppVersion);

    // Until the effect list is carried the newest algorithm is unknown; 0 never
    // asks for an upload.
    latest_algorithm_version = 0;
    latest_firmware_version = kNewestFirmware;
}

void TformMain::menuInfoClick()
{
    m_services.log.PrintToConsole(QStringLiteral("current app version: ") + currentAppVersion);
}

bool TformMain::FormKeyDown(int key, Qt::KeyboardModifiers shift)
{
    // Ctrl+Shift+P, with or without Alt, is the only way to the Debug Console.
    if (key == Qt::Key_P && shift.testFlag(Qt::ControlModifier)
        && shift.testFlag(Qt::ShiftModifier)) {
        if (m_debugConsole) {
            m_debugConsole->show();
            m_debugConsole->raise();
        }
        return true;
    }
    return false;
}

bool TformMain::eventFilter(QObject *watched, QEvent *event)
{
    // Key presses anywhere in this window (the window previews its keys).
    if (event->type() == QEvent::KeyPress && watched->isWidgetType()
        && static_cast<QWidget *>(watched)->window() == this) {
        auto *keyEvent = static_cast<QKeyEvent *>(event);
        if (FormKeyDown(keyEvent->key(), keyEvent->modifiers()))
            return true;  // consumed: no other handler sees it
    }
    return QMainWindow::eventFilter(watched, event);
}
