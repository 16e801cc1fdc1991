#include "model/PedalFirmware.h"

#include "model/AlgorithmImage.h"

namespace {

enum class Command : std::uint8_t {
    LiveParameter = 0x01,
    Status = 0x02,
    Store = 0x03,
    Assign = 0x04,
    MidiChannel = 0x07,
    Footswitch = 0x08,
    Tuning = 0x09,
    EepromErase = 0x0B,
    EepromRead = 0x0C,
    UploadAnnouncement = 0x0D,
    TuningData = 0x0E,
};

struct MessageKind {
    Command command;
    int length;
};

// Length of each message the firmware knows, by its first byte.
constexpr MessageKind MessageKinds[] = {
    {Command::LiveParameter, 7},       // 01, address(2), value(4)
    {Command::Status, 2},              // 02 00
    {Command::Store, 21},              // 03, five values(4 each), slots 10-14
    {Command::Assign, 16},             // 04, five flags, five addresses(2 each)
    {Command::MidiChannel, 2},         // 07, channel (0 = OMNI, 1-16)
    {Command::Footswitch, 3},          // 08, short (0 bypass, 1 preset), long (0 preset, 1 bypass)
    {Command::Tuning, 3},              // 09, tuning 0-7, semitones -5..+3
    {Command::EepromErase, 5},         // 0B, first page(2), last page(2)
    {Command::EepromRead, 6},          // 0C, I2C address, first(2), last(2)
    {Command::UploadAnnouncement, 2},  // 0D 00
    {Command::TuningData, 641},        // 0E, 32 rows of 20 bytes
};

int messageLength(std::uint8_t first)
{
    for (const MessageKind &k : MessageKinds)
        if (std::uint8_t(k.command) == first)
            return k.length;
    return 0;
}

QString hex(const QByteArray &bytes, int max = 24)
{
    QString text = QString::fromLatin1(bytes.left(max).toHex(' ').toUpper());
    if (bytes.size() > max)
        text += QStringLiteral(" ... (%1 bytes)").arg(bytes.size());
    return text;
}

QString hex16(std::uint32_t v)
{
    return QStringLiteral("%1").arg(v, 4, 16, QLatin1Char('0')).toUpper();
}

QString hex32(std::uint32_t v)
{
    return QStringLiteral("%1").arg(v, 8, 16, QLatin1Char('0')).toUpper();
}

std::uint8_t u8(const QByteArray &m, int i)
{
    return std::uint8_t(m.at(i));
}

std::uint16_t u16(const QByteArray &m, int i)
{
    return std::uint16_t((u8(m, i) << 8) | u8(m, i + 1));
}

std::uint32_t u32(const QByteArray &m, int i)
{
    return (std::uint32_t(u16(m, i)) << 16) | u16(m, i + 2);
}

}  // namespace

PedalFirmware::PedalFirmware(PedalState &state, PedalLog &log, const PedalFaults &faults)
    : m_state(state), m_log(log), m_faults(faults)
{
}

QByteArray PedalFirmware::encodeValue(std::uint8_t value)
{
    QByteArray out;
    out.append('\n');
    out.append(QByteArray::number(value));
    out.append('\r');
    return out;
}

bool PedalFirmware::takePersistentChange()
{
    const bool changed = m_persistentChange;
    m_persistentChange = false;
    return changed;
}

void PedalFirmware::reset()
{
    m_phase = Phase::Messages;
    m_pending.clear();
}

