#include "app/TformMain.h"

#include "app/BackupCommands.h"
#include "app/MainControls.h"
#include "app/MainMenuBar.h"
#include "app/StatusLine.h"

#include "algorithms/AlgorithmUpload.h"
#include "app/EditorVersion.h"
#include "app/LogSink.h"
#include "app/SettingsFolders.h"
#include "app/UserPrompts.h"
#include "device/Communication.h"
#include "device/D2XXUnit.h"
#include "firmware/FirmwareImage.h"
#include "params/TformFXsettings.h"
#include "prefs/LookMenu.h"
#include "prefs/MidiChannelMenu.h"
#include "prefs/WindowPlacement.h"
#include "updates/UpdateMenu.h"

#include <QAction>
#include <QFileInfo>
#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QTimer>

#include <algorithm>

TformMain::TformMain(EditorServices services, Communication &communication, QWidget *parent)
    : QMainWindow(parent),
      m_services(std::move(services)),
      m_communication(communication),
      m_connection(m_services.transport, communication, m_services.log, m_services.prompts),
      m_statusRequest(communication, m_services.log, m_services.prompts, m_services.clock),
      m_effects(m_services.prompts),
      m_tunings(communication, m_services.log, m_services.prompts, m_services.clock)
{
    setObjectName(QStringLiteral("formMain"));
    setWindowTitle(QStringLiteral("Sombrant Editor"));
    // Fixed size: minimise and close only.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                   | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                   | Qt::WindowCloseButtonHint);
    move(37, 31);
    MainControls::build(*this);
    m_statusLine = new StatusLine(statusBar());
    buildMenus();
    MainMenuBar::listPedalCommands(*this, m_pedalCommands);
    m_backup = new BackupCommands(*this, m_services);
    FormCreate();
    qApp->installEventFilter(this);

    m_communication.onBusyChanged = [this](bool busy) { setPedalCommandsBusy(busy); };
    // Found gone in the middle of a handler: the window follows once the
    // handler (and any exchange it runs) is over.
    m_services.transport.onDeviceGone = [this] {
        QTimer::singleShot(0, this, &TformMain::pedalGone);
    };
}

TformMain::~TformMain()
{
    m_communication.onBusyChanged = nullptr;
    m_services.transport.onDeviceGone = nullptr;
}

void TformMain::buildMenus()
{
    MainMenuBar::build(*this);
}

void TformMain::enterPedalStage(PedalCommandList::Stage stage)
{
    m_pedalCommands.enterStage(stage);
    m_statusLine->guide(stage);
    emit pedalStageEntered(stage);
}

void TformMain::FormCreate()
{
    const DeviceConnection::Listing listing = m_connection.ListDevicesAtStartup();
    menuSerialNumber->setText(menuSerialNumber->text() + listing.serialNumbers);
    if (!listing.deviceName.isEmpty())
        lblDeviceName->setText(listing.deviceName);

    m_connection.SetSerialDefaults();
    m_communication.firmware_upgrade_mode = false;

    enterPedalStage(PedalCommandList::Stage::Closed);

    fillEffectList();

    SettingsFolders folders(m_services.documentsFolder, m_services.prompts);
    folders.CreateSettingsFolder(QString::fromLatin1(SettingsFolders::FolderName));
    folders.CreateSettingsSubfolder(QString::fromLatin1(SettingsFolders::FolderName),
                                    QString::fromLatin1(SettingsFolders::SubfolderName));
    // The update-message preference (in the subfolder, hence after it), then
    // the version request's timer.
    m_updates = new UpdateMenu(*this, m_services, folders.subfolderPath());
    m_updates->start();

    currentAppVersion = GetEditorVersion();
    menuAppVersion->setText(menuAppVersion->text() + QLatin1Char(' ') + currentAppVersion);

    // The Look menu's items, then the look style.txt names.
    auto *looks = new LookMenu(menuLook, m_services.documentsFolder, m_services.log, this);
    looks->BuildLookMenu();
    looks->ApplySavedLook();
    auto *midiChannels = new MidiChannelMenu(menuMIDIchannel, m_communication, m_services.log, this);
    midiChannels->BuildMidiChannelMenu();
    midiChannels->onSent = [this](const PedalResult &result, const QString &channel) {
        m_statusLine->report(result, QStringLiteral("MIDI channel set to ") + channel);
    };

    QStringList entries;
    for (int i = 0; i < lstEffects->count(); ++i)
        entries << lstEffects->item(i)->text();
    latest_algorithm_version = EffectLibrary::latestAlgorithmVersion(entries);
    latest_firmware_version = FirmwareImage::newestNumber();
}

