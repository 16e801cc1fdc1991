#include "params/EditMarks.h"

#include "params/ControlReasons.h"
#include "params/EditSession.h"
#include "params/ParameterControls.h"
#include "widgets/EditedMark.h"

#include <QEvent>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>

EditMarks::EditMarks(QWidget &window, ParameterControls &controls, const EditSession &edits)
    : QObject(&window), m_window(window), m_controls(controls), m_edits(edits)
{
    for (int s = 0; s < ParameterSlotCount; ++s) {
        QWidget *caption = controls.captions[std::size_t(s)];
        auto *mark = new EditedMark(caption->parentWidget());
        mark->setObjectName(QStringLiteral("mark") + QString::number(s));
        mark->placeBeside(caption);
        mark->setToolTip(EditSession::keptByPedal(s) ? QString::fromUtf8(ControlReasons::EditedNotStored)
                                                     : QString::fromUtf8(ControlReasons::NotKept));
        m_marks[std::size_t(s)] = mark;
    }
    window.installEventFilter(this);
}

void EditMarks::show(bool canCompare)
{
    for (int s = 0; s < ParameterSlotCount; ++s)
        m_marks[std::size_t(s)]->setVisible(m_edits.edited(s));
    markTitle();
    const bool stored = m_edits.side() == EditSession::Side::Stored;
    {
        const QSignalBlocker quiet(m_controls.btnCompare);
        m_controls.btnCompare->setChecked(stored);
    }
    m_controls.btnCompare->setEnabled(canCompare);
    m_controls.lblHeard->setText(
        m_edits.canCompare() ? QString::fromUtf8(stored ? HearingStored : HearingEdited) : QString());
}

void EditMarks::markTitle()
{
    const QString marker = QString::fromLatin1(TitleMarker);
    QString title = m_window.windowTitle();
    if (title.endsWith(marker))
        title.chop(marker.size());
    if (m_edits.anyEdited())
        title += marker;
    if (title != m_window.windowTitle())
        m_window.setWindowTitle(title);
}

bool EditMarks::eventFilter(QObject *watched, QEvent *event)
{
    // A new title from the main window gets the marker too.
    if (watched == &m_window && event->type() == QEvent::WindowTitleChange)
        markTitle();
    return QObject::eventFilter(watched, event);
}
