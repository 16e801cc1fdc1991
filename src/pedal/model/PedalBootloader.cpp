#include "model/PedalBootloader.h"

namespace {

constexpr std::uint32_t SystemMemoryBase = 0x1FFFF000;
constexpr int SystemMemorySize = 2048;
constexpr std::uint32_t OptionBytesBase = 0x1FFFF800;
// Read protection off (0xA5), user options and data at their defaults, no
// write protection; each byte followed by its complement.
constexpr unsigned char OptionBytes[16] = {0xA5, 0x5A, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00,
                                           0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00};
constexpr int FlashPages = PedalState::FlashSize / PedalState::FlashPageSize;

// The commands Get lists, in its order.
constexpr std::uint8_t CommandList[] = {0x00, 0x01, 0x02, 0x11, 0x21, 0x31, 0x43};

std::uint8_t xorOf(const QByteArray &bytes, int from, int count)
{
    std::uint8_t x = 0;
    for (int i = from; i < from + count; ++i)
        x ^= std::uint8_t(bytes.at(i));
    return x;
}

QString hex32(std::uint32_t v)
{
    return QStringLiteral("%1").arg(v, 8, 16, QLatin1Char('0')).toUpper();
}

std::uint32_t le32(const QByteArray &bytes, std::uint32_t offset)
{
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | std::uint8_t(bytes.at(int(offset) + i));
    return v;
}

}  // namespace

PedalBootloader::PedalBootloader(PedalState &state, PedalLog &log, const PedalFaults &faults)
    : m_state(state),
      m_log(log),
      m_faults(faults),
      m_ram(PedalState::RamSize, 0),
      m_systemMemory(SystemMemorySize, 0),
      m_optionBytes(reinterpret_cast<const char *>(OptionBytes), sizeof OptionBytes)
{
}

void PedalBootloader::reset()
{
    m_phase = Phase::WaitSync;
    m_frame.clear();
    m_go.reset();
    m_frames = 0;  // an injected NACK counts frames from power-up
}

bool PedalBootloader::takePersistentChange()
{
    const bool changed = m_persistentChange;
    m_persistentChange = false;
    return changed;
}

std::optional<PedalBootloader::Go> PedalBootloader::takeGo()
{
    auto go = std::move(m_go);
    m_go.reset();
    return go;
}

bool PedalBootloader::plausibleVectorTable(const QByteArray &flash, std::uint32_t offset)
{
    if (offset + 8 > std::uint32_t(flash.size()))
        return false;
    const std::uint32_t sp = le32(flash, offset);
    const std::uint32_t reset = le32(flash, offset + 4);
    const bool spInRam = sp > PedalState::RamBase && sp <= PedalState::RamBase + PedalState::RamSize;
    const std::uint32_t code = reset & ~1u;
    const bool resetInFlash = (reset & 1u) != 0 && code >= PedalState::FlashBase
                              && code < PedalState::FlashBase + PedalState::FlashSize;
    return spInRam && resetInFlash;
}

int PedalBootloader::frameLength() const
{
    switch (m_phase) {
    case Phase::WaitSync:
    case Phase::Command:
    case Phase::Complement:
        return 1;
    case Phase::Address:
        return 5;
    case Phase::ReadLength:
        return 2;
    case Phase::WriteData:
        // N, N + 1 data bytes, checksum
        return m_frame.isEmpty() ? 1 : 1 + std::uint8_t(m_frame.at(0)) + 1 + 1;
    case Phase::Erase:
        if (m_frame.isEmpty())
            return 1;
        if (std::uint8_t(m_frame.at(0)) == 0xFF)
            return 2;  // global erase: 0xFF, 0x00
        return 1 + std::uint8_t(m_frame.at(0)) + 1 + 1;
    }
    return 1;
}

