#include "params/TformFXsettings.h"

#include "algorithms/EffectLibrary.h"
#include "app/LogSink.h"
#include "app/UserPrompts.h"
#include "device/DeviceStatus.h"
#include "params/DialMapping.h"
#include "params/EditMarks.h"
#include "params/ParameterSlots.h"
#include "params/PresetBrowser.h"
#include "params/PresetFile.h"
#include "prefs/ScrollingPage.h"
#include "widgets/OnOffSwitch.h"
#include "widgets/RotaryDial.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHash>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScopedValueRollback>
#include <QShowEvent>

#include <algorithm>

TformFXsettings::TformFXsettings(EditorServices services, Communication &communication,
                                 EffectLibrary &effects, QWidget *parent)
    : QWidget(parent),
      m_services(std::move(services)),
      m_communication(communication),
      m_effects(effects),
      m_commands(communication, m_services.log, m_services.prompts, m_services.clock),
      m_presets(m_services.documentsFolder, m_services.prompts)
{
    setObjectName(QStringLiteral("formFXsettings"));
    setWindowTitle(QString::fromLatin1(Title));
    // Fixed border, a fixed client area.
    setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(333, 517);
    // The arrangement is drawn for a compact face: 11 pixels, narrowed where
    // the system has a condensed one.
    QFont compact = font();
    compact.setPixelSize(11);
    compact.setStretch(QFont::SemiCondensed);
    setFont(compact);
    FormCreate();
    // Scrolls only where a screen is too small for the whole window.
    m_page = ScrollingPage::wrap(this);
    m_browser = new PresetBrowser(PresetCatalog(m_presets.folders()), this);
    m_page->addBeside(m_browser);
    connect(m_browser, &PresetBrowser::loadRequested, this, &TformFXsettings::loadPresetFrom);
    connect(m_browser, &PresetBrowser::saveRequested, this, &TformFXsettings::savePresetAs);
    m_edits.changed = [this] { showEdits(); };
    set_parameter_controls_enabled(false);
}

TformFXsettings::~TformFXsettings() = default;

void TformFXsettings::FormCreate()
{
    setupControls(this);
    connect(dialInputLevel, &RotaryDial::angleChanged, this, &TformFXsettings::OnChange_dialInputLevel);
    connect(dialClipWave, &RotaryDial::angleChanged, this, &TformFXsettings::dialClipWaveChange);
    connect(dialDry, &RotaryDial::angleChanged, this, &TformFXsettings::dialDryChange);
    connect(dialMinus1Oct, &RotaryDial::angleChanged, this, &TformFXsettings::dialMinus1OctChange);
    connect(dialSubMix, &RotaryDial::angleChanged, this, &TformFXsettings::dialSubMixChange);
    connect(dialMinus2Oct, &RotaryDial::angleChanged, this, &TformFXsettings::dialMinus2OctChange);
    connect(cmbVariableWavePitch, &QComboBox::currentIndexChanged, this, &TformFXsettings::VariWavePitchOnChange);
    connect(cmbGuitarTuning, &QComboBox::currentIndexChanged, this, &TformFXsettings::cmbGuitarTuningChange);
    connect(cmbSemitonesVariation, &QComboBox::currentIndexChanged, this,
            &TformFXsettings::cmbSemitonesVariationChange);
    connect(chkDominantNoteCut, &QCheckBox::toggled, this, &TformFXsettings::chkDominantNoteCutChange);
    connect(chkHighNoteCut, &QCheckBox::toggled, this, &TformFXsettings::chkHighNoteCutChange);

    // Each list starts at "Not Assigned", and its handler says so.
    const std::array<void (TformFXsettings::*)(), ControlCount> assignHandlers{
        &TformFXsettings::ControlUNOassignOnChange, &TformFXsettings::ControlDUEassignOnChange,
        &TformFXsettings::ControlTREassignOnChange, &TformFXsettings::ControlQUATTROAssignOnChange,
        &TformFXsettings::RemoteAssignOnChange};
    for (int k = 0; k < ControlCount; ++k) {
        connect(assignLists[std::size_t(k)], &QComboBox::currentIndexChanged, this, assignHandlers[std::size_t(k)]);
        assignLists[std::size_t(k)]->setCurrentIndex(0);
        (this->*assignHandlers[std::size_t(k)])();
    }
    cmbGuitarTuning->setCurrentIndex(NoTuningIndex);
    cmbSemitonesVariation->setCurrentIndex(SemitoneEntryOffset);
    cmbGuitarTuningChange();
    cmbSemitonesVariationChange();
    m_displayOnly = {dialDry, dialMinus1Oct, dialSubMix, dialMinus2Oct, dialLowPass,
                     dialHighPass, dialRange, dial1stHarmonic, swtWave, swtSplit};
    for (QWidget *control : std::initializer_list<QWidget *>{dialInputLevel, dialClipWave, cmbVariableWavePitch,
                                                             chkDominantNoteCut, chkHighNoteCut})
        m_gestures.watch(control);
    btnCompare->setToolTip(QStringLiteral("Plays the sound the pedal stores, and back to the edited one (%1).")
                               .arg(QString::fromLatin1(CompareKeys)));
    m_marks = new EditMarks(*this, *this, m_edits);
}

