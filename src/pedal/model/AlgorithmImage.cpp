#include "model/AlgorithmImage.h"

namespace {

enum class RecordType : std::uint8_t { Data = 0x01, Filler = 0x03, End = 0x06 };

std::uint8_t at(const QByteArray &bytes, int i)
{
    return std::uint8_t(bytes.at(i));
}

bool isDecimalDigits(std::uint8_t byte)
{
    return (byte >> 4) <= 9 && (byte & 0x0F) <= 9;
}

}  // namespace

std::uint32_t AlgorithmImage::announcedLength(const QByteArray &firstBytes)
{
    if (firstBytes.size() < 3)
        return 0;
    return (std::uint32_t(at(firstBytes, 0)) << 16) | (std::uint32_t(at(firstBytes, 1)) << 8)
           | at(firstBytes, 2);
}

bool AlgorithmImage::plausibleLength(std::uint32_t length)
{
    return length >= std::uint32_t(MinimumLength) && length <= std::uint32_t(MaximumLength)
           && length % 32 == 0;
}

AlgorithmImage::Result AlgorithmImage::check(const QByteArray &image)
{
    Result r;
    const std::uint32_t length = announcedLength(image);
    if (!plausibleLength(length) || std::uint32_t(image.size()) != length) {
        r.error = QStringLiteral("ERR length");
        return r;
    }
    r.version = {at(image, 123), at(image, 124)};
    if (!isDecimalDigits(r.version[0]) || !isDecimalDigits(r.version[1])) {
        r.error = QStringLiteral("ERR version");
        return r;
    }
    for (int i = 0; i < PedalState::AddressFieldCount; ++i)
        r.addresses[std::size_t(i)] = std::uint16_t((at(image, 3 + 2 * i) << 8) | at(image, 4 + 2 * i));

    int p = HeaderSize;
    const int end = image.size();
    bool ended = false;
    while (p < end && !ended) {
        switch (RecordType(at(image, p))) {
        case RecordType::Data: {
            if (p + 3 > end)
                break;
            const int n = (at(image, p + 1) << 8) | at(image, p + 2);
            if (n < 3 || p + 3 + n > end) {
                p = end + 1;  // runs past the image: bad
                break;
            }
            p += 3 + n;
            continue;
        }
        case RecordType::Filler:
            ++p;
            continue;
        case RecordType::End:
            ended = true;
            ++p;
            continue;
        }
        break;  // unknown record type, or a data record cut short
    }
    if (!ended) {
        r.error = QStringLiteral("ERR records");
        return r;
    }
    for (; p < end; ++p) {
        if (image.at(p) != 0) {
            r.error = QStringLiteral("ERR padding");
            return r;
        }
    }
    r.ok = true;
    return r;
}
