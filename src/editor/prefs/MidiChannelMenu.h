#pragma once

#include "prefs/MidiChannel.h"

#include <QList>
#include <QObject>
#include <functional>

class Communication;
class LogSink;
class QAction;
class QMenu;

// The Channel submenu of Settings > MIDI: seventeen items, "OMNI" then "1" to
// "16", each sending its channel to the pedal at once. The items carry no
// check marks: the editor neither keeps nor reads back the pedal's channel.
// Whether the menu can be used (only after a status request) is the main
// window's to say, through the MIDI menu above it.
class MidiChannelMenu : public QObject {
    Q_OBJECT
public:
    MidiChannelMenu(QMenu *menuMIDIchannel, Communication &communication, LogSink &log,
                    QObject *parent = nullptr);

    // Start-up: the seventeen items, in that order.
    void BuildMidiChannelMenu();
    // A click on an item: its channel goes to the pedal.
    void menuMIDIchannelsClickItem(QAction *item);

    const QList<QAction *> &items() const { return m_items; }
    // Told what each click came to, and the channel's caption.
    std::function<void(const PedalResult &, const QString &channel)> onSent;

private:
    QMenu *m_menu;
    MidiChannel m_midi;
    QList<QAction *> m_items;
};