void TformFXsettings::showEdits()
{
    m_marks->show(canCompare());
    explainControls();
    emit editsChanged();
}

void TformFXsettings::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TformFXsettings::FormShow()
{
    // Once the pedal has told its algorithm, its addresses stand (or none,
    // for an algorithm without a table): the selected effect is only what
    // the next upload would send.
    if (!m_fx.reportedAlgorithm.isEmpty())
        return;
    const QString resource = EffectLibrary::format_resource_name(m_effects.selected_effect_name);
    m_services.log.PrintToConsole(QStringLiteral("resource name: ") + resource);
    // A resource that does not load has said so; the addresses stay.
    if (!m_effects.read_file_from_stream(resource))
        return;
    const QString line0 = m_effects.resource_lines.value(0);
    m_services.log.PrintToConsole(QStringLiteral("filecontent (first 128 bytes): ") + line0.left(256));
    if (!m_fx.read_parameter_addresses(line0))
        m_services.prompts.showMessage(QStringLiteral("Effect image %1 has no parameter table").arg(resource));
    set_parameter_controls_enabled(m_controlsEnabled);
}

void TformFXsettings::pedalMayHaveChanged(const QString &effect)
{
    // What the last status said no longer holds. A carried image (the one
    // just sent, or the selected one) gives its own addresses; anything else
    // leaves none until a Request.
    m_fx.reportedAlgorithm.clear();
    m_fx.forgetAddresses();
    m_edits.forgetPedal();
    if (!effect.isEmpty() && m_effects.read_file_from_stream(EffectLibrary::format_resource_name(effect)))
        m_fx.read_parameter_addresses(m_effects.resource_lines.value(0));
    set_parameter_controls_enabled(m_controlsEnabled);
}

void TformFXsettings::set_parameter_controls_enabled(bool enabled)
{
    m_controlsEnabled = enabled;
    // A preset loaded goes to the pedal, as Load Preset's menu item does.
    m_browser->setLoadingEnabled(enabled);
    for (QWidget *control : m_page->content()->findChildren<QWidget *>())
        control->setEnabled(enabled);
    for (QWidget *control : std::as_const(m_displayOnly))
        control->setEnabled(false);
    // Without the addresses of the pedal's algorithm a parameter message
    // would reach some other parameter, or none: those controls wait.
    if (!m_fx.addressesKnown()) {
        for (QWidget *control : std::initializer_list<QWidget *>{dialInputLevel, dialClipWave, cmbVariableWavePitch,
                                                                 chkDominantNoteCut, chkHighNoteCut})
            control->setEnabled(false);
    }
    showEdits();
}