void TformMain::fillEffectList()
{
    lstEffects->clear();
    if (m_effects.read_file_from_stream(QString::fromLatin1(EffectLibrary::EffectListName)))
        lstEffects->addItems(m_effects.resource_lines);
    // 154 wide as designed, wider where this system's font needs it: an
    // effect's name is never cut.
    lstEffects->setFixedWidth(std::max(154, lstEffects->sizeHintForColumn(0) + 2 * lstEffects->frameWidth() + 8));
}

void TformMain::menuScanClick()
{
    m_connection.ScanForDevices([this](const QString &text) { lblDeviceName->setText(text); });
}

void TformMain::ConnectOnClick()
{
    const DeviceConnection::ConnectResult result = m_connection.ConnectToDevice(
        [this](const QString &suffix) { lblDeviceName->setText(lblDeviceName->text() + suffix); });
    if (!result.opened)
        return;
    if (m_connection.deviceGone()) {
        // Unplugged while connecting: close what was opened and stay disconnected.
        m_services.transport.CloseFTDevice();
        showDisconnected();
        return;
    }
    m_pedalOpen = true;
    if (m_parameterWindow)
        m_parameterWindow->set_parameter_controls_enabled(true);
    enterPedalStage(result.handshakeAcknowledged ? PedalCommandList::Stage::Bootloader
                                                 : PedalCommandList::Stage::Open);
}

void TformMain::menuDisconnectClick()
{
    if (!m_connection.Disconnect())
        return;
    showDisconnected();
}

void TformMain::showDisconnected()
{
    m_pedalOpen = false;
    QString label = lblDeviceName->text();
    label.remove(QStringLiteral("connected"), Qt::CaseSensitive);
    lblDeviceName->setText(label);
    enterPedalStage(PedalCommandList::Stage::Closed);
    if (m_parameterWindow) {
        m_parameterWindow->set_parameter_controls_enabled(false);
        // The next pedal connected may run another algorithm.
        m_parameterWindow->pedalMayHaveChanged(m_effects.selected_effect_name);
    }
}

void TformMain::pedalGone()
{
    // An exchange under way ends soon, failing quietly; its end calls again.
    if (!m_pedalOpen || !m_connection.deviceGone() || m_communication.exchangeActive())
        return;
    m_services.log.PrintToConsole(QStringLiteral("The pedal has gone: disconnected"));
    m_services.transport.CloseFTDevice();
    showDisconnected();
    // Not there any more: the label says so, as at a start without it.
    lblDeviceName->setText(QStringLiteral("No device found"));
    m_statusLine->pedalGone();
}

void TformMain::setPedalCommandsBusy(bool busy)
{
    if (busy) {
        m_pedalCommands.lock();
        QGuiApplication::setOverrideCursor(Qt::BusyCursor);
        return;
    }
    m_pedalCommands.unlock();
    QGuiApplication::restoreOverrideCursor();
    pedalGone();
}

void TformMain::btnRequestClick()
{
    request(QStringLiteral("Request"));
}

