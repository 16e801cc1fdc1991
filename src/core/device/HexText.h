#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>

// Message texts: two hexadecimal digits per byte, high digit first. Upper and
// lower case are both accepted.

// Converts pairs into out, at most maxBytes, stopping at the first pair that
// is not two hexadecimal digits; returns the number of bytes converted. Bytes
// of out after that point are left as they were.
int convertHexPairs(const QString &text, std::uint8_t *out, int maxBytes);

// A byte string of length (characters / 2); bytes after a pair that stops the
// conversion are zero.
QByteArray Hex2String(const QString &text);

// A byte array of length (characters / 2); nullopt, with the reason in
// *error, when a pair is not hexadecimal.
std::optional<QByteArray> HexToBytes(const QString &text, QString *error = nullptr);

// Upper-case hexadecimal text of the bytes, with `separator` between them
// unless it is '\0' ("0C 50" or "0C50").
QString toHexText(const QByteArray &bytes, char separator = '\0');

// `value` as upper-case hexadecimal digits, zero-padded on the left to at
// least `digits` ("00E8" for 0xE8 and 4); a value that needs more digits
// keeps them all. A signed value is converted by the caller to the unsigned
// type of its width first: a semitone of -2 goes as std::uint8_t, "FE".
QString hexDigits(std::uint64_t value, int digits);
