#include "prefs/LookMenu.h"

#include "app/LogSink.h"
#include "app/MenuMnemonic.h"
#include "prefs/LookTheme.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QTimer>

LookMenu::LookMenu(QMenu *menuLook, const QString &documents, LogSink &log, QObject *parent)
    : QObject(parent), m_menu(menuLook), m_preference(documents), m_log(log)
{
}

void LookMenu::BuildLookMenu()
{
    // Optional exclusivity: "Style_7" leaves every item unchecked.
    m_group = new QActionGroup(this);
    m_group->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    m_menu->setToolTipsVisible(true);
    for (int i = 0; i < ItemCount; ++i) {
        QAction *item = m_menu->addAction(MenuMnemonic::markedLast(QString::number(i)));
        item->setObjectName(QStringLiteral("itmLook%1").arg(i));
        item->setCheckable(true);
        if (const std::optional<LookTheme> theme = LookTheme::load(LookTheme::name(i)))
            item->setToolTip(theme->title);
        m_group->addAction(item);
        m_items.append(item);
        connect(item, &QAction::triggered, this, [this, item] { menuLookClickItem(item); });
    }
}

void LookMenu::ApplySavedLook()
{
    const LookPreference::Saved saved = m_preference.read();
    applyLook(saved.look);
    if (saved.problem.isEmpty())
        return;
    // The Debug Console is made after the main window; the line waits for it.
    QTimer::singleShot(0, this, [this, line = saved.problem] { m_log.PrintToConsole(line); });
}

void LookMenu::menuLookClickItem(QAction *item)
{
    const int look = int(m_items.indexOf(item));
    if (look < 0)
        return;
    applyLook(look);
    QString error;
    if (!m_preference.write(look, &error))
        m_log.PrintToConsole(error);
}

bool LookMenu::applyLook(int number)
{
    QString error;
    const std::optional<LookTheme> theme = LookTheme::load(LookTheme::name(number), &error);
    if (!theme) {
        m_log.PrintToConsole(error);
        return false;
    }
    theme->apply();
    m_current = number;
    // The check mark follows the look in use; a click on the checked item
    // (which unchecks it in an optional group) leaves it checked.
    for (int i = 0; i < m_items.size(); ++i)
        m_items[i]->setChecked(i == number);
    return true;
}
