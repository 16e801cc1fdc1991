#pragma once

#include <QByteArray>
#include <QString>
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

// Upper-case hexadecimal text of the bytes, without separators.
QString toHexText(const QByteArray &bytes);