PedalReplies PedalBootloader::receive(const QByteArray &bytes, std::int64_t atUs)
{
    PedalReplies replies;
    for (int i = 0; i < bytes.size(); ++i) {
        if (m_go) {
            m_go->leftover.append(bytes.mid(i));
            break;
        }
        const auto byte = std::uint8_t(bytes.at(i));
        if (m_phase == Phase::WaitSync && byte != Sync)
            continue;  // noise before the autobaud byte is not seen
        // The first byte of the next frame (a command's complement is its
        // second): an injected stray ACK goes out now, before any answer.
        if (m_frame.isEmpty() && m_phase != Phase::Complement && m_faults.strayAck.covers(m_frames + 1)) {
            m_log.note(
                QStringLiteral("bootloader: stray ACK at the start of frame %1 (injected fault)").arg(m_frames + 1));
            replies.append({QByteArray(1, char(Ack)), atUs});
        }
        m_frame.append(char(byte));
        if (m_frame.size() < frameLength())
            continue;
        std::int64_t readyAt = atUs;
        // A command byte alone is half a frame: its complement is answered.
        const bool half = m_phase == Phase::Command;
        const QByteArray answer = handleFrame(readyAt);
        m_frame.clear();
        if (!half)
            answerFrame(answer, readyAt, replies);
    }
    return replies;
}

void PedalBootloader::answerFrame(QByteArray answer, std::int64_t readyAt, PedalReplies &replies)
{
    const int frame = m_frames;
    if (m_faults.lateNack.covers(frame)) {
        m_log.note(QStringLiteral("bootloader: NACK of frame %1 held back %2 ms (injected fault)")
                       .arg(frame)
                       .arg(m_faults.lateNackUs / 1000));
        replies.append({answer, readyAt + m_faults.lateNackUs, true});
        return;
    }
    if (m_faults.noAnswer.covers(frame)) {
        m_log.note(QStringLiteral("bootloader: frame %1 not answered (injected fault)").arg(frame));
        return;
    }
    if (answer.isEmpty())
        return;
    if (m_faults.garbledAnswer.covers(frame)) {
        answer[0] = char(std::uint8_t(answer.at(0)) ^ 0x02);
        m_log.note(QStringLiteral("bootloader: answer to frame %1 garbled (injected fault)").arg(frame));
    }
    if (!m_faults.duplicateAck.covers(frame)) {
        replies.append({answer, readyAt});
        return;
    }
    m_log.note(QStringLiteral("bootloader: ACK after the answer to frame %1 (injected fault)").arg(frame));
    if (m_faults.duplicateAckUs == 0) {
        replies.append({answer + QByteArray(1, char(Ack)), readyAt});
        return;
    }
    replies.append({answer, readyAt});
    replies.append({QByteArray(1, char(Ack)), readyAt + m_faults.duplicateAckUs, true});
}

QByteArray PedalBootloader::nack(const QString &why)
{
    m_log.ignored(QStringLiteral("bootloader: %1, NACK").arg(why));
    m_phase = Phase::Command;
    return QByteArray(1, char(Nack));
}

QByteArray PedalBootloader::handleFrame(std::int64_t &readyAt)
{
    if (m_phase == Phase::Command) {
        m_command = Command(std::uint8_t(m_frame.at(0)));
        m_phase = Phase::Complement;
        return {};
    }
    ++m_frames;
    if (m_faults.nack.covers(m_frames) || m_faults.lateNack.covers(m_frames)) {
        const bool syncing = m_phase == Phase::WaitSync;
        QByteArray answer = nack(QStringLiteral("frame %1 refused by the injected fault").arg(m_frames));
        if (syncing)
            m_phase = Phase::WaitSync;
        return answer;
    }
    switch (m_phase) {
    case Phase::WaitSync:
        m_phase = Phase::Command;
        m_log.understood(QStringLiteral("bootloader: sync"));
        return QByteArray(1, char(Ack));
    case Phase::Complement:
        return handleCommand();
    case Phase::Address:
        return handleAddress();
    case Phase::ReadLength:
        return handleReadLength();
    case Phase::WriteData:
        return handleWriteData();
    case Phase::Erase:
        return handleErase(readyAt);
    case Phase::Command:
        break;
    }
    return {};
}

