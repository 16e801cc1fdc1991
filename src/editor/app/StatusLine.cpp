#include "app/StatusLine.h"

#include "device/PedalResult.h"

#include <QLabel>
#include <QStatusBar>

StatusLine::StatusLine(QStatusBar *bar) : m_label(new QLabel(bar))
{
    m_label->setObjectName(QStringLiteral("lblGuide"));
    m_label->setWordWrap(true);
    // Screen readers announce each new line as the label changes.
    m_label->setAccessibleName(QStringLiteral("Status line"));
    bar->addWidget(m_label, 1);
    bar->setSizeGripEnabled(false);
}

QString StatusLine::guidance(PedalCommandList::Stage stage)
{
    switch (stage) {
    case PedalCommandList::Stage::Closed:
        return QStringLiteral("Connect the pedal with its USB cable, then choose Connection → Connect.");
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
    m_label->setText(text);
}

QString StatusLine::text() const
{
    return m_label->text();
}