std::array<std::uint8_t, PedalFirmware::StatusValueCount> PedalFirmware::statusValues() const
{
    std::array<std::uint8_t, StatusValueCount> v{};
    v[0] = m_state.firmwareVersion;
    v[1] = m_state.algorithmVersion[0];
    v[2] = m_state.algorithmVersion[1];
    v[3] = m_state.effectNumber;
    v[4] = m_state.footswitchMode;
    for (int k = 0; k < 5; ++k) {
        v[5 + k] = m_state.assigned[k];
        v[10 + 2 * k] = std::uint8_t(m_state.assignedAddress[k] >> 8);
        v[11 + 2 * k] = std::uint8_t(m_state.assignedAddress[k]);
    }
    v[20] = m_state.tuningNumber;
    v[21] = std::uint8_t(m_state.semitones);
    for (int i = 0; i < PedalState::SlotCount; ++i) {
        const std::uint32_t value = m_state.storedValues[i];
        for (int b = 0; b < 4; ++b)
            v[22 + 4 * i + b] = std::uint8_t(value >> (24 - 8 * b));
    }
    return v;
}

QByteArray PedalFirmware::statusReply() const
{
    const auto values = statusValues();
    int count = StatusValueCount;
    if (m_faults.statusReply == PedalFaults::StatusReply::Short)
        count = std::min(count, m_faults.shortStatusValues);
    QByteArray reply;
    for (int i = 0; i < count; ++i) {
        QByteArray field = encodeValue(values[std::size_t(i)]);
        // A garbled reply carries the algorithm version with digits that are
        // no decimal digits ('?' has the low half-byte 0xF).
        if (m_faults.statusReply == PedalFaults::StatusReply::Garbled && i == 1)
            field = QByteArray("\n??\r");
        reply.append(field);
    }
    return reply;
}

std::optional<std::int64_t> PedalFirmware::nextDeadline() const
{
    switch (m_phase) {
    case Phase::Messages:
        if (m_pending.isEmpty())
            return std::nullopt;
        return m_lastByteAt + QuietTimeoutUs;
    case Phase::UploadAnnounced:
        return m_announcedAt + AnnouncementTimeoutUs;
    case Phase::Image:
        return m_lastByteAt + ImageQuietTimeoutUs;
    }
    return std::nullopt;
}

PedalReplies PedalFirmware::idle(std::int64_t nowUs)
{
    PedalReplies replies;
    const auto deadline = nextDeadline();
    if (!deadline || nowUs < *deadline)
        return replies;
    switch (m_phase) {
    case Phase::Messages:
        m_log.ignored(QStringLiteral("truncated message %1 (%2 of %3 bytes)")
                          .arg(hex(m_pending))
                          .arg(m_pending.size())
                          .arg(messageLength(u8(m_pending, 0))));
        m_pending.clear();
        break;
    case Phase::UploadAnnounced:
        m_log.ignored(QStringLiteral("upload announcement not followed by an upload"));
        m_phase = Phase::Messages;
        break;
    case Phase::Image: {
        // The upload stopped before the announced length: a short file or a
        // length that cannot be an image. The host waits for an answer.
        const bool plausible = m_pending.size() >= 3
                               && AlgorithmImage::plausibleLength(AlgorithmImage::announcedLength(m_pending));
        const QString error = plausible ? QStringLiteral("ERR short") : QStringLiteral("ERR length");
        m_log.ignored(QStringLiteral("algorithm image of %1 bytes (%2 announced): %3")
                          .arg(m_pending.size())
                          .arg(AlgorithmImage::announcedLength(m_pending))
                          .arg(error));
        replies.append({error.toLatin1(), *deadline});
        m_pending.clear();
        m_phase = Phase::Messages;
        break;
    }
    }
    return replies;
}

