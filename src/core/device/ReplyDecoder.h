#pragma once

#include <QByteArray>
#include <QString>

// Decodes the firmware's reply encoding as it arrives, one read at a time.
// A value is an optional 0x0A, one to three decimal digits (0x30-0x39) worth
// at most 255, and 0x0D; a 0x0A inside a value starts it afresh. Anything
// else is refused with the offset and the bytes that broke the rule.
//
// With an expected count, the reply is complete after that many values; a
// further byte, or more than MaxBytesPerValue bytes per expected value, is
// refused too, so what is kept never depends on how much the pedal sends.
class ReplyDecoder {
public:
    enum class State { Partial, Complete, Failed };

    // The longest valid value: 0x0A, three digits, 0x0D.
    static constexpr int MaxBytesPerValue = 5;

    // expectedValues < 0: no expected count (the reply is never Complete).
    explicit ReplyDecoder(int expectedValues = -1);

    // Takes the next bytes of the reply; returns the state after them. Bytes
    // given after Failed are ignored.
    State feed(const QByteArray &bytes);

    State state() const { return m_state; }
    int expectedValues() const { return m_expected; }
    // The values decoded so far, in order.
    const QByteArray &values() const { return m_values; }
    qsizetype bytesSeen() const { return m_offset; }
    // Bytes of a value begun but not closed by 0x0D.
    bool insideValue() const { return !m_field.isEmpty(); }
    // Why the reply was refused (Failed only).
    const QString &error() const { return m_error; }

    // The most bytes a valid reply of n values can take.
    static qsizetype maxReplyBytes(int n) { return qsizetype(n) * MaxBytesPerValue; }

private:
    bool take(char byte);
    void fail(const QString &text);
    void failAtByte();

    int m_expected;
    State m_state = State::Partial;
    QByteArray m_values;
    QByteArray m_field;  // the current value's bytes, from its 0x0A or first digit
    int m_digits = 0;
    int m_number = 0;
    qsizetype m_offset = 0;  // bytes taken so far
    QString m_error;
};
