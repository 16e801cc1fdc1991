#include "model/PedalDevice.h"

namespace {

void putLe32(QByteArray &bytes, int offset, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        bytes[offset + i] = char(v >> (8 * i));
}

}  // namespace

PedalDevice::PedalDevice(PedalState state) : m_state(std::move(state))
{
    m_state.loadLiveValuesFromStore();
}

PedalState PedalDevice::factoryState(std::uint8_t firmwareVersion)
{
    PedalState s;
    // Vector table: initial stack pointer at the top of RAM, reset handler
    // just behind the table (Thumb), and a reset handler that loops.
    putLe32(s.flash, 0, PedalState::RamBase + PedalState::RamSize);
    putLe32(s.flash, 4, PedalState::FlashBase + 0x100 + 1);
    s.flash[0x100] = char(0xFE);  // b .
    s.flash[0x101] = char(0xE7);
    setFirmwareVersion(s, firmwareVersion);
    return s;
}

void PedalDevice::setFirmwareVersion(PedalState &state, std::uint8_t version)
{
    const int record = int(PedalState::VersionRecordAddress - PedalState::FlashBase);
    state.flash.replace(record, 8, QByteArray(8, 0));
    state.flash[int(VersionByteAddress - PedalState::FlashBase)] = char(version);
    state.firmwareVersion = version;
}

void PedalDevice::powerUp(bool bootloaderPin)
{
    m_firmware.reset();
    m_bootloader.reset();
    if (!bootloaderPin && PedalBootloader::plausibleVectorTable(m_state.flash, 0)) {
        startFirmware();
        return;
    }
    m_mode = Mode::Bootloader;
    m_log.note(bootloaderPin ? QStringLiteral("started in the bootloader")
                             : QStringLiteral("no program in flash: started in the bootloader"));
}

void PedalDevice::startFirmware()
{
    m_mode = Mode::Firmware;
    m_firmware.reset();
    m_state.firmwareVersion = std::uint8_t(m_state.flash.at(int(VersionByteAddress - PedalState::FlashBase)));
    m_state.loadLiveValuesFromStore();
    m_log.note(QStringLiteral("firmware %1 running")
                   .arg(QString::number(m_state.firmwareVersion, 16).rightJustified(2, QLatin1Char('0')).toUpper()));
}

PedalReplies PedalDevice::receive(const QByteArray &bytes, std::int64_t atUs)
{
    if (m_mode == Mode::Firmware)
        return m_firmware.receive(bytes, atUs);

    PedalReplies replies = m_bootloader.receive(bytes, atUs);
    if (auto go = m_bootloader.takeGo()) {
        const std::uint32_t offset = go->address - PedalState::FlashBase;
        if (go->address >= PedalState::FlashBase && offset < std::uint32_t(PedalState::FlashSize)
            && PedalBootloader::plausibleVectorTable(m_state.flash, offset)) {
            startFirmware();
            replies.append(m_firmware.receive(go->leftover, atUs));
        } else {
            // Nothing the simulation can run there: the core would fault; the
            // bootloader takes over again, so the pedal can still be flashed.
            m_log.note(QStringLiteral("no program to start at %1: staying in the bootloader")
                           .arg(go->address, 8, 16, QLatin1Char('0')));
            replies.append(m_bootloader.receive(go->leftover, atUs));
        }
    }
    return replies;
}

PedalReplies PedalDevice::idle(std::int64_t nowUs)
{
    if (m_mode == Mode::Firmware)
        return m_firmware.idle(nowUs);
    return {};
}

std::optional<std::int64_t> PedalDevice::nextDeadline() const
{
    if (m_mode == Mode::Firmware)
        return m_firmware.nextDeadline();
    return std::nullopt;
}

bool PedalDevice::takePersistentChange()
{
    const bool a = m_firmware.takePersistentChange();
    const bool b = m_bootloader.takePersistentChange();
    return a || b;
}