PedalReplies PedalFirmware::receive(const QByteArray &bytes, std::int64_t atUs)
{
    PedalReplies replies;
    if (bytes.isEmpty())
        return replies;
    // A burst that comes after a quiet spell first ends what timed out.
    replies.append(idle(atUs));
    m_lastByteAt = atUs;
    m_pending.append(bytes);

    for (;;) {
        if (m_pending.isEmpty())
            break;
        if (m_phase == Phase::UploadAnnounced) {
            m_phase = u8(m_pending, 0) == std::uint8_t(Command::TuningData) ? Phase::Messages
                                                                              : Phase::Image;
            continue;
        }
        if (m_phase == Phase::Image) {
            if (m_pending.size() < 3)
                break;
            m_imageLength = AlgorithmImage::announcedLength(m_pending);
            if (!AlgorithmImage::plausibleLength(m_imageLength) || m_pending.size() < int(m_imageLength))
                break;  // the rest comes, or the quiet spell ends it
            replies.append({finishImage(), atUs});
            m_phase = Phase::Messages;
            break;
        }
        const auto command = u8(m_pending, 0);
        const int length = messageLength(command);
        if (length == 0) {
            m_log.ignored(QStringLiteral("unknown byte %1").arg(hex(m_pending.left(1))));
            m_pending.remove(0, 1);
            continue;
        }
        if (m_pending.size() < length)
            break;  // the rest of the message is still on its way
        const QByteArray answer = handleMessage(m_pending.left(length));
        m_pending.remove(0, length);
        if (!answer.isEmpty())
            replies.append({answer, atUs});
    }
    return replies;
}

QByteArray PedalFirmware::finishImage()
{
    const QByteArray image = m_pending.left(int(m_imageLength));
    // What came in the same burst behind the image (a file longer than its
    // header says) is the file's tail, not messages.
    if (m_pending.size() > image.size())
        m_log.ignored(QStringLiteral("%1 bytes after the algorithm image").arg(m_pending.size() - image.size()));
    m_pending.clear();
    const AlgorithmImage::Result r = AlgorithmImage::check(image);
    if (!r.ok) {
        m_log.ignored(QStringLiteral("algorithm image of %1 bytes: %2").arg(image.size()).arg(r.error));
        return r.error.toLatin1();
    }
    m_state.algorithmVersion = r.version;
    m_state.parameterAddresses = r.addresses;
    m_state.loadLiveValuesFromStore();
    m_persistentChange = true;
    const QString version = QString::fromLatin1(QByteArray(reinterpret_cast<const char *>(r.version.data()), 2).toHex());
    m_log.understood(QStringLiteral("algorithm image of %1 bytes: version %2").arg(image.size()).arg(version));
    return QStringLiteral("OK %1").arg(version).toLatin1();
}

