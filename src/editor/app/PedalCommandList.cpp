#include "app/PedalCommandList.h"

#include <QVariant>

void PedalCommandList::add(QObject *command, const Rule &rule, const Reasons &reasons)
{
    // An action with no tool tip of its own answers with its text.
    const QString toolTip = command->property("toolTip").toString();
    const QString text = command->property("text").toString().remove(QLatin1Char('&'));
    m_entries.append({command, rule, reasons, toolTip == text ? QString() : toolTip, false});
}

QString PedalCommandList::whyOff(Stage stage)
{
    switch (stage) {
    case Stage::Closed:
        return QStringLiteral("No pedal is connected: choose Connection → Connect.");
    case Stage::Open:
        return QStringLiteral("Press Request first: the pedal's settings have not been read yet.");
    case Stage::Bootloader:
        return QStringLiteral("The pedal runs its bootloader: upgrade its firmware first.");
    case Stage::StatusRead:
        break;
    }
    return {};
}

void PedalCommandList::enterStage(Stage stage)
{
    const auto at = std::size_t(stage);
    for (const Entry &entry : std::as_const(m_entries)) {
        if (!entry.command)
            continue;
        const Enabled enabled = entry.rule[at];
        if (enabled != Enabled::Keep)
            entry.command->setProperty("enabled", enabled == Enabled::On);
        // Kept off or turned off, it says why at this stage.
        QString tip = entry.toolTip;
        if (!entry.command->property("enabled").toBool()) {
            const QString why = entry.reasons[at] ? QString::fromUtf8(entry.reasons[at]) : whyOff(stage);
            tip = tip.isEmpty() ? why : tip + QLatin1Char('\n') + why;
        }
        entry.command->setProperty("toolTip", tip);
        // Menu items say it in the status line as the pointer rests on them.
        if (!entry.command->isWidgetType())
            entry.command->setProperty("statusTip", tip == entry.toolTip ? QString() : tip);
    }
}

void PedalCommandList::lock()
{
    m_locked = true;
    for (Entry &entry : m_entries) {
        if (!entry.command)
            continue;
        entry.enabledBeforeLock = entry.command->property("enabled").toBool();
        entry.command->setProperty("enabled", false);
    }
}

void PedalCommandList::unlock()
{
    if (!m_locked)
        return;
    m_locked = false;
    for (const Entry &entry : std::as_const(m_entries))
        if (entry.command)
            entry.command->setProperty("enabled", entry.enabledBeforeLock);
}
