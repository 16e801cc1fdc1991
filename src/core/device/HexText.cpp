#include "device/HexText.h"

#include <algorithm>

namespace {

int digit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    return -1;
}

}  // namespace

int convertHexPairs(const QString &text, std::uint8_t *out, int maxBytes)
{
    const int pairs = std::min<int>(int(text.size() / 2), maxBytes);
    for (int j = 0; j < pairs; ++j) {
        const int high = digit(text.at(2 * j));
        const int low = digit(text.at(2 * j + 1));
        if (high < 0 || low < 0)
            return j;
        out[j] = std::uint8_t(high * 16 + low);
    }
    return pairs;
}

QByteArray Hex2String(const QString &text)
{
    QByteArray bytes(int(text.size() / 2), '\0');
    convertHexPairs(text, reinterpret_cast<std::uint8_t *>(bytes.data()), int(bytes.size()));
    return bytes;
}

std::optional<QByteArray> HexToBytes(const QString &text, QString *error)
{
    QByteArray bytes(int(text.size() / 2), '\0');
    const int done =
        convertHexPairs(text, reinterpret_cast<std::uint8_t *>(bytes.data()), int(bytes.size()));
    if (done < bytes.size()) {
        if (error)
            *error = QStringLiteral("'%1' is not a valid hexadecimal number")
                         .arg(text.mid(2 * done, 2));
        return std::nullopt;
    }
    return bytes;
}

QString toHexText(const QByteArray &bytes, char separator)
{
    return QString::fromLatin1(bytes.toHex(separator).toUpper());
}

QString hexDigits(std::uint64_t value, int digits)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    int width = 1;
    for (std::uint64_t rest = value >> 4; rest != 0; rest >>= 4)
        ++width;
    QString text(std::max(width, digits), QLatin1Char('0'));
    for (qsizetype i = text.size() - 1; value != 0; --i, value >>= 4)
        text[i] = QLatin1Char(kDigits[value & 0x0F]);
    return text;
}
