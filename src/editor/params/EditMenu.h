#pragma once

#include <QObject>

class QAction;
class QMenu;
class TformFXsettings;
class TformMain;

// The main window's Edit menu: Undo and Redo of the parameter window's live
// changes, and Compare, which plays the sound the pedal stores against the
// edited one. Their keys work from any of the editor's windows. Each item
// names what it would do and is enabled only when it can; the menu says what
// cannot be undone. Results go to the main window's status line.
class EditMenu : public QObject {
    Q_OBJECT
public:
    static constexpr const char *UndoKeys = "Ctrl+Z";
    static constexpr const char *RedoKeys = "Ctrl+Shift+Z";
    static constexpr const char *NotUndoable =
        "Stores, uploads, assignments and the firmware cannot be undone";

    // Builds the menu after the File menu; owned by the main window.
    EditMenu(TformMain &main, TformFXsettings &parameters);

    QMenu *menu() const { return m_menu; }
    QAction *undoAction() const { return m_undo; }
    QAction *redoAction() const { return m_redo; }
    QAction *compareAction() const { return m_compare; }

private:
    void update();
    void undo();
    void redo();
    void compare();

    TformMain &m_main;
    TformFXsettings &m_parameters;
    QMenu *m_menu = nullptr;
    QAction *m_undo = nullptr;
    QAction *m_redo = nullptr;
    QAction *m_compare = nullptr;
};
