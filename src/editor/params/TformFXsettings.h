#pragma once

#include "app/EditorServices.h"
#include "params/FXsettings.h"
#include "params/ControlReasons.h"
#include "params/EditSession.h"
#include "params/GestureTracker.h"
#include "params/ParameterControls.h"
#include "params/ParameterCommands.h"
#include "params/PresetFile.h"

#include <QWidget>
#include <array>

class Communication;
class EffectLibrary;
class PresetBrowser;
class QCheckBox;
class EditMarks;
class QComboBox;
class RotaryDial;
class ScrollingPage;
struct DeviceStatus;

// The parameter window: one control per effect parameter, the tracking
// functions with the guitar tuning, the lists that put parameters on the
// pedal's controls, and the footswitch's two presses (built by
// ParameterControls). Its live controls send each change of the user's hand
// to the pedal at once; values shown from code (a status reply, a preset)
// go to the pedal as exactly the values they are, not as the positions the
// controls show them at.
//
// Owns the parameter model (FXsettings) for the whole run. The main window
// drives the flows that its buttons start through the public functions.
class TformFXsettings : public QWidget, public ParameterControls {
    Q_OBJECT
public:
    TformFXsettings(EditorServices services, Communication &communication, EffectLibrary &effects,
                    QWidget *parent = nullptr);
    ~TformFXsettings() override;

    // Enables or disables the controls that talk to the pedal; the ten that
    // only show the pedal's values stay disabled.
    void set_parameter_controls_enabled(bool enabled);
    bool parameterControlsEnabled() const { return m_controlsEnabled; }
    // The main window's request_in_progress: while set, handlers take values
    // shown from a reply without locks or tuning checks.
    void setRequestInProgressFlag(const bool *flag) { m_requestInProgress = flag; }

    FXsettings &settings() { return m_fx; }
    ParameterCommands &commands() { return m_commands; }
    // What was edited and not stored, undo and redo, compare.
    EditSession &edits() { return m_edits; }

    // Save Parameters: the five kept values stored as edited, their marks
    // cleared.
    PedalResult storeParameters();
    // The edits' undo and redo, and compare's switch between the edited and
    // the stored sound, each shown on the controls once sent.
    PedalResult undo();
    PedalResult redo();
    PedalResult toggleCompare();
    // Whether undo, redo and compare can send now: a pedal is open and there
    // is something to do.
    bool canUndo() const { return m_controlsEnabled && m_edits.canUndo(); }
    bool canRedo() const { return m_controlsEnabled && m_edits.canRedo(); }
    bool canCompare() const { return m_controlsEnabled && m_edits.canCompare(); }
    // The window's first title; the main window names it after the effect.
    static constexpr const char *Title = "Form1";
    // Compare's key, in this window and the main window's Edit menu.
    static constexpr const char *CompareKeys = "Ctrl+B";

    // A status reply, read with the addresses of the algorithm it reports
    // (ParameterCommands::readStatusAndAddresses): footswitch, assignments,
    // tuning and the fifteen values taken into the model and shown.
    // It is one undo step, named `step`.
    void showStatus(const ParameterCommands::Reading &reading, const QString &step = QStringLiteral("Request"));
    // Shows the fifteen values on their controls; nothing is sent, since
    // nothing changed.
    void update_parameter_controls();
    // The pedal may run another algorithm now (an upload, another pedal):
    // the reported one is forgotten, and the addresses are those of
    // `effect`'s carried image, or none until the next Request.
    void pedalMayHaveChanged(const QString &effect = QString());
    // What the lists and radio buttons say now.
    std::array<int, ControlCount> assignmentEntries() const;
    // The fifteen values to a preset file, and back: loading shows them, and
    // the live ones that changed go to the pedal exactly as the file has them.
    void savePreset();
    void loadPreset();
    // The same for the preset browser beside the controls: a file it lists,
    // a name typed into it. Success is not told in a box: the list shows it.
    void loadPresetFrom(const QString &path);
    void savePresetAs(const QString &name);
    FootswitchChoice footswitchChoice() const;