QByteArray PedalFirmware::handleMessage(const QByteArray &m)
{
    switch (Command(u8(m, 0))) {
    case Command::LiveParameter: {
        const std::uint16_t address = u16(m, 1);
        const std::uint32_t value = u32(m, 3);
        m_state.liveValues[address] = value;
        m_log.understood(QStringLiteral("live parameter %1 = %2").arg(hex16(address), hex32(value)));
        return {};
    }
    case Command::Status:
        if (u8(m, 1) != 0x00)
            break;
        m_log.understood(QStringLiteral("status request"));
        return statusReply();
    case Command::Store: {
        QStringList values;
        for (int i = 0; i < 5; ++i) {
            const int slot = PedalState::FirstStoredBySave + i;
            const std::uint32_t value = u32(m, 1 + 4 * i);
            m_state.storedValues[std::size_t(slot)] = value;
            m_state.liveValues[m_state.parameterAddresses[std::size_t(PedalState::SlotAddressField[std::size_t(slot)])]] = value;
            values << hex32(value);
        }
        m_persistentChange = true;
        m_log.understood(QStringLiteral("store %1").arg(values.join(QLatin1Char(' '))));
        return {};
    }
    case Command::Assign: {
        QStringList parts;
        for (int k = 0; k < 5; ++k) {
            m_state.assigned[std::size_t(k)] = u8(m, 1 + k);
            m_state.assignedAddress[std::size_t(k)] = u16(m, 6 + 2 * k);
            parts << QStringLiteral("%1:%2").arg(u8(m, 1 + k)).arg(hex16(u16(m, 6 + 2 * k)));
        }
        m_persistentChange = true;
        m_log.understood(QStringLiteral("assignments %1").arg(parts.join(QLatin1Char(' '))));
        return {};
    }
    case Command::MidiChannel:
        if (u8(m, 1) > 16)
            break;
        m_state.midiChannel = u8(m, 1);
        m_persistentChange = true;
        m_log.understood(QStringLiteral("MIDI channel %1")
                             .arg(m_state.midiChannel ? QString::number(m_state.midiChannel)
                                                      : QStringLiteral("OMNI")));
        return {};
    case Command::Footswitch:
        if (u8(m, 1) > 1 || u8(m, 2) > 1)
            break;
        m_state.footswitchMode = std::uint8_t(2 * u8(m, 1) + u8(m, 2));
        m_persistentChange = true;
        m_log.understood(QStringLiteral("footswitch mode %1").arg(m_state.footswitchMode));
        return {};
    case Command::Tuning: {
        const auto semitones = std::int8_t(u8(m, 2));
        if (u8(m, 1) > 7 || semitones < -5 || semitones > 3)
            break;
        m_state.tuningNumber = u8(m, 1);
        m_state.semitones = semitones;
        m_persistentChange = true;
        m_log.understood(QStringLiteral("tuning %1, semitones %2").arg(m_state.tuningNumber).arg(semitones));
        return {};
    }
    case Command::EepromErase:
        eepromErase(m);
        return {};
    case Command::EepromRead:
        return eepromRead(m);
    case Command::UploadAnnouncement:
        if (u8(m, 1) != 0x00)
            break;
        m_phase = Phase::UploadAnnounced;
        m_announcedAt = m_lastByteAt;
        m_log.understood(QStringLiteral("upload announcement"));
        return {};
    case Command::TuningData:
        m_state.tuningTable = m.mid(1);
        m_state.tuningTableReceived = true;
        m_persistentChange = true;
        m_log.understood(QStringLiteral("tuning data, %1 bytes").arg(m.size()));
        return {};
    }
    m_log.ignored(QStringLiteral("message %1 with values out of range").arg(hex(m)));
    return {};
}

// The EEPROM is a 16 KiB chip at I2C address 0x50 that ignores the address
// bits above its size; a read at another I2C address finds nothing on the bus
// and gives 0xFF for every byte.
QByteArray PedalFirmware::eepromRead(const QByteArray &m)
{
    const std::uint8_t device = u8(m, 1);
    const std::uint16_t first = u16(m, 2);
    const std::uint16_t last = u16(m, 4);
    QByteArray reply;
    if (last >= first) {
        for (std::uint32_t a = first; a <= last; ++a) {
            const std::uint8_t byte = device == EepromI2cAddress
                                          ? std::uint8_t(m_state.eeprom.at(int(a % PedalState::EepromSize)))
                                          : 0xFF;
            reply.append(encodeValue(byte));
        }
    }
    m_log.understood(QStringLiteral("EEPROM read at %1, %2 to %3 (%4 bytes)")
                         .arg(device, 2, 16, QLatin1Char('0'))
                         .arg(first)
                         .arg(last)
                         .arg(last >= first ? last - first + 1 : 0));
    return reply;
}

void PedalFirmware::eepromErase(const QByteArray &m)
{
    const std::uint16_t first = u16(m, 1);
    const std::uint16_t last = u16(m, 3);
    constexpr int pages = PedalState::EepromSize / PedalState::EepromPageSize;
    int erased = 0;
    for (int page = first; page <= last && page < pages; ++page, ++erased)
        m_state.eeprom.replace(page * PedalState::EepromPageSize, PedalState::EepromPageSize,
                               QByteArray(PedalState::EepromPageSize, char(0xFF)));
    m_persistentChange = m_persistentChange || erased > 0;
    m_log.understood(QStringLiteral("EEPROM erase of pages %1 to %2 (%3 erased)").arg(first).arg(last).arg(erased));
}
