#include "params/EditMenu.h"

#include "app/StatusLine.h"
#include "params/EditMarks.h"
#include "app/TformMain.h"
#include "params/TformFXsettings.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>

namespace {

QAction *addItem(QMenu *menu, const char *name, const char *keys)
{
    QAction *action = menu->addAction(QString());
    action->setObjectName(QString::fromLatin1(name));
    action->setShortcut(QKeySequence(QString::fromLatin1(keys)));
    // From the parameter window too, which has no menus of its own; a
    // focused text box keeps its own undo.
    action->setShortcutContext(Qt::ApplicationShortcut);
    return action;
}

}  // namespace

EditMenu::EditMenu(TformMain &main, TformFXsettings &parameters)
    : QObject(&main), m_main(main), m_parameters(parameters)
{
    m_menu = new QMenu(QStringLiteral("&Edit"), main.menuBar());
    m_menu->setObjectName(QStringLiteral("menuEdit"));
    m_menu->setToolTipsVisible(true);
    main.menuBar()->insertMenu(main.menuConnection->menuAction(), m_menu);

    m_undo = addItem(m_menu, "menuUndo", UndoKeys);
    m_redo = addItem(m_menu, "menuRedo", RedoKeys);
    m_menu->addSeparator();
    m_compare = addItem(m_menu, "menuCompare", TformFXsettings::CompareKeys);
    m_compare->setText(QStringLiteral("&Compare with Stored"));
    m_compare->setCheckable(true);
    m_menu->addSeparator();
    QAction *note = m_menu->addAction(QStringLiteral("&Not undoable: stores, uploads, assignments, firmware"));
    note->setToolTip(QString::fromLatin1(NotUndoable) + QLatin1Char('.'));
    note->setObjectName(QStringLiteral("menuNotUndoable"));
    note->setEnabled(false);

    connect(m_undo, &QAction::triggered, this, &EditMenu::undo);
    connect(m_redo, &QAction::triggered, this, &EditMenu::redo);
    connect(m_compare, &QAction::triggered, this, &EditMenu::compare);
    connect(parameters.btnCompare, &QPushButton::clicked, this, &EditMenu::compare);
    connect(&parameters, &TformFXsettings::editsChanged, this, &EditMenu::update);
    update();
}

void EditMenu::update()
{
    const EditSession &edits = m_parameters.edits();
    const QString why = QString::fromLatin1(NotUndoable) + QLatin1Char('.');
    m_undo->setText(edits.canUndo() ? QStringLiteral("&Undo %1").arg(edits.undoName()) : QStringLiteral("&Undo"));
    m_undo->setEnabled(m_parameters.canUndo());
    m_undo->setToolTip(m_parameters.canUndo() ? why : QStringLiteral("Nothing to undo. ") + why);
    m_redo->setText(edits.canRedo() ? QStringLiteral("&Redo %1").arg(edits.redoName()) : QStringLiteral("&Redo"));
    m_redo->setEnabled(m_parameters.canRedo());
    m_redo->setToolTip(m_parameters.canRedo() ? QString() : QStringLiteral("Nothing to redo."));
    m_compare->setEnabled(m_parameters.canCompare());
    m_compare->setChecked(edits.side() == EditSession::Side::Stored);
    m_compare->setToolTip(m_parameters.canCompare()
                              ? QStringLiteral("Plays the sound the pedal stores, then the edited one again.")
                              : QStringLiteral("Press Request first: what the pedal stores is not known yet."));
}

void EditMenu::undo()
{
    const QString name = m_parameters.edits().undoName();
    m_main.statusLine().report(m_parameters.undo(), QStringLiteral("Undone: %1").arg(name));
}

void EditMenu::redo()
{
    const QString name = m_parameters.edits().redoName();
    m_main.statusLine().report(m_parameters.redo(), QStringLiteral("Redone: %1").arg(name));
}

void EditMenu::compare()
{
    const PedalResult result = m_parameters.toggleCompare();
    const bool stored = m_parameters.edits().side() == EditSession::Side::Stored;
    m_main.statusLine().report(result, QString::fromUtf8(stored ? EditMarks::HearingStored
                                                                 : EditMarks::HearingEdited));
    update();
}
