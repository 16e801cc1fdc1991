#include "params/ParameterControls.h"

#include "params/DialMapping.h"
#include "params/DialValueText.h"
#include "params/HintTexts.h"
#include "params/ParameterTable.h"
#include "widgets/OnOffSwitch.h"
#include "widgets/RotaryDial.h"

#include <QAbstractItemView>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>

namespace {

// Dials are 40 x 40 with their label just below; switches 41 x 21.
constexpr int DialSize = 40;
constexpr int LabelWidth = 64;
constexpr int LabelHeight = 15;
// Beside an open list's text: the check-mark column, the entry's padding and
// the list's frame.
constexpr int OpenListAllowance = 56;

}  // namespace

void ParameterControls::setupControls(QWidget *window)
{
    m_window = window;
    buildDials();
    buildTracking();
    buildHarmonic();
    buildAssignments();
    buildFootswitch();
    buildCompare();
    // An open list is as wide as its widest entry needs, beside the column
    // for the check mark, however narrow the closed list is drawn.
    for (QComboBox *list : m_window->findChildren<QComboBox *>()) {
        const QFontMetrics metrics(list->font());
        int widest = 0;
        for (int i = 0; i < list->count(); ++i)
            widest = std::max(widest, metrics.horizontalAdvance(list->itemText(i)));
        list->view()->setMinimumWidth(widest + OpenListAllowance);
    }
}

QLabel *ParameterControls::makeLabel(const QString &caption, const QRect &geometry, QWidget *parent)
{
    auto *label = new QLabel(caption, parent ? parent : m_window);
    label->setGeometry(geometry);
    return label;
}

RotaryDial *ParameterControls::makeDial(const char *name, const QString &label, int x, int y, int slot,
                                        DialFace face, QWidget *parent)
{
    auto *dial = new RotaryDial(parent ? parent : m_window);
    dial->setObjectName(QString::fromLatin1(name));
    dial->setValueFormatter(DialValueText::forSlot(slot));
    dial->setDisplayOnly(face == DialFace::Indicator);
    dial->setGeometry(x, y, DialSize, DialSize);
    dial->setAccessibleName(label);
    QLabel *caption = makeLabel(label, QRect(x + DialSize / 2 - LabelWidth / 2, y + DialSize, LabelWidth, LabelHeight),
                                parent);
    caption->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    caption->setBuddy(dial);
    captions[std::size_t(slot)] = caption;
    m_slotOf.insert(dial, slot);
    return dial;
}

void ParameterControls::buildDials()
{
    // Only Input Level and Wave Clip are turned here; the others show what
    // the pedal or a preset holds, and look like the indicators they are.
    constexpr DialFace Knob = DialFace::Knob;
    constexpr DialFace Indicator = DialFace::Indicator;
    dialDry = makeDial("dialDry", QStringLiteral("Dry"), 15, 8, slot::Dry, Indicator);
    dialMinus1Oct = makeDial("dialMinus1Oct", QStringLiteral("-1 OCT"), 75, 8, slot::Minus1Oct, Indicator);
    dialInputLevel = makeDial("dialInputLevel", QStringLiteral("Input Level"), 208, 8, slot::InputLevel, Knob);
    dialClipWave = makeDial("dialClipWave", QStringLiteral("Wave Clip"), 267, 8, slot::WaveClip, Knob);
    dialSubMix = makeDial("dialSubMix", QStringLiteral("Sub Mix"), 15, 72, slot::SubMix, Indicator);
    dialMinus2Oct = makeDial("dialMinus2Oct", QStringLiteral("-2 OCT"), 75, 72, slot::Minus2Oct, Indicator);
    dialLowPass = makeDial("dialLowPass", QStringLiteral("Low Pass"), 15, 136, slot::LowPass, Indicator);
    dialHighPass = makeDial("dialHighPass", QStringLiteral("High Pass"), 75, 136, slot::HighPass, Indicator);
    dialRange = makeDial("dialRange", QStringLiteral("Range"), 15, 208, slot::Range, Indicator);
    dialInputLevel->setToolTip(hints::toolTip(hints::inputLevel()));

    auto makeSwitch = [this](const char *name, const QString &label, int y, int slot) {
        auto *sw = new OnOffSwitch(m_window);
        sw->setObjectName(QString::fromLatin1(name));
        sw->setGeometry(136, y, 41, 21);
        sw->setAccessibleName(label);
        QLabel *caption = makeLabel(label, QRect(136 + 41 / 2 - LabelWidth / 2, y + 21 + 1, LabelWidth, LabelHeight));
        caption->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        captions[std::size_t(slot)] = caption;
        m_slotOf.insert(sw, slot);
        return sw;
    };
    swtWave = makeSwitch("swtWave", QStringLiteral("Wave"), 16, slot::Wave);
    swtSplit = makeSwitch("swtSplit", QStringLiteral("Split"), 61, slot::Split);
}