    static constexpr const char *AssignedLockMessage =
        "This parameter is currently assigned and cannot be controlled from here";
    static constexpr const char *NoTuningForCheckMessage =
        "Make sure you have uploaded a tuning before setting this parameter";
    static constexpr const char *NoTuningForAssignMessage =
        "No tuning selected, Select a tuning before assigning this parameter";

signals:
    // Something edited, stored, undone or compared changed.
    void editsChanged();

protected:
    void showEvent(QShowEvent *event) override;

private slots:
    void OnChange_dialInputLevel();
    void dialClipWaveChange();
    void dialDryChange();
    void dialMinus1OctChange();
    void dialSubMixChange();
    void dialMinus2OctChange();
    void VariWavePitchOnChange();
    void chkDominantNoteCutChange();
    void chkHighNoteCutChange();
    void cmbGuitarTuningChange();
    void cmbSemitonesVariationChange();
    void ControlUNOassignOnChange();
    void ControlDUEassignOnChange();
    void ControlTREassignOnChange();
    void ControlQUATTROAssignOnChange();
    void RemoteAssignOnChange();

private:
    void FormCreate();
    void FormShow();
    // Snaps the dial out of its dead zone, sends its value and returns it.
    std::uint32_t send_dial_parameter(RotaryDial *dial, int slot);
    // The dial handlers' shared body; Input Level and Wave Clip are locked
    // while assigned.
    void dialChanged(RotaryDial *dial, int slot, bool lockable);
    void trackingCheckChanged(QCheckBox *box, int slot);
    void assignmentChanged(int control, QComboBox *list);
    bool lockedAgainstUser(int slot);
    // Each control's tool tip says why it cannot be used now, if it cannot:
    // no pedal, the pedal's algorithm unknown, shown from the pedal, or
    // assigned to one of the pedal's controls.
    void explainControls();
    // Shows the model's values on the controls, then sends the live ones
    // that differ from `before`, each exactly as the model holds it.
    void showValues(const FXsettings::Values &before);
    // Shows the model's values on the controls; nothing is sent.
    void showControls();
    // Shows the model's values on the controls after a flow; its result.
    PedalResult shownAfter(const PedalResult &result);
    // The hand set `slot` to `value` on `control`: from the stored side back
    // to the edited one first, then sent and kept as one undo step (or part
    // of the control's current gesture).
    void handChanged(int slot, std::uint32_t value, QWidget *control);
    // The marks, the title, the compare button and the tool tips as the
    // edits say.
    void showEdits();
    // A preset read (or not: nullopt) into the model, logged and shown.
    void takePreset(const std::optional<PresetFile::Values> &values, const QString &text,
                    const FXsettings::Values &before);
    bool requestInProgress() const { return m_requestInProgress && *m_requestInProgress; }

    EditorServices m_services;
    Communication &m_communication;
    EffectLibrary &m_effects;
    FXsettings m_fx;
    ParameterCommands m_commands;
    EditSession m_edits{m_fx, m_commands};
    GestureTracker m_gestures;
    EditMarks *m_marks = nullptr;  // owned by the window
    // Kept for the run: Save and Load start where a preset last went.
    PresetFile m_presets;
    const bool *m_requestInProgress = nullptr;
    bool m_controlsEnabled = false;
    // Set while values are shown from code: the change handlers, which stand
    // for the user's hand, leave them alone.
    bool m_showing = false;
    // The ten controls that only show what the pedal or a preset holds.
    QList<QWidget *> m_displayOnly;
    ControlReasons m_reasons;
    // The page the controls sit on; it scrolls on a screen too small for them.
    ScrollingPage *m_page = nullptr;
    // Beside the page: the presets of both folders.
    PresetBrowser *m_browser = nullptr;
};
