#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <array>

// The main window's pedal commands, in one list with the state each takes at
// each stage of the link to the pedal: enabled, disabled, or left as it is.
// The list is the one place that enables and disables them, and the one that
// locks them all while an exchange waits for the pedal. A command disabled by
// a stage says why in its tool tip, and what to do about it.
class PedalCommandList {
public:
    enum class Stage {
        Closed,      // no pedal open: at start-up, after Disconnect or an unplug
        Open,        // a pedal open and running its firmware
        Bootloader,  // a pedal open in its bootloader, synchronised for an upgrade
        StatusRead,  // a status was read: the commands that need it are offered
    };
    static constexpr int StageCount = 4;

    enum class Enabled { Off, On, Keep };
    // The state of one command at each stage, in Stage order.
    using Rule = std::array<Enabled, StageCount>;
    // Why a command is off at each stage where it is; an empty text takes
    // the stage's usual reason (whyOff).
    using Reasons = std::array<const char *, StageCount>;

    // Adds a command (a QAction or a widget: anything with "enabled" and
    // "toolTip"); the tool tip it has now is the one it shows when enabled.
    void add(QObject *command, const Rule &rule, const Reasons &reasons = {});
    // The usual reason a command is off at a stage.
    static QString whyOff(Stage stage);
    void enterStage(Stage stage);

    // Locks every command while an exchange waits for the pedal, and puts
    // each back as it was when the lock is lifted.
    void lock();
    void unlock();

private:
    struct Entry {
        QPointer<QObject> command;
        Rule rule;
        Reasons reasons;
        QString toolTip;
        bool enabledBeforeLock = false;
    };
    QList<Entry> m_entries;
    bool m_locked = false;
};