void TformFXsettings::explainControls()
{
    // The parameters that can sit on a control, by slot.
    const QHash<const QWidget *, int> assignable{
        {dialInputLevel, slot::InputLevel},           {cmbVariableWavePitch, slot::HarmonicPitch},
        {dialClipWave, slot::WaveClip},               {chkDominantNoteCut, slot::DominantNotesCut},
        {chkHighNoteCut, slot::HighNotesCut}};
    for (QWidget *control : m_page->content()->findChildren<QWidget *>()) {
        const bool operable = qobject_cast<QAbstractButton *>(control) || qobject_cast<QComboBox *>(control)
                              || qobject_cast<RotaryDial *>(control) || qobject_cast<OnOffSwitch *>(control);
        if (!operable)
            continue;
        QString why;
        if (m_displayOnly.contains(control))
            why = QString::fromUtf8(ControlReasons::ShownFromPedal);
        else if (!m_controlsEnabled)
            why = QString::fromUtf8(ControlReasons::NoPedal);
        else if (!control->isEnabled())
            why = QString::fromUtf8(ControlReasons::NotRead);
        else if (const int control_ = m_fx.assignedControl(assignable.value(control, -1)); control_ >= 0)
            why = ControlReasons::assignedTo(toQString(ControlNames[std::size_t(control_)]));
        // What the pedal keeps of the value, and whether it is stored.
        if (const int shown = slotOf(control); shown >= 0) {
            QString kept;
            if (!EditSession::keptByPedal(shown))
                kept = QString::fromUtf8(ControlReasons::NotKept);
            else if (m_edits.edited(shown))
                kept = QString::fromUtf8(ControlReasons::EditedNotStored);
            if (!kept.isEmpty())
                why = why.isEmpty() ? kept : why + QLatin1Char('\n') + kept;
        }
        m_reasons.say(control, why);
    }
}

bool TformFXsettings::lockedAgainstUser(int slot)
{
    if (!m_fx.isAssigned(slot) || requestInProgress())
        return false;
    m_services.prompts.showMessage(QString::fromLatin1(AssignedLockMessage));
    return true;
}

std::uint32_t TformFXsettings::send_dial_parameter(RotaryDial *dial, int slot)
{
    const int snapped = snap_dial_angle(dial->angle());
    // A dial left in its dead zone jumps to the nearer end; that change runs
    // the handler again, which sends the end's value first.
    dial->setAngle(snapped);
    const std::uint32_t value = dial_angle_to_value(dial->angle());
    handChanged(slot, value, dial);
    return value;
}

void TformFXsettings::handChanged(int slot, std::uint32_t value, QWidget *control)
{
    const bool comparing = m_edits.side() == EditSession::Side::Stored;
    // The hand edits the edited sound: that plays again, this change on top.
    if (comparing)
        m_edits.returnToEdited();
    const FXsettings::Values before = m_fx.values();
    m_edits.send(slot, value);
    m_edits.record(toQString(ParameterTable[std::size_t(slot)].name), before, slot, m_gestures.gesture(control));
    if (comparing)
        showControls();
}

void TformFXsettings::dialChanged(RotaryDial *dial, int slot, bool lockable)
{
    // A value being shown is not the user's: it goes out as it is, after.
    if (m_showing || (lockable && lockedAgainstUser(slot)))
        return;
    send_dial_parameter(dial, slot);
}

void TformFXsettings::OnChange_dialInputLevel()
{
    dialChanged(dialInputLevel, slot::InputLevel, true);
}

void TformFXsettings::dialClipWaveChange()
{
    dialChanged(dialClipWave, slot::WaveClip, true);
}

void TformFXsettings::dialDryChange()
{
    dialChanged(dialDry, slot::Dry, false);
}

void TformFXsettings::dialMinus1OctChange()
{
    dialChanged(dialMinus1Oct, slot::Minus1Oct, false);
}

void TformFXsettings::dialSubMixChange()
{
    dialChanged(dialSubMix, slot::SubMix, false);
}

void TformFXsettings::dialMinus2OctChange()
{
    dialChanged(dialMinus2Oct, slot::Minus2Oct, false);
}

void TformFXsettings::VariWavePitchOnChange()
{
    if (m_showing || lockedAgainstUser(slot::HarmonicPitch))
        return;
    const int index = cmbVariableWavePitch->currentIndex();
    if (index < 0 || index >= PitchEntryCount)
        return;
    handChanged(slot::HarmonicPitch, harmonic_pitch_table[std::size_t(index)], cmbVariableWavePitch);
}