QByteArray PedalBootloader::handleCommand()
{
    const auto code = std::uint8_t(m_command);
    if (std::uint8_t(m_frame.at(0)) != std::uint8_t(~code))
        return nack(QStringLiteral("command %1 with a bad complement").arg(code, 2, 16, QLatin1Char('0')));
    QByteArray a(1, char(Ack));
    m_phase = Phase::Command;
    switch (m_command) {
    case Command::Get:
        a.append(char(sizeof CommandList));  // N: the version byte and the commands, minus one
        a.append(char(Version));
        a.append(reinterpret_cast<const char *>(CommandList), sizeof CommandList);
        a.append(char(Ack));
        m_log.understood(QStringLiteral("bootloader: Get"));
        return a;
    case Command::GetVersion:
        a.append(char(Version));
        a.append(2, char(0x00));  // the two option bytes of old bootloaders
        a.append(char(Ack));
        m_log.understood(QStringLiteral("bootloader: Get Version"));
        return a;
    case Command::GetId:
        a.append(char(0x01));
        a.append(char(ProductId >> 8));
        a.append(char(ProductId & 0xFF));
        a.append(char(Ack));
        m_log.understood(QStringLiteral("bootloader: Get ID"));
        return a;
    case Command::ReadMemory:
    case Command::Go:
    case Command::WriteMemory:
        m_phase = Phase::Address;
        return a;
    case Command::Erase:
        m_phase = Phase::Erase;
        return a;
    }
    return nack(QStringLiteral("unknown command %1").arg(code, 2, 16, QLatin1Char('0')));
}

QByteArray *PedalBootloader::memoryFor(std::uint32_t address, std::uint32_t length, bool writable,
                                       std::uint32_t *offset)
{
    struct Area {
        std::uint32_t base;
        QByteArray *bytes;
        bool writable;
    };
    const Area areas[] = {
        {PedalState::FlashBase, &m_state.flash, true},
        {PedalState::RamBase, &m_ram, true},
        {SystemMemoryBase, &m_systemMemory, false},
        {OptionBytesBase, &m_optionBytes, false},
    };
    for (const Area &area : areas) {
        const std::uint64_t end = std::uint64_t(area.base) + std::uint64_t(area.bytes->size());
        if (address >= area.base && std::uint64_t(address) + length <= end) {
            if (writable && !area.writable)
                return nullptr;
            *offset = address - area.base;
            return area.bytes;
        }
    }
    return nullptr;
}

QByteArray PedalBootloader::handleAddress()
{
    if (xorOf(m_frame, 0, 4) != std::uint8_t(m_frame.at(4)))
        return nack(QStringLiteral("address frame with a bad checksum"));
    m_address = (std::uint32_t(std::uint8_t(m_frame.at(0))) << 24)
                | (std::uint32_t(std::uint8_t(m_frame.at(1))) << 16)
                | (std::uint32_t(std::uint8_t(m_frame.at(2))) << 8) | std::uint8_t(m_frame.at(3));
    std::uint32_t offset = 0;
    switch (m_command) {
    case Command::ReadMemory:
        if (!memoryFor(m_address, 1, false, &offset))
            return nack(QStringLiteral("Read Memory at %1, outside memory").arg(hex32(m_address)));
        m_phase = Phase::ReadLength;
        return QByteArray(1, char(Ack));
    case Command::WriteMemory:
        if (m_address % 4 != 0 || !memoryFor(m_address, 4, true, &offset))
            return nack(QStringLiteral("Write Memory at %1, not a word in flash or RAM").arg(hex32(m_address)));
        m_phase = Phase::WriteData;
        return QByteArray(1, char(Ack));
    case Command::Go: {
        QByteArray *memory = memoryFor(m_address, 4, true, &offset);
        if (!memory)
            return nack(QStringLiteral("Go to %1, outside flash and RAM").arg(hex32(m_address)));
        m_log.understood(QStringLiteral("bootloader: Go to %1").arg(hex32(m_address)));
        m_phase = Phase::Command;
        m_go = Go{m_address, {}};
        return QByteArray(1, char(Ack));
    }
    default:
        break;
    }
    return nack(QStringLiteral("address for no command"));
}

