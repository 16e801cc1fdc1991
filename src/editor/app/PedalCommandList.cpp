#include "app/PedalCommandList.h"

#include <QVariant>

void PedalCommandList::add(QObject *command, const Rule &rule)
{
    m_entries.append({command, rule, false});
}

void PedalCommandList::enterStage(Stage stage)
{
    for (const Entry &entry : std::as_const(m_entries)) {
        const Enabled enabled = entry.rule[std::size_t(stage)];
        if (entry.command && enabled != Enabled::Keep)
            entry.command->setProperty("enabled", enabled == Enabled::On);
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
