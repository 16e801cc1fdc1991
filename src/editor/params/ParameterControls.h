#pragma once

#include "params/ParameterSlots.h"

#include <QHash>
#include <QString>
#include <array>
#include <cstdint>

class OnOffSwitch;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QRect;
class QWidget;
class RotaryDial;

// The parameter window's controls in their designed arrangement: one per
// effect parameter, the tracking functions, the assignment lists and the
// footswitch's two presses, with their captions and hints. It only builds
// them; the window connects their handlers and gives them their values.
class ParameterControls {
public:
    // Builds every control as a child of `window`, at its designed place.
    void setupControls(QWidget *window);
    // Shows the fifteen values on their controls. A dial's position is not
    // the value it shows (0x400000 sits at 89 degrees, which stands for
    // 0x402000), and the lists and switches show only their own values: the
    // caller keeps its change handlers out of it.
    void showValuesOf(const std::array<std::uint32_t, ParameterSlotCount> &values);

    RotaryDial *dialInputLevel = nullptr;
    RotaryDial *dialClipWave = nullptr;
    RotaryDial *dialDry = nullptr;
    RotaryDial *dialMinus1Oct = nullptr;
    RotaryDial *dialSubMix = nullptr;
    RotaryDial *dialMinus2Oct = nullptr;
    RotaryDial *dialLowPass = nullptr;
    RotaryDial *dialHighPass = nullptr;
    RotaryDial *dialRange = nullptr;
    RotaryDial *dial1stHarmonic = nullptr;
    OnOffSwitch *swtWave = nullptr;
    OnOffSwitch *swtSplit = nullptr;
    QComboBox *cmbVariableWavePitch = nullptr;
    QGroupBox *grpTrackingFunctions = nullptr;
    QComboBox *cmbGuitarTuning = nullptr;
    QComboBox *cmbSemitonesVariation = nullptr;
    QCheckBox *chkDominantNoteCut = nullptr;
    QCheckBox *chkHighNoteCut = nullptr;
    QComboBox *cmbAssignCtrlUNO = nullptr;
    QComboBox *cmbAssignCtrlDUE = nullptr;
    QComboBox *cmbAssignCtrlTRE = nullptr;
    QComboBox *cmbAssignCtrlQUATTRO = nullptr;
    QComboBox *cmbAssignRemote = nullptr;
    QButtonGroup *FtswShortPress = nullptr;
    QButtonGroup *FtswLongPress = nullptr;
    QRadioButton *chkBypassShortPress = nullptr;
    QRadioButton *chkChangePresetShortPress = nullptr;
    QRadioButton *chkBypassLongPress = nullptr;
    QRadioButton *chkChangePresetLongPress = nullptr;
    // The five assignment lists in control order.
    std::array<QComboBox *, ControlCount> assignLists{};
    // The slot a control sets or shows; -1 for none.
    int slotOf(const QWidget *control) const { return m_slotOf.value(control, -1); }
    // Each parameter's caption, by slot: the label beside its control, or
    // the check box itself.
    std::array<QWidget *, ParameterSlotCount> captions{};
    // Plays the stored sound against the edited one; the label says which
    // is heard.
    QPushButton *btnCompare = nullptr;
    QLabel *lblHeard = nullptr;

private:
    void buildDials();
    void buildTracking();
    void buildHarmonic();
    void buildAssignments();
    void buildFootswitch();
    void buildCompare();
    // A knob is turned by the guitarist; an indicator only shows a value.
    enum class DialFace { Knob, Indicator };
    // A dial for the parameter in `slot`, showing its value in that
    // parameter's unit.
    RotaryDial *makeDial(const char *name, const QString &label, int x, int y, int slot, DialFace face,
                         QWidget *parent = nullptr);
    QLabel *makeLabel(const QString &text, const QRect &geometry, QWidget *parent = nullptr);

    QWidget *m_window = nullptr;
    QHash<const QWidget *, int> m_slotOf;
};