void TformFXsettings::trackingCheckChanged(QCheckBox *box, int slot)
{
    if (m_showing || lockedAgainstUser(slot))
        return;
    // Ticking needs a tuning; unticking never does, so the box is cleared
    // with one message.
    if (box->isChecked() && cmbGuitarTuning->currentIndex() == NoTuningIndex) {
        m_services.prompts.showMessage(QString::fromLatin1(NoTuningForCheckMessage));
        box->setChecked(false);
    }
    handChanged(slot, box->isChecked() ? 1 : 0, box);
}

void TformFXsettings::chkDominantNoteCutChange()
{
    trackingCheckChanged(chkDominantNoteCut, slot::DominantNotesCut);
}

void TformFXsettings::chkHighNoteCutChange()
{
    trackingCheckChanged(chkHighNoteCut, slot::HighNotesCut);
}

void TformFXsettings::cmbGuitarTuningChange()
{
    m_fx.current_tuning = std::uint8_t(std::max(0, cmbGuitarTuning->currentIndex()));
}

void TformFXsettings::cmbSemitonesVariationChange()
{
    m_fx.semitones_variation = std::int8_t(cmbSemitonesVariation->currentText().toInt());
}

void TformFXsettings::assignmentChanged(int control, QComboBox *list)
{
    m_fx.control_assigned[std::size_t(control)] = list->currentIndex() > 0;
    if (control < 2 || control == RemoteControl || requestInProgress())
        return;
    // Controls III and IV take the tracking functions, which need a tuning.
    if (list->currentIndex() > 0 && m_fx.current_tuning == NoTuningIndex) {
        m_services.prompts.showMessage(QString::fromLatin1(NoTuningForAssignMessage));
        list->setCurrentIndex(0);
    }
}

void TformFXsettings::ControlUNOassignOnChange()
{
    assignmentChanged(0, cmbAssignCtrlUNO);
}

void TformFXsettings::ControlDUEassignOnChange()
{
    assignmentChanged(1, cmbAssignCtrlDUE);
}

void TformFXsettings::ControlTREassignOnChange()
{
    assignmentChanged(2, cmbAssignCtrlTRE);
}

void TformFXsettings::ControlQUATTROAssignOnChange()
{
    assignmentChanged(3, cmbAssignCtrlQUATTRO);
}

void TformFXsettings::RemoteAssignOnChange()
{
    assignmentChanged(RemoteControl, cmbAssignRemote);
}

std::array<int, ControlCount> TformFXsettings::assignmentEntries() const
{
    std::array<int, ControlCount> entries{};
    for (int k = 0; k < ControlCount; ++k)
        entries[std::size_t(k)] = std::max(0, assignLists[std::size_t(k)]->currentIndex());
    return entries;
}

FootswitchChoice TformFXsettings::footswitchChoice() const
{
    return {chkChangePresetShortPress->isChecked(), chkBypassLongPress->isChecked()};
}

void TformFXsettings::showStatus(const ParameterCommands::Reading &reading, const QString &step)
{
    const DeviceStatus &status = reading.status;
    // What plays now, and what was edited (the same unless comparing): the
    // pedal goes from the one to the status's values, and undo back to the
    // other.
    const FXsettings::Values before = m_fx.values();
    const FXsettings::Values edited = m_edits.side() == EditSession::Side::Stored ? m_edits.editedValues() : before;
    // The model holds the addresses of the algorithm the pedal runs, whatever
    // effect is selected and whether or not this window was ever shown: the
    // status's assignments name parameters by them, and the values go back
    // to them.
    if (!reading.addressesUnknown.isEmpty()) {
        m_services.prompts.showMessage(reading.addressesUnknown + QStringLiteral(
                                           ": its parameters cannot be changed from here. Upload an algorithm "
                                           "the editor carries, then press Request."));
    }
    set_parameter_controls_enabled(m_controlsEnabled);

    const StatusShown shown = m_fx.takeStatus(status, m_services.log);
    explainControls();
    if (shown.footswitch) {
        // In the order the pedal's report has always been shown.
        chkBypassShortPress->setChecked(!shown.footswitch->shortChangesPreset);
        chkChangePresetLongPress->setChecked(!shown.footswitch->longBypasses);
        chkBypassLongPress->setChecked(shown.footswitch->longBypasses);
        chkChangePresetShortPress->setChecked(shown.footswitch->shortChangesPreset);
    }
    for (int k = 0; k < ControlCount; ++k) {
        if (const std::optional<int> entry = shown.assignmentEntries[std::size_t(k)])
            assignLists[std::size_t(k)]->setCurrentIndex(*entry);
    }
    if (shown.tuningEntry)
        cmbGuitarTuning->setCurrentIndex(*shown.tuningEntry);
    if (shown.semitoneEntry)
        cmbSemitonesVariation->setCurrentIndex(*shown.semitoneEntry);
    m_edits.takeStored(m_fx.values());
    showValues(before);
    m_edits.record(step, edited);
}

