#include "params/EditSession.h"

#include "params/ParameterCommands.h"

#include <algorithm>

EditSession::EditSession(FXsettings &fx, ParameterCommands &commands) : m_fx(fx), m_commands(commands)
{
    m_live = m_fx.values();
}

void EditSession::takeStored(const Values &values)
{
    for (int s = 0; s < ParameterSlotCount; ++s)
        m_stored[std::size_t(s)] = values[std::size_t(s)];
    m_live = values;
    m_side = Side::Edited;
    notify();
}

bool EditSession::storedKnown() const
{
    return std::any_of(m_stored.begin(), m_stored.end(), [](const auto &v) { return v.has_value(); });
}

bool EditSession::edited(int slot) const
{
    const std::optional<std::uint32_t> kept = m_stored[std::size_t(slot)];
    return kept && *kept != m_live[std::size_t(slot)];
}

bool EditSession::anyEdited() const
{
    for (int s = 0; s < ParameterSlotCount; ++s) {
        if (edited(s))
            return true;
    }
    return false;
}

void EditSession::forgetPedal()
{
    m_stored = {};
    m_side = Side::Edited;
    notify();
}

PedalResult EditSession::send(int slot, std::uint32_t value)
{
    m_fx.value(slot) = value;
    const PedalResult result = m_commands.sendParameter(m_fx, slot, value);
    if (result)
        m_live[std::size_t(slot)] = value;
    notify();
    return result;
}

PedalResult EditSession::sendShown(const Values &before, const std::function<bool(int slot)> &keep)
{
    const PedalResult result = m_commands.sendShown(
        m_fx, before, keep, [this](const FXsettings::LiveValue &sent) { m_live[std::size_t(sent.slot)] = sent.value; });
    notify();
    return result;
}

PedalResult EditSession::storeParameters()
{
    if (const PedalResult back = returnToEdited(); !back)
        return back;
    const PedalResult result = m_commands.storeParameters(m_fx);
    if (result) {
        for (int s = slot::FirstAssignable; s < ParameterSlotCount; ++s)
            m_stored[std::size_t(s)] = m_fx.value(s);
        notify();
    }
    return result;
}

void EditSession::record(const QString &name, const Values &before, int slot, int gesture)
{
    const Values after = m_fx.values();
    Step *last = m_undo.empty() ? nullptr : &m_undo.back();
    if (last && gesture != 0 && slot >= 0 && last->slot == slot && last->gesture == gesture) {
        last->after = after;
        // Turned back to where the gesture began: nothing to undo.
        if (last->before == last->after)
            m_undo.pop_back();
        m_redo.clear();
        notify();
        return;
    }
    // The values before the first Request or preset are the model's
    // defaults, never the pedal's: that step cannot be undone to them.
    if (slot < 0 && !m_valuesKnown) {
        m_valuesKnown = true;
        return;
    }
    if (before == after)
        return;
    m_redo.clear();
    m_undo.push_back({name, before, after, slot, gesture});
    if (m_undo.size() > std::size_t(MaxSteps))
        m_undo.erase(m_undo.begin());
    notify();
}

PedalResult EditSession::undo()
{
    if (m_undo.empty())
        return PedalResult::refused(QStringLiteral("Nothing to undo"));
    if (const PedalResult back = returnToEdited(); !back)
        return back;
    const Step step = m_undo.back();
    m_undo.pop_back();
    m_redo.push_back(step);
    return moveTo(step.before);
}

PedalResult EditSession::redo()
{
    if (m_redo.empty())
        return PedalResult::refused(QStringLiteral("Nothing to redo"));
    if (const PedalResult back = returnToEdited(); !back)
        return back;
    const Step step = m_redo.back();
    m_redo.pop_back();
    m_undo.push_back(step);
    return moveTo(step.after);
}

PedalResult EditSession::hear(Side side)
{
    if (side == m_side)
        return PedalResult::done();
    if (side == Side::Stored) {
        if (!storedKnown())
            return PedalResult::refused(QStringLiteral("Nothing stored is known yet: press Request first"));
        m_edited = m_fx.values();
        Values target = m_edited;
        for (int s = 0; s < ParameterSlotCount; ++s)
            target[std::size_t(s)] = m_stored[std::size_t(s)].value_or(target[std::size_t(s)]);
        m_side = Side::Stored;
        return moveTo(target);
    }
    m_side = Side::Edited;
    return moveTo(m_edited);
}

EditSession::Values EditSession::leaveCompareForStep()
{
    const Values edited = editedValues();
    m_side = Side::Edited;
    return edited;
}

PedalResult EditSession::moveTo(const Values &target)
{
    const Values before = m_fx.values();
    for (int s = 0; s < ParameterSlotCount; ++s)
        m_fx.value(s) = target[std::size_t(s)];
    return sendShown(before, [this](int s) { return keep(s); });
}

void EditSession::notify()
{
    if (changed)
        changed();
}
