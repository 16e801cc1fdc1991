#include "prefs/MidiChannelMenu.h"

#include <QAction>
#include <QMenu>

MidiChannelMenu::MidiChannelMenu(QMenu *menuMIDIchannel, Communication &communication, LogSink &log,
                                 QObject *parent)
    : QObject(parent), m_menu(menuMIDIchannel), m_midi(communication, log)
{
}

void MidiChannelMenu::BuildMidiChannelMenu()
{
    for (const QString &channel : MidiChannel::channelItems()) {
        QAction *item = m_menu->addAction(channel);
        item->setObjectName(QStringLiteral("itmMidiChannel") + channel);
        m_items.append(item);
        connect(item, &QAction::triggered, this, [this, item] { menuMIDIchannelsClickItem(item); });
    }
}

void MidiChannelMenu::menuMIDIchannelsClickItem(QAction *item)
{
    // The item's own caption is the channel; keyboard mnemonics are no part of it.
    m_midi.sendChannel(item->text().remove(QLatin1Char('&')));
}
