#pragma once

#include "device/PedalResult.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>

class D2XXUnit;
class LogSink;
class PauseClock;
class ReplyDecoder;
class UserPrompts;

// Every exchange with the pedal: hexadecimal message texts become bytes and
// are written; replies are waited for with a deadline, read, and decoded.
//
// Waits let the interface process its events (through the clock), so other
// handlers may run nested inside them. An exchange that waits for a reply
// (a request, its pause and its reply) holds the link for its whole length:
// beginExchange() refuses a second one until it ends, because a nested
// request would take the outer one's reply. Writes that expect no reply (the
// live parameter messages) are not exchanges and may go out at any time.
class Communication {
public:
    enum class Reply {
        Decoded,         // received_bytes_array holds the reply's values
        NoReply,         // nothing came before the deadline ("No reply from the pedal" shown)
        TransportError,  // the driver failed; its message box was shown
        Refused,         // malformed, short or too long; the reason was shown
        Incomplete,      // receive_values only: the reply stopped short after the
                         // values now in received_bytes_array (listed, no box shown)
    };

    // A reply must have begun within this time.
    static constexpr int ReplyStartTimeoutMs = 2000;
    // The bootloader answers its synchronisation byte within this time.
    static constexpr int HandshakeTimeoutMs = 1000;
    // A text reply is complete when no byte has come for longer than this:
    // well above the FT230X's 16 ms latency timer.
    static constexpr int ReplyGapMs = 50;
    // Once a reply holds every value expected, the line is watched this long
    // for bytes that would make it too long.
    static constexpr int ReplyCheckMs = 10;
    // A text reply is cut off after this many bytes.
    static constexpr int TextReplyLimit = 4096;
    // Interval of the receive-queue polls; the wait sleeps in the event loop.
    static constexpr int PollMs = 2;
    // What to do, below a reply fault's box: after silence, and after a
    // reply that is cut short or not understood.
    static constexpr const char *SilenceAdvice =
        "Check that the pedal is powered and its USB cable is in, then try again.";
    static constexpr const char *GarbleAdvice =
        "Try again. If it happens again, choose Disconnect, unplug the pedal for a moment and Connect again.";

    // How long a reply of n values may take from the end of its request's
    // pause: the start time-out plus twice the longest valid reply's time on
    // a 115200-baud line, so a pedal that pauses inside an honest reply is
    // waited out, while time (and memory) depend on the request only.
    static int replyDeadlineMs(int expectedValues, int startTimeoutMs = ReplyStartTimeoutMs);

    // Holds the link for one exchange; releases it when destroyed.
    class Exchange {
    public:
        Exchange(Exchange &&other) noexcept : m_owner(other.m_owner) { other.m_owner = nullptr; }
        Exchange &operator=(Exchange &&) = delete;
        ~Exchange();

    private:
        friend class Communication;
        explicit Exchange(Communication *owner) : m_owner(owner) {}
        Communication *m_owner;
    };

    Communication(D2XXUnit &transport, LogSink &log, UserPrompts &prompts, PauseClock &clock);

    D2XXUnit &transport() const { return m_transport; }
    PauseClock &clock() const { return m_clock; }

    // Starts an exchange named `what` (for the log), or refuses it, with a log
    // line, while another one holds the link.
    std::optional<Exchange> beginExchange(const QString &what);
    bool exchangeActive() const { return !m_exchangeName.isEmpty(); }
    // Told when the link becomes held (true) and free again (false), so a
    // window can lock its pedal commands for the duration.
    std::function<void(bool busy)> onBusyChanged;

    // What the last write came to: Done, or Failed with "<what> was not sent"
    // and the driver's words (its box was shown when it failed; a pedal found
    // gone before fails quietly, with the words of the call that found it).
    PedalResult written(const QString &what) const;

    // Failed: `what` ("status request") was not started, since another
    // exchange holds the link (after beginExchange refused it). Only the log
    // has been told.
    PedalResult busy(const QString &what) const;
    // What a reply came to, for the exchange named `what`: Done when it was
    // decoded, otherwise Failed with what went wrong.
    PedalResult replyResult(Reply reply, const QString &what) const;

    // Drops whatever waits in the receive queue before a request, logging
    // "Discarded N stray bytes" when there was any. False when the driver
    // failed (its box was shown).
    bool discardStrayBytes();

    // Converts the text into output_buffer (at most n bytes, stopping at the
    // first pair that is not hexadecimal), purges the transmit queue when
    // asked, and writes n bytes.
    void send_message(const QString &text, int n, bool purgeFirst);
    // prefix + 4-digit address + 8-digit value, logged and sent without purge.
    void write_dsp_message(const QString &prefix, std::uint16_t address, std::uint32_t value);

    // Waits for a reply of exactly expectedValues values, reads it and
    // decodes it into received_bytes_array. Reading stops once they are all
    // in and a short check finds nothing more. A reply that is undecodable,
    // short or too long is refused with a message box and changes nothing.
    Reply receive_reply(int expectedValues, int startTimeoutMs = ReplyStartTimeoutMs);
    // As receive_reply, for a long reply whose values are of use as far as
    // they go (the EEPROM dump): one that stops short, or falls silent, is not
    // refused but decoded and listed as far as its whole values go, and
    // Incomplete is returned. An undecodable or too long reply is refused as
    // by receive_reply; silence from the start is NoReply.
    Reply receive_values(int expectedValues, int startTimeoutMs = ReplyStartTimeoutMs);
    // Waits for a reply and returns it as text: in firmware upgrade mode the
    // first byte as two upper-case hexadecimal digits, otherwise the bytes as
    // UTF-8 text, read until a pause of ReplyGapMs (at most TextReplyLimit
    // bytes). Empty when nothing came or the driver failed; no box is shown
    // for silence (the caller says what failed).
    QString receive_reply_text(int startTimeoutMs = ReplyStartTimeoutMs);
    // Decodes received_reply as a whole reply of expectedValues values into
    // received_bytes_array and lists it; a bad reply is refused as above.
    Reply decode_reply(int expectedValues);

    bool firmware_upgrade_mode = false;
    // Values of the last reply accepted.
    QByteArray received_bytes_array;
    // Every byte received for the last reply, reads appended in order.
    QByteArray received_reply;
    // Listing parameters of the EEPROM dump.
    bool eeprom_read_active = false;
    // False while a caller keeps a long reply's values itself (a backup's
    // dumps): they are counted in the log, not listed one line each.
    bool list_reply_values = true;
    std::uint16_t eeprom_start_address = 0;
    std::uint16_t eeprom_end_address = 0;

    // A line of a reply's listing, the value's number (its EEPROM address in
    // a dump) and the value: "100:    FF".
    static QString listingLine(qsizetype number, std::uint8_t byte);

private:
    enum class Wait { Bytes, Silence, Failed };
    Wait waitForBytes(std::int64_t deadline);
    // Reads at most `limit` waiting bytes and appends them to received_reply;
    // the bytes read, or nullopt when the driver failed.
    std::optional<QByteArray> readSome(std::uint32_t limit);
    Reply receive(int expectedValues, int startTimeoutMs, bool keepShort);
    Reply finishReply(const ReplyDecoder &decoder, bool keepShort = false);
    void endExchange();

    D2XXUnit &m_transport;
    LogSink &m_log;
    UserPrompts &m_prompts;
    PauseClock &m_clock;
    QString m_exchangeName;  // empty while the link is free
    QString m_lastRefusal;   // why the last refused reply was refused
};