void ParameterControls::buildTracking()
{
    // A framed group at 185, 73, 141 x 119; children in its coordinates.
    grpTrackingFunctions = new QGroupBox(QStringLiteral("Tracking Functions"), m_window);
    grpTrackingFunctions->setObjectName(QStringLiteral("grpTrackingFunctions"));
    grpTrackingFunctions->setGeometry(185, 73, 141, 119);
    const QPoint origin(185, 73);

    cmbGuitarTuning = new QComboBox(grpTrackingFunctions);
    cmbGuitarTuning->setObjectName(QStringLiteral("cmbGuitarTuning"));
    cmbGuitarTuning->setGeometry(QRect(QPoint(194, 101) - origin, QSize(125, 22)));
    for (std::string_view entry : TuningEntries)
        cmbGuitarTuning->addItem(toQString(entry));
    cmbGuitarTuning->setToolTip(hints::toolTip(hints::guitarTuning()));
    cmbGuitarTuning->setAccessibleName(QStringLiteral("Guitar tuning"));

    cmbSemitonesVariation = new QComboBox(grpTrackingFunctions);
    cmbSemitonesVariation->setObjectName(QStringLiteral("cmbSemitonesVariation"));
    cmbSemitonesVariation->setGeometry(QRect(QPoint(193, 125) - origin, QSize(45, 22)));
    for (std::string_view entry : SemitoneEntries)
        cmbSemitonesVariation->addItem(toQString(entry));
    cmbSemitonesVariation->setToolTip(hints::toolTip(hints::semitonesVariation()));
    cmbSemitonesVariation->setAccessibleName(QStringLiteral("Semitones"));
    QLabel *semitones = makeLabel(QStringLiteral("Semitones"), QRect(QPoint(243, 128) - origin, QSize(75, LabelHeight)),
                                  grpTrackingFunctions);
    semitones->setBuddy(cmbSemitonesVariation);

    chkDominantNoteCut = new QCheckBox(QStringLiteral("Dominant Notes Cut"), grpTrackingFunctions);
    chkDominantNoteCut->setObjectName(QStringLiteral("chkDominantNoteCut"));
    chkDominantNoteCut->setGeometry(QRect(QPoint(193, 148) - origin, QSize(130, 17)));
    chkDominantNoteCut->setToolTip(hints::toolTip(hints::dominantNoteCut()));
    chkHighNoteCut = new QCheckBox(QStringLiteral("High Notes Cut"), grpTrackingFunctions);
    chkHighNoteCut->setObjectName(QStringLiteral("chkHighNoteCut"));
    chkHighNoteCut->setGeometry(QRect(QPoint(193, 166) - origin, QSize(130, 17)));
    chkHighNoteCut->setToolTip(hints::toolTip(hints::highNoteCut()));
    captions[slot::DominantNotesCut] = chkDominantNoteCut;
    captions[slot::HighNotesCut] = chkHighNoteCut;
    m_slotOf.insert(chkDominantNoteCut, slot::DominantNotesCut);
    m_slotOf.insert(chkHighNoteCut, slot::HighNotesCut);
}

void ParameterControls::buildHarmonic()
{
    // A frame at 63, 200, 181 x 67 around the dial and the pitch list.
    auto *frame = new QFrame(m_window);
    frame->setObjectName(QStringLiteral("frm1stHarmonic"));
    frame->setFrameShape(QFrame::StyledPanel);
    frame->setGeometry(63, 200, 181, 67);
    frame->lower();
    dial1stHarmonic = makeDial("dial1stHarmonic", QStringLiteral("1st Harmonic"), 78, 208, slot::FirstHarmonic,
                               DialFace::Indicator);

    cmbVariableWavePitch = new QComboBox(m_window);
    cmbVariableWavePitch->setObjectName(QStringLiteral("cmbVariableWavePitch"));
    cmbVariableWavePitch->setGeometry(155, 229, 73, 22);
    for (std::string_view entry : harmonic_pitch_entries)
        cmbVariableWavePitch->addItem(toQString(entry));
    cmbVariableWavePitch->setMaxVisibleItems(12);
    cmbVariableWavePitch->setCurrentIndex(-1);
    cmbVariableWavePitch->setAccessibleName(QStringLiteral("1st Harmonic Pitch"));
    QLabel *pitch = makeLabel(QStringLiteral("1st Harmonic Pitch"), QRect(132, 212, 110, LabelHeight));
    pitch->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    pitch->setBuddy(cmbVariableWavePitch);
    captions[slot::HarmonicPitch] = pitch;
    m_slotOf.insert(cmbVariableWavePitch, slot::HarmonicPitch);
}

