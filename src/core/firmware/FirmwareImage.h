#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <cstdint>
#include <optional>

// A firmware image: the raw content of the microcontroller's flash from
// FlashBase upward, and its cut into chunks of at most ChunkBytes, the unit
// the bootloader writes. Chunk i starts at image offset 256 i and is written
// at FlashBase + 256 i; only the last one may be shorter.
//
// An image is accepted only when it fits in the flash below the version
// record and starts as this pedal's firmware does, with a vector table the
// core can start from: its first word a stack pointer within the RAM the
// pedal's images use (above RamBase, at most RamEnd, word-aligned), its second
// a reset address inside the image past those two words, with bit 0 (Thumb)
// set. Everything is checked before a byte goes to the pedal.
class FirmwareImage {
public:
    static constexpr std::uint32_t FlashBase = 0x08000000;
    static constexpr std::uint32_t VersionRecordAddress = 0x0801FC00;
    static constexpr int MaxBytes = int(VersionRecordAddress - FlashBase);  // 130,048
    static constexpr int ChunkBytes = 256;
    // The RAM the pedal's images use: 20 KiB; their stack starts at its end.
    static constexpr std::uint32_t RamBase = 0x20000000;
    static constexpr std::uint32_t RamEnd = 0x20005000;

    // The firmware numbers carried, oldest first: N for each resource
    // FIRMWARE_N, the only place they are stated.
    static QList<int> firmware_numbers();
    // The newest firmware carried; 0 when none is.
    static int newestNumber();

    // "FIRMWARE_8" for 8.
    static QString resourceName(int number);
    // The resource's bytes, its name matched without regard to letter case;
    // nullopt with the error to show when it cannot be loaded.
    static std::optional<QByteArray> loadResource(const QString &name, QString *error);

    // The image, or nullopt with the reason it is refused: empty, larger
    // than MaxBytes, or not starting with this pedal's kind of vector table.
    static std::optional<FirmwareImage> fromBytes(const QByteArray &bytes, QString *error);

    const QByteArray &bytes() const { return m_bytes; }
    int size() const { return int(m_bytes.size()); }
    // Chunks in all, the last one counted even when it is short.
    int chunkCount() const { return (size() + ChunkBytes - 1) / ChunkBytes; }
    // Bytes in the last chunk when it is short, 0 when every chunk is full.
    int lastChunkSize() const { return size() % ChunkBytes; }
    QByteArray chunk(int index) const { return m_bytes.mid(qsizetype(index) * ChunkBytes, ChunkBytes); }
    static std::uint32_t chunkAddress(int index) { return FlashBase + std::uint32_t(index) * ChunkBytes; }

private:
    // Why `bytes` do not start as this pedal's firmware; empty when they do.
    static QString vectorTableProblem(const QByteArray &bytes);

    explicit FirmwareImage(QByteArray bytes) : m_bytes(std::move(bytes)) {}

    QByteArray m_bytes;
};
