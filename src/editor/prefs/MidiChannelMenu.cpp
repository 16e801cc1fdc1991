#include "prefs/MidiChannelMenu.h"

#include "app/MenuMnemonic.h"

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
        // "&OMNI", "&1" to "&9", "1&0" to "1&6": the digits cannot all be
        // told apart, so a digit key steps between its two channels.
        const bool number = channel.front().isDigit();
        QAction *item = m_menu->addAction(number ? MenuMnemonic::markedLast(channel)
                                                 : MenuMnemonic::marked(channel, channel.front()));
        item->setObjectName(QStringLiteral("itmMidiChannel") + channel);
        m_items.append(item);
        connect(item, &QAction::triggered, this, [this, item] { menuMIDIchannelsClickItem(item); });
    }
}

void MidiChannelMenu::menuMIDIchannelsClickItem(QAction *item)
{
    // The item's own caption is the channel; keyboard mnemonics are no part of it.
    const QString channel = item->text().remove(QLatin1Char('&'));
    const PedalResult result = m_midi.sendChannel(channel);
    if (onSent)
        onSent(result, channel);
}