void TformMain::request(const QString &step)
{
    // Put back on every way out, errors included: the parameter window's
    // handlers lift their locks while it is set. A click that reaches here
    // inside another request's wait is refused by the exchange and must not
    // clear the flag under it.
    const bool outer = request_in_progress;
    request_in_progress = true;
    const auto restore = qScopeGuard([this, outer] { request_in_progress = outer; });

    ParameterCommands commands(m_communication, m_services.log, m_services.prompts, m_services.clock);
    const auto reading = commands.readStatusAndAddresses(m_parameterWindow ? &m_parameterWindow->settings() : nullptr);
    if (!reading) {
        m_statusLine->report(reading, {});
        return;  // the user has been told; nothing else changes
    }
    const DeviceStatus *status = &reading->status;
    device_firmware_version = status->device_firmware_version;
    device_algorithm_version = status->device_algorithm_version;
    device_effect_number = status->device_effect_number;
    lblFirmwareVersion->setText(QStringLiteral("Device Firmware: ") + device_firmware_version);
    lblAlgorithmVersion->setText(QStringLiteral("Device Algorithm: ") + device_algorithm_version);
    // The footswitch, assignments, tuning and values onto the parameter
    // window, whose live controls send what they now show.
    if (m_parameterWindow)
        m_parameterWindow->showStatus(*reading, step);

    m_statusRequest.checkVersions(*status, latest_firmware_version, latest_algorithm_version);
    enterPedalStage(PedalCommandList::Stage::StatusRead);
    // Asked for an upgrade, the firmware can still be read now; in the
    // bootloader it cannot.
    m_backup->offerBeforeFirmwareUpgrade(*status, latest_firmware_version);
}

void TformMain::setParameterWindow(TformFXsettings *window)
{
    m_parameterWindow = window;
    if (window)
        window->setRequestInProgressFlag(&request_in_progress);
}

void TformMain::btnSaveParametersClick()
{
    if (m_parameterWindow)
        m_statusLine->report(m_parameterWindow->storeParameters(), QStringLiteral("Stored on the pedal"));
}

void TformMain::btnAssignClick()
{
    if (!m_parameterWindow)
        return;
    // Not pressed again while the pedal writes its memory.
    btnAssign->setEnabled(false);
    const PedalResult result = m_parameterWindow->commands().assignControls(
        m_parameterWindow->settings(), m_parameterWindow->assignmentEntries());
    btnAssign->setEnabled(true);
    m_statusLine->report(result, QStringLiteral("Controls assigned"));
}

void TformMain::btnSetFootswitchModeClick()
{
    if (m_parameterWindow)
        m_statusLine->report(m_parameterWindow->commands().setFootswitchMode(m_parameterWindow->footswitchChoice()),
                             QStringLiteral("Footswitch mode set"));
}

void TformMain::btnUploadClick()
{
    AlgorithmUpload upload(m_communication, m_services.log, m_services.prompts, m_services.clock);
    if (const auto image = upload.carriedImage(m_effects.selected_effect_name))
        runUpload(*image, false);
    else
        m_statusLine->report(image, {});
}

void TformMain::menuLoadAlgorithmFromFileClick()
{
    const QString path = m_services.prompts.openFileName(QStringLiteral("Open"), m_effectFileFolder,
                                                         QString::fromLatin1(OpenDialog1Filter));
    if (path.isEmpty())
        return;
    m_effectFileFolder = QFileInfo(path).absolutePath();
    AlgorithmUpload upload(m_communication, m_services.log, m_services.prompts, m_services.clock);
    if (const auto image = upload.fileImage(path))
        runUpload(*image, true);
    else
        m_statusLine->report(image, {});
}