QByteArray PedalBootloader::handleReadLength()
{
    const auto n = std::uint8_t(m_frame.at(0));
    if (std::uint8_t(m_frame.at(1)) != std::uint8_t(~n))
        return nack(QStringLiteral("Read Memory length with a bad complement"));
    std::uint32_t offset = 0;
    const QByteArray *memory = memoryFor(m_address, std::uint32_t(n) + 1, false, &offset);
    if (!memory)
        return nack(QStringLiteral("Read Memory of %1 bytes at %2, past the end of memory").arg(n + 1).arg(hex32(m_address)));
    m_phase = Phase::Command;
    m_log.understood(QStringLiteral("bootloader: Read Memory %1 bytes at %2").arg(n + 1).arg(hex32(m_address)));
    return QByteArray(1, char(Ack)) + memory->mid(int(offset), n + 1);
}

QByteArray PedalBootloader::handleWriteData()
{
    const int count = std::uint8_t(m_frame.at(0)) + 1;
    if (xorOf(m_frame, 0, count + 1) != std::uint8_t(m_frame.at(count + 1)))
        return nack(QStringLiteral("Write Memory data with a bad checksum"));
    if (count % 4 != 0)
        return nack(QStringLiteral("Write Memory of %1 bytes, not whole words").arg(count));
    std::uint32_t offset = 0;
    QByteArray *memory = memoryFor(m_address, std::uint32_t(count), true, &offset);
    if (!memory)
        return nack(QStringLiteral("Write Memory of %1 bytes at %2, past the end of memory").arg(count).arg(hex32(m_address)));
    const QByteArray data = m_frame.mid(1, count);
    if (memory == &m_state.flash) {
        // Flash half-words are programmed only when erased (or to zero).
        for (int i = 0; i < count; i += 2) {
            const bool erased = memory->at(int(offset) + i) == char(0xFF) && memory->at(int(offset) + i + 1) == char(0xFF);
            const bool zero = data.at(i) == 0 && data.at(i + 1) == 0;
            if (!erased && !zero)
                return nack(QStringLiteral("Write Memory at %1 over flash that is not erased").arg(hex32(m_address + std::uint32_t(i))));
        }
        m_persistentChange = true;
    }
    memory->replace(int(offset), count, data);
    m_phase = Phase::Command;
    m_log.understood(QStringLiteral("bootloader: Write Memory %1 bytes at %2").arg(count).arg(hex32(m_address)));
    return QByteArray(1, char(Ack));
}

QByteArray PedalBootloader::handleErase(std::int64_t &readyAt)
{
    const auto n = std::uint8_t(m_frame.at(0));
    if (n == 0xFF) {
        if (m_frame.at(1) != 0x00)
            return nack(QStringLiteral("global erase with a bad checksum"));
        m_state.flash.fill(char(0xFF));
        m_persistentChange = true;
        readyAt += m_timing.massEraseUs;
        m_phase = Phase::Command;
        m_log.understood(QStringLiteral("bootloader: global erase"));
        return QByteArray(1, char(Ack));
    }
    const int count = n + 1;
    if (xorOf(m_frame, 0, count + 1) != std::uint8_t(m_frame.at(count + 1)))
        return nack(QStringLiteral("erase page list with a bad checksum"));
    for (int i = 1; i <= count; ++i)
        if (std::uint8_t(m_frame.at(i)) >= FlashPages)
            return nack(QStringLiteral("erase of page %1, beyond the flash").arg(std::uint8_t(m_frame.at(i))));
    QStringList pages;
    for (int i = 1; i <= count; ++i) {
        const int page = std::uint8_t(m_frame.at(i));
        m_state.flash.replace(page * PedalState::FlashPageSize, PedalState::FlashPageSize,
                              QByteArray(PedalState::FlashPageSize, char(0xFF)));
        pages << QString::number(page);
    }
    m_persistentChange = true;
    readyAt += m_timing.pageEraseUs * count;
    m_phase = Phase::Command;
    m_log.understood(QStringLiteral("bootloader: erase of pages %1").arg(pages.join(QLatin1Char(' '))));
    return QByteArray(1, char(Ack));
}