void TformFXsettings::update_parameter_controls()
{
    showValues(m_fx.values());
}

void TformFXsettings::showValues(const FXsettings::Values &before)
{
    showControls();
    // Only an open pedal is sent anything; what a control shows goes as it
    // came. A parameter on one of the pedal's controls is the pedal's own,
    // except while a status request shows what the pedal itself reported.
    if (!m_controlsEnabled)
        return;
    m_edits.sendShown(before, [this](int slot) { return !lockedAgainstUser(slot); });
}

void TformFXsettings::showControls()
{
    // Their handlers stay out of it: a value shown is not the user's.
    const QScopedValueRollback<bool> showing(m_showing, true);
    showValuesOf(m_fx.values());
}

void TformFXsettings::savePreset()
{
    m_presets.save_preset_file(m_fx.values());
}

void TformFXsettings::loadPreset()
{
    const FXsettings::Values before = m_fx.values();
    QString text;
    const std::optional<PresetFile::Values> values = m_presets.open_preset_file(&text);
    takePreset(values, text, before);
}

void TformFXsettings::savePresetAs(const QString &name)
{
    m_presets.save_preset_as(name, m_fx.values(), PresetFile::Tell::FailuresOnly);
}

void TformFXsettings::loadPresetFrom(const QString &path)
{
    const FXsettings::Values before = m_fx.values();
    QString text;
    const std::optional<PresetFile::Values> values =
        m_presets.load_preset_from(path, &text, PresetFile::Tell::FailuresOnly);
    takePreset(values, text, before);
}

void TformFXsettings::takePreset(const std::optional<PresetFile::Values> &values, const QString &text,
                                 const FXsettings::Values &before)
{
    // Edits in hand while comparing are what the preset replaces: the pedal
    // goes from what it plays straight to the preset.
    const FXsettings::Values edited = values ? m_edits.leaveCompareForStep() : before;
    if (values) {
        m_services.log.PrintToConsole(text);
        for (int s = 0; s < ParameterSlotCount; ++s)
            m_fx.value(s) = (*values)[std::size_t(s)];
    }
    showValues(before);
    m_edits.record(QStringLiteral("Load Preset"), edited);
}

PedalResult TformFXsettings::shownAfter(const PedalResult &result)
{
    showControls();
    return result;
}

PedalResult TformFXsettings::storeParameters()
{
    return shownAfter(m_edits.storeParameters());
}

PedalResult TformFXsettings::undo()
{
    return shownAfter(canUndo() ? m_edits.undo() : PedalResult::refused(QStringLiteral("Nothing to undo")));
}

PedalResult TformFXsettings::redo()
{
    return shownAfter(canRedo() ? m_edits.redo() : PedalResult::refused(QStringLiteral("Nothing to redo")));
}

PedalResult TformFXsettings::toggleCompare()
{
    if (!canCompare()) {
        showEdits();  // the button, clicked, shows the edited side again
        return PedalResult::refused(QStringLiteral("Nothing stored is known yet: press Request first"));
    }
    const bool stored = m_edits.side() == EditSession::Side::Stored;
    return shownAfter(m_edits.hear(stored ? EditSession::Side::Edited : EditSession::Side::Stored));
}