void ParameterControls::buildAssignments()
{
    makeLabel(QStringLiteral("Assign Controls"), QRect(195, 267, 120, LabelHeight))->setObjectName(
        QStringLiteral("lblAssignControls"));
    const struct {
        const char *name;
        int y;
        QComboBox **list;
    } lists[ControlCount] = {
        {"cmbAssignCtrlUNO", 313, &cmbAssignCtrlUNO},
        {"cmbAssignCtrlDUE", 353, &cmbAssignCtrlDUE},
        {"cmbAssignCtrlTRE", 400, &cmbAssignCtrlTRE},
        {"cmbAssignCtrlQUATTRO", 441, &cmbAssignCtrlQUATTRO},
        {"cmbAssignRemote", 482, &cmbAssignRemote},
    };
    for (int k = 0; k < ControlCount; ++k) {
        auto *list = new QComboBox(m_window);
        list->setObjectName(QString::fromLatin1(lists[k].name));
        list->setGeometry(195, lists[k].y, 120, 22);
        for (int e = 0; e < assignmentEntryCount(k); ++e)
            list->addItem(toQString(assignmentEntry(k, e)));
        const QString control = toQString(ControlNames[std::size_t(k)]);
        list->setAccessibleName(control);
        makeLabel(control, QRect(195, lists[k].y - LabelHeight - 1, 120, LabelHeight))->setBuddy(list);
        *lists[k].list = list;
        assignLists[std::size_t(k)] = list;
    }
}

void ParameterControls::buildFootswitch()
{
    makeLabel(QStringLiteral("Footswitch Short Press:"), QRect(15, 323, 160, LabelHeight));
    makeLabel(QStringLiteral("Footswitch Long Press:"), QRect(13, 385, 160, LabelHeight));
    auto makeRadio = [this](const char *name, const QString &caption, int y) {
        auto *radio = new QRadioButton(caption, m_window);
        radio->setObjectName(QString::fromLatin1(name));
        radio->setGeometry(15, y, 150, 19);
        return radio;
    };
    chkBypassShortPress = makeRadio("chkBypassShortPress", QStringLiteral("Bypass"), 339);
    chkChangePresetShortPress = makeRadio("chkChangePresetShortPress", QStringLiteral("Change Preset"), 358);
    chkBypassLongPress = makeRadio("chkBypassLongPress", QStringLiteral("Bypass"), 402);
    chkChangePresetLongPress = makeRadio("chkChangePresetLongPress", QStringLiteral("Change Preset"), 421);
    FtswShortPress = new QButtonGroup(m_window);
    FtswShortPress->setObjectName(QStringLiteral("FtswShortPress"));
    FtswShortPress->addButton(chkBypassShortPress);
    FtswShortPress->addButton(chkChangePresetShortPress);
    FtswLongPress = new QButtonGroup(m_window);
    FtswLongPress->setObjectName(QStringLiteral("FtswLongPress"));
    FtswLongPress->addButton(chkBypassLongPress);
    FtswLongPress->addButton(chkChangePresetLongPress);
    chkBypassShortPress->setChecked(true);
    chkChangePresetLongPress->setChecked(true);
}


void ParameterControls::buildCompare()
{
    // Below the footswitch's presses.
    btnCompare = new QPushButton(QStringLiteral("Co&mpare"), m_window);
    btnCompare->setObjectName(QStringLiteral("btnCompare"));
    btnCompare->setCheckable(true);
    btnCompare->setGeometry(15, 452, 90, 24);
    lblHeard = makeLabel(QString(), QRect(15, 480, 170, LabelHeight));
    lblHeard->setObjectName(QStringLiteral("lblHeard"));
}

void ParameterControls::showValuesOf(const std::array<std::uint32_t, ParameterSlotCount> &values)
{
    auto value = [&values](int slot) { return values[std::size_t(slot)]; };
    auto show = [&value](RotaryDial *dial, int slot, std::uint32_t scale) {
        dial->setAngle(value_to_dial_angle(value(slot), scale));
    };
    auto showSwitch = [&value](OnOffSwitch *sw, int slot) {
        const ParameterInfo &info = ParameterTable[std::size_t(slot)];
        if (value(slot) == info.onValue)
            sw->setChecked(true);
        else if (value(slot) == info.offValue)
            sw->setChecked(false);
    };
    show(dialDry, slot::Dry, dial::DialScale);
    show(dialSubMix, slot::SubMix, dial::DialScale);
    show(dialMinus1Oct, slot::Minus1Oct, dial::DialScale);
    show(dialMinus2Oct, slot::Minus2Oct, dial::DialScale);
    showSwitch(swtWave, slot::Wave);
    show(dialLowPass, slot::LowPass, ParameterTable[slot::LowPass].steps);
    show(dialHighPass, slot::HighPass, ParameterTable[slot::HighPass].steps);
    show(dial1stHarmonic, slot::FirstHarmonic, dial::DialScale);
    showSwitch(swtSplit, slot::Split);
    show(dialRange, slot::Range, ParameterTable[slot::Range].steps);
    show(dialInputLevel, slot::InputLevel, dial::DialScale);
    show(dialClipWave, slot::WaveClip, dial::DialScale);
    const auto pitch = std::find(harmonic_pitch_table.begin(), harmonic_pitch_table.end(), value(slot::HarmonicPitch));
    if (pitch != harmonic_pitch_table.end())
        cmbVariableWavePitch->setCurrentIndex(int(pitch - harmonic_pitch_table.begin()));
    chkDominantNoteCut->setChecked(value(slot::DominantNotesCut) == 1);
    chkHighNoteCut->setChecked(value(slot::HighNotesCut) == 1);
}
