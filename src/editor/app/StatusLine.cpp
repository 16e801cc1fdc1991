#include "app/StatusLine.h"

#include "device/PedalResult.h"

#include <QEvent>
#include <QLabel>
#include <QStatusBar>

#include <algorithm>

StatusLine::StatusLine(QStatusBar *bar) : QObject(bar), m_label(new QLabel(bar))
{
    m_label->setObjectName(QStringLiteral("lblGuide"));
    // One line, in line with the labels above it: the window keeps its size
    // whatever the line says, and a line too long for it ends in "…", the
    // whole of it in the tool tip.
    m_label->setContentsMargins(7, 2, 7, 3);
    m_label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_label->installEventFilter(this);
    // Screen readers announce each new line as the label changes.
    m_label->setAccessibleName(QStringLiteral("Status line"));
    bar->addWidget(m_label, 1);
    bar->setSizeGripEnabled(false);
}

bool StatusLine::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_label && (event->type() == QEvent::Resize || event->type() == QEvent::FontChange))
        fit();
    return QObject::eventFilter(watched, event);
}

void StatusLine::fit()
{
    const QString shown =
        m_label->fontMetrics().elidedText(m_text, Qt::ElideRight, std::max(1, m_label->contentsRect().width()));
    m_label->setText(shown);
    m_label->setToolTip(shown == m_text ? QString() : m_text);
    m_label->setAccessibleDescription(m_text);
}

QString StatusLine::guidance(PedalCommandList::Stage stage)
{
    switch (stage) {
    case PedalCommandList::Stage::Closed:
        return QStringLiteral("Plug in the pedal and choose Connection → Connect.");
    case PedalCommandList::Stage::Open:
        return QStringLiteral("Connected. Press Request to read the pedal's settings.");
    case PedalCommandList::Stage::Bootloader:
        return QStringLiteral("The pedal's bootloader is ready: choose Firmware Upgrade → Start Firmware Upgrade.");
    case PedalCommandList::Stage::StatusRead:
        return QStringLiteral("Settings read. Click an effect to edit its sound; Save Parameters stores it on "
                              "the pedal.");
    }
    return {};
}

void StatusLine::guide(PedalCommandList::Stage stage)
{
    m_gone = false;
    say(guidance(stage));
}

void StatusLine::pedalGone()
{
    m_gone = true;
    say(QString::fromUtf8(GoneText));
}

void StatusLine::report(const PedalResult &result, const QString &done)
{
    // A command cut short by the pedal going away: what to do now matters
    // more than the driver's words, which its box has shown.
    if (m_gone)
        return;
    say(result ? done : result.reason());
}

void StatusLine::say(const QString &text)
{
    m_text = text;
    fit();
}

QString StatusLine::text() const
{
    return m_text;
}
