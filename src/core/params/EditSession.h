#pragma once

#include "device/PedalResult.h"
#include "params/FXsettings.h"

#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

class ParameterCommands;

// The parameter window's edits measured against what the pedal stores, with
// undo, redo and compare. It knows two sets of values beside the model's:
//
//   stored  what the pedal keeps over a power cycle, as the last Request read
//           it, then as Save Parameters (its five) or a restore changed it;
//   live    what the pedal runs now: the values it reported, then each value
//           sent live since.
//
// A value is edited while its live value differs from its stored one. Every
// value goes to the pedal exactly as the model holds it; nothing here makes
// up a value. A parameter that sits on one of the pedal's controls is the
// control's: undo and compare change the model but send it nothing.
class EditSession {
public:
    using Values = FXsettings::Values;
    // Which sound the pedal plays while comparing.
    enum class Side { Edited, Stored };
    // Older steps are forgotten beyond this many.
    static constexpr int MaxSteps = 200;

    EditSession(FXsettings &fx, ParameterCommands &commands);

    // --- What is stored, what is live -------------------------------------

    // A Request read `values`: the pedal stores and runs them. Back to the
    // edited side; the history stays (a Request is a step of its own).
    void takeStored(const Values &values);
    // Whether any stored value is known (a Request, or a store without one).
    bool storedKnown() const;
    std::optional<std::uint32_t> stored(int slot) const { return m_stored[std::size_t(slot)]; }
    std::uint32_t live(int slot) const { return m_live[std::size_t(slot)]; }
    bool edited(int slot) const;
    bool anyEdited() const;
    // The five values the store message writes; the pedal keeps no other.
    static bool keptByPedal(int slot) { return slot >= slot::FirstAssignable && slot < ParameterSlotCount; }
    // The pedal may be another one, or run another algorithm: nothing stored
    // is known until the next Request. The history stays.
    void forgetPedal();

    // --- The flows: each value sent exactly, what went out taken as live ---

    // The hand set `slot` to `value`: taken into the model and sent live.
    PedalResult send(int slot, std::uint32_t value);
    // The model's values were shown (a status, a preset, an undo): the live
    // ones that differ from `before` go out, except those `keep` turns down.
    PedalResult sendShown(const Values &before, const std::function<bool(int slot)> &keep);
    // Save Parameters, from the edited side: the five are stored as the model
    // holds them. Its question and results are ParameterCommands'.
    PedalResult storeParameters();

    // --- Undo and redo --------------------------------------------------

    // The model changed from `before` by one step named `name` ("Input
    // Level", "Request"). A change to the same slot within the same gesture
    // (one drag, one run of repeated keys: `gesture` the same and not 0)
    // continues the last step. A step that changed nothing is not kept, nor
    // the first step of many values (slot -1), which would undo to defaults
    // that never came from the pedal.
    void record(const QString &name, const Values &before, int slot = -1, int gesture = 0);
    bool canUndo() const { return !m_undo.empty(); }
    bool canRedo() const { return !m_redo.empty(); }
    QString undoName() const { return canUndo() ? m_undo.back().name : QString(); }
    QString redoName() const { return canRedo() ? m_redo.back().name : QString(); }
    // Puts the model back as it was before the last step (after it, for
    // redo) and sends the live values that change, exactly. From the stored
    // side it first returns to the edited one. Refused with nothing to undo.
    PedalResult undo();
    PedalResult redo();

    // --- Compare --------------------------------------------------------

    Side side() const { return m_side; }
    bool canCompare() const { return storedKnown(); }
    // Plays the stored sound (the model holding the stored values while it
    // plays) or the edited one again, sending the values that differ.
    // Refused while nothing stored is known.
    PedalResult hear(Side side);
    // From the stored side back to the edited one, before any edit; Done at
    // once on the edited side.
    PedalResult returnToEdited() { return hear(Side::Edited); }
    // The edited values: the model's, or those kept aside while the stored
    // ones play.
    Values editedValues() const { return m_side == Side::Stored ? m_edited : m_fx.values(); }
    // A step that shows values of its own (a preset) ends a compare without
    // sending anything: the pedal goes from what it plays straight to the
    // new values. Returns the edited values, to which the step undoes.
    Values leaveCompareForStep();

    // Told after anything here may have changed: marks, the title, the menu.
    std::function<void()> changed;

private:
    struct Step {
        QString name;
        Values before;
        Values after;
        int slot;
        int gesture;
    };
    PedalResult moveTo(const Values &target);
    void notify();
    bool keep(int slot) const { return !m_fx.isAssigned(slot); }

    FXsettings &m_fx;
    ParameterCommands &m_commands;
    std::array<std::optional<std::uint32_t>, ParameterSlotCount> m_stored{};
    Values m_live{};
    std::vector<Step> m_undo;
    std::vector<Step> m_redo;
    Side m_side = Side::Edited;
    // Whether the model's values came from the pedal or a preset yet.
    bool m_valuesKnown = false;
    // The edited values while the stored ones play.
    Values m_edited{};
};
