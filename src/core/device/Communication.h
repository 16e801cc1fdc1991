#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>

class D2XXUnit;
class LogSink;
class PauseClock;
class UserPrompts;

// Every exchange with the pedal: hexadecimal message texts become bytes and
// are written; replies are waited for with a deadline, read, and decoded.
//
// Waits let the interface process its events (through the clock), so other
// handlers may run nested inside them; nothing here holds state across such a
// call that a nested exchange could spoil, except the reply being gathered,
// which a nested exchange replaces.
class Communication {
public:
    enum class Reply {
        Decoded,         // received_bytes_array holds the reply's values
        NoReply,         // nothing came before the deadline ("No reply from the pedal" shown)
        TransportError,  // the driver failed; its message box was shown
        DecodeError,     // a field was not decimal; the error was shown
    };

    // A reply must start within this time after the wait begins.
    static constexpr int ReplyStartTimeoutMs = 2000;
    // The bootloader answers its synchronisation byte within this time.
    static constexpr int HandshakeTimeoutMs = 1000;
    // A reply is complete when no byte has come for longer than this: well
    // above the FT230X's 16 ms latency timer.
    static constexpr int ReplyGapMs = 50;
    // A pedal that never stops sending is cut off after this long.
    static constexpr int ReplyMaxMs = 30000;
    // Interval of the receive-queue polls; the wait sleeps in the event loop.
    static constexpr int PollMs = 2;

    Communication(D2XXUnit &transport, LogSink &log, UserPrompts &prompts, PauseClock &clock);

    D2XXUnit &transport() const { return m_transport; }

    // Converts the text into output_buffer (at most n bytes, stopping at the
    // first pair that is not hexadecimal), purges the transmit queue when
    // asked, and writes n bytes.
    void send_message(const QString &text, int n, bool purgeFirst);
    // prefix + 4-digit address + 8-digit value, logged and sent without purge.
    void write_dsp_message(const QString &prefix, std::uint16_t address, std::uint32_t value);

    // Waits for a reply, reads all of it and decodes it into received_bytes_array.
    Reply receive_reply(int startTimeoutMs = ReplyStartTimeoutMs);
    // Waits for a reply and returns it as text: in firmware upgrade mode the
    // first byte as two upper-case hexadecimal digits, otherwise the bytes as
    // UTF-8 text. Empty when nothing came or the driver failed; no box is
    // shown for silence (the caller says what failed).
    QString receive_reply_text(int startTimeoutMs = ReplyStartTimeoutMs);
    // Decodes received_reply into received_bytes_array and lists it.
    Reply decode_reply();

    bool firmware_upgrade_mode = false;
    // Values of the last decoded reply.
    QByteArray received_bytes_array;
    // How many values the last decode found in its reply (0 leaves
    // received_bytes_array as it was).
    int decoded_count = 0;
    // Every byte received for the last reply, reads appended in order.
    QByteArray received_reply;
    // Listing parameters of the EEPROM dump.
    bool eeprom_read_active = false;
    std::uint16_t eeprom_start_address = 0;
    std::uint16_t eeprom_end_address = 0;

private:
    enum class Wait { Bytes, Silence, Failed };
    Wait waitForBytes(int timeoutMs);
    void readReply(bool stopAtFirstEmptyRead);

    D2XXUnit &m_transport;
    LogSink &m_log;
    UserPrompts &m_prompts;
    PauseClock &m_clock;
};