void TformMain::runUpload(const QByteArray &image, bool fromFile)
{
    if (!m_backup->offerBackup())
        return;
    AlgorithmUpload upload(m_communication, m_services.log, m_services.prompts, m_services.clock);
    AlgorithmUpload::Observer observer;
    m_uploadGivenUp = false;
    observer.waiting = [this] { UploadCheckTimer->start(); };
    observer.showStatus = [this](const QString &text) { lblStatus->setText(text); };
    // "Upload Failed" ends the wait: the commands are free again at once.
    observer.givenUp = [this] { return m_uploadGivenUp; };
    const PedalResult result = upload.upload(image, fromFile, observer);
    // The wait is over, with an answer or without: no more "Upload Failed".
    UploadCheckTimer->stop();
    m_statusLine->report(result, QStringLiteral("Effect uploaded: the pedal answered"));
    // Whatever the pedal took, the algorithm its last status named may not
    // be the one it runs now.
    if (m_parameterWindow && upload.announced)
        m_parameterWindow->pedalMayHaveChanged(fromFile ? QString() : m_effects.selected_effect_name);
}

void TformMain::UploadCheckTimerTimer()
{
    lblStatus->setText(QStringLiteral("Upload Failed"));
    m_uploadGivenUp = true;
}

void TformMain::menuSavePresetClick()
{
    if (m_parameterWindow)
        m_parameterWindow->savePreset();
}

void TformMain::menuLoadPresetClick()
{
    if (m_parameterWindow)
        m_parameterWindow->loadPreset();
}

void TformMain::menuUploadTuningsDataClick()
{
    m_statusLine->report(m_tunings.uploadTuningData(), QStringLiteral("Tuning data uploaded"));
}

void TformMain::btnSetTuningClick()
{
    // The parameter window's lists hold the tuning and the semitones.
    if (m_parameterWindow)
        m_statusLine->report(m_tunings.setTuning(m_parameterWindow->settings().current_tuning,
                                                 m_parameterWindow->settings().semitones_variation),
                             QStringLiteral("Tuning set"));
}

void TformMain::menuFirmwareUpgradeModeClick()
{
    // The item carries its own check mark; the flag follows it.
    m_communication.firmware_upgrade_mode = menuFirmwareUpgradeMode->isChecked();
}

void TformMain::effetto_cliccato(int row)
{
    LogSink &log = m_services.log;
    log.PrintToConsole(QStringLiteral("efx index :") + QString::number(lstEffects->currentRow()));
    QListWidgetItem *item = lstEffects->item(row);
    if (!item)
        return;
    m_effects.selected_effect_name = item->text();
    log.PrintToConsole(QStringLiteral("selected effect name: ") + m_effects.selected_effect_name);
    if (!m_parameterWindow)
        return;
    if (m_parameterWindow->isVisible())
        m_parameterWindow->close();
    // Beside the main window, on its right.
    const QRect frame = frameGeometry();
    WindowPlacement::place(m_parameterWindow, QPoint(frame.x() + frame.width(), frame.y()), this);
    m_parameterWindow->show();
    m_parameterWindow->setWindowTitle(m_effects.selected_effect_name);
    // Only a pedal that is open now may receive what the controls send.
    m_parameterWindow->set_parameter_controls_enabled(m_pedalOpen);
    if (!m_pedalOpen)
        m_statusLine->say(QString::fromUtf8(StatusLine::ParametersWithoutPedal));
}

bool TformMain::move_up_or_down(int key)
{
    const int row = lstEffects->currentRow();
    if (key == Qt::Key_Up) {
        m_services.log.PrintToConsole(QStringLiteral("arrow up pressed"));
        if (row > 0)
            lstEffects->setCurrentRow(row - 1);
        return true;
    }
    if (key == Qt::Key_Down) {
        m_services.log.PrintToConsole(QStringLiteral("arrow down pressed"));
        if (row < lstEffects->count() - 1)
            lstEffects->setCurrentRow(row + 1);
        return true;
    }
    return false;
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
        // The effect list moves its highlight itself, without choosing.
        if (watched == lstEffects && move_up_or_down(keyEvent->key()))
            return true;
        // Enter and Space open the highlighted effect, as a click does.
        const int key = keyEvent->key();
        if (watched == lstEffects && (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space)) {
            if (lstEffects->currentRow() >= 0)
                effetto_cliccato(lstEffects->currentRow());
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}
