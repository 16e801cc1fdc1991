#pragma once

#include "prefs/LookPreference.h"

#include <QList>
#include <QObject>

class LogSink;
class QAction;
class QActionGroup;
class QMenu;

// The Look submenu of Settings: seven items "0" to "6" that switch every
// window to "Style_0" ... "Style_6" at once and remember the choice in
// style.txt. "Style_7" has no item; it is reached through the file alone.
// The item of the look in use carries the check mark.
class LookMenu : public QObject {
    Q_OBJECT
public:
    static constexpr int ItemCount = 7;

    // menuLook: the submenu to fill; documents: the Documents folder; log:
    // where a refused style.txt or a failed write is reported.
    LookMenu(QMenu *menuLook, const QString &documents, LogSink &log, QObject *parent = nullptr);

    // Start-up: the seven items, each named by its look's title in its tip.
    void BuildLookMenu();
    // Start-up: the look style.txt names, or "Style_0" when there is no file
    // or it holds anything else (then the log says why, once the event loop
    // runs, since the Debug Console does not exist yet). The file is left as
    // it is.
    void ApplySavedLook();
    // A click on item i: applies "Style_" + i, then writes i to style.txt,
    // whether or not the look could be applied.
    void menuLookClickItem(QAction *item);

    const QList<QAction *> &items() const { return m_items; }
    // The look in use, or -1 before any was applied.
    int currentLook() const { return m_current; }
    // Applies "Style_" + number; a look that does not load is logged and the
    // current one stays.
    bool applyLook(int number);

private:
    QMenu *m_menu;
    LookPreference m_preference;
    LogSink &m_log;
    QActionGroup *m_group = nullptr;
    QList<QAction *> m_items;
    int m_current = -1;
};
