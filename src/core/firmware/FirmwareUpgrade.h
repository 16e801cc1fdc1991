#pragma once

#include "device/PedalResult.h"
#include "firmware/BootloaderProtocol.h"
#include "firmware/FirmwareImage.h"

#include <QString>
#include <functional>
#include <optional>

class Communication;
class LogSink;
class PauseClock;
class UserPrompts;

// The firmware upgrade: the chosen image, and its run against the pedal's
// bootloader, which must already be synchronised (the upgrade-mode Connect)
// or is synchronised first (`synchroniseFirst`, and always after a failure).
//
// A run is: load and chunk the image, erase, write every chunk, read it
// back when asked, write the version record, tell the user the pedal will
// restart, and Go. It stops at the first step not answered by one ACK alone:
// the user is told "Firmware upgrade failed: " and what failed, nothing more
// is sent, and the pedal stays in its bootloader, wherever in its protocol
// the failure left it; the next run synchronises first and finds it there.
// An image that cannot be loaded or does not fit is refused before anything
// is sent.
//
// The whole run holds the link (Communication::beginExchange), so no other
// pedal command starts until it ends.
class FirmwareUpgrade {
public:
    struct Options {
        BootloaderProtocol::Transfer transfer = BootloaderProtocol::Transfer::Paced;
        bool verify = false;
    };

    // What a run comes to (PedalResult): Done when every step was
    // acknowledged and the new firmware runs; Refused when the image was not
    // loaded or does not fit (nothing was sent); Failed when a step failed
    // (the pedal stays in its bootloader) or another exchange holds the link
    // (nothing was sent).

    FirmwareUpgrade(Communication &communication, LogSink &log, UserPrompts &prompts,
                    PauseClock &clock);

    // The entry of the window's list, "Firmware_8": remembers its name and
    // number, and logs "Firmware Version: 8" and the name.
    void FirmwareSelect(const QString &entryText);
    static QString entryText(int number);

    // Runs the upgrade with the selected firmware's carried image.
    PedalResult upgrade(const Options &options);
    // Runs it with an image in hand (a file), for firmware number `number`.
    PedalResult upgradeImage(const QByteArray &bytes, int number, const Options &options);

    // Told the number of chunks, then each chunk's index before it is written,
    // and the number of chunks once all are written and recorded.
    std::function<void(int chunks)> onChunkCount;
    std::function<void(int index)> onChunk;
    // Replace the line's pause after each data byte and its sleep between
    // looks for an answer in fast transfer (tests on simulated time).
    std::function<void()> bytePause;
    std::function<void()> answerPause;

    // Set after a failure: the next run starts with a synchronisation
    // (BootloaderProtocol::synchronise). Set it for a bootloader no Connect
    // has synchronised.
    bool synchroniseFirst = false;

    QString selected_firmware_name;
    int selected_firmware_number = 0;
    // The failure of the last run, as shown ("Firmware upgrade failed: ...").
    QString lastError;

private:
    PedalResult run(const FirmwareImage &image, int number, const Options &options);
    void logChunks(const FirmwareImage &image);

    Communication &m_communication;
    LogSink &m_log;
    UserPrompts &m_prompts;
    PauseClock &m_clock;
};
