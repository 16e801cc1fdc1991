#pragma once

#include "device/Communication.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>

class LogSink;
class PauseClock;

// The developers' operations on the pedal: a dump of a range of its EEPROM
// into the log, an erase of a range of EEPROM pages, and a hand-made
// parameter-write message. Input is checked by the static parsers before
// anything is sent; the operations take checked values.
class DeveloperMessages {
public:
    // The pedal has begun its dump reply within this time.
    static constexpr int DumpPauseMs = 200;
    // The erase is given this long before anything else is sent.
    static constexpr int ErasePauseMs = 100;
    static constexpr int RawMessageBytes = 7;
    // The device address used when none is chosen.
    static constexpr const char *DefaultDeviceAddress = "50";
    // The pedal's EEPROM: addresses 0-16383, in pages of 64 bytes 0-255.
    static constexpr std::uint16_t LastEepromAddress = 16383;
    static constexpr std::uint16_t LastEepromPage = 255;

    struct DumpResult {
        Communication::Reply reply = Communication::Reply::NoReply;
        int expected = 0;     // bytes asked for
        QByteArray values;    // bytes received, from the start address on
        bool complete() const { return reply == Communication::Reply::Decoded; }
    };

    DeveloperMessages(Communication &communication, LogSink &log, PauseClock &clock);

    // A decimal whole number from 0 to `last` (white space around it aside);
    // nullopt with the reason in *error otherwise. `what` names the number in
    // the reason ("Start").
    static std::optional<std::uint16_t> parseNumber(const QString &what, const QString &text,
                                                    QString *error, std::uint16_t last = 0xFFFF);
    // The EEPROM's I2C device address as two hexadecimal digits: empty text
    // gives DefaultDeviceAddress.
    static std::optional<QString> parseDeviceAddress(const QString &text, QString *error);
    // The raw message's text, "01" + 4 + 8 hexadecimal digits, or nullopt
    // with the reason when a box does not hold exactly its digits.
    static std::optional<QString> rawMessageText(const QString &address, const QString &data,
                                                 QString *error);

    // Reads start..end from the EEPROM at `deviceAddress` (two hexadecimal
    // digits) and lists one line per byte received; a reply that ends early
    // is followed by "EEPROM dump incomplete: N of M bytes". Done with what
    // came, also when the reply failed (DumpResult::reply says how). Refused
    // when the end is below the start or past LastEepromAddress; Failed when
    // the link is held by another exchange or the driver failed before the
    // request went out (the reason was logged or shown).
    //
    // Listing::Count logs the counts of the reply but not its bytes, for a
    // caller that keeps them itself (a backup file holds all 32,768).
    enum class Listing { EachByte, Count };
    PedalResultOf<DumpResult> dump(const QString &deviceAddress, std::uint16_t start,
                                   std::uint16_t end, Listing listing = Listing::EachByte);
    // Erases the pages first..last (the pedal does not answer). Refused when
    // the pages are not a range within 0..LastEepromPage (logged; nothing is
    // sent), Failed when another exchange holds the link or the write failed.
    PedalResult erase(std::uint16_t first, std::uint16_t last);
    // Logs and sends a message made by rawMessageText(), without a purge.
    PedalResult sendRaw(const QString &messageText);

private:
    Communication &m_communication;
    LogSink &m_log;
    PauseClock &m_clock;
};
