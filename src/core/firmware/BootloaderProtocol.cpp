#include "firmware/BootloaderProtocol.h"

#include "app/LogSink.h"
#include "app/PauseClock.h"
#include "device/D2XXUnit.h"
#include "firmware/FirmwareImage.h"

#include <chrono>
#include <thread>

#ifdef Q_OS_LINUX
#include <sys/prctl.h>
#endif

namespace {

// Pauses of paced transfer: after each command or address byte, and before
// the answer of a command, a frame and Go.
constexpr int BytePauseMs = 1;
constexpr int SettleMs = 20;
constexpr int GoSettleMs = 100;
// Interval of the receive-queue polls; the wait sleeps in the event loop.
constexpr int PollMs = 1;

std::uint8_t xorOf(const QByteArray &bytes)
{
    std::uint8_t x = 0;
    for (char c : bytes)
        x ^= std::uint8_t(c);
    return x;
}

QString hex2(unsigned value)
{
    return QStringLiteral("%1").arg(value & 0xFF, 2, 16, QLatin1Char('0')).toUpper();
}

QString hex8(std::uint32_t value)
{
    return QStringLiteral("%1").arg(value, 8, 16, QLatin1Char('0')).toUpper();
}

QString chunkName(int index, std::uint32_t address)
{
    return QStringLiteral("chunk %1 at 0x%2").arg(index).arg(hex8(address));
}

}  // namespace

namespace {

// A pause of a tenth of a millisecond after each of some 50,000 bytes: the
// kernel's default timer slack (50 us on Linux) would stretch every one of
// them by half. The slack is the thread's own and only ever lowered here.
void pauseMicroseconds(int us)
{
#ifdef Q_OS_LINUX
    static const bool precise = ::prctl(PR_SET_TIMERSLACK, 1000UL, 0, 0, 0) == 0;
    Q_UNUSED(precise);
#endif
    std::this_thread::sleep_for(std::chrono::microseconds(us));
}

}  // namespace

BootloaderProtocol::BootloaderProtocol(D2XXUnit &transport, LogSink &log, PauseClock &clock,
                                       Transfer transfer)
    : bytePause([] { pauseMicroseconds(100); }),
      answerPause([] { pauseMicroseconds(200); }),
      m_transport(transport),
      m_log(log),
      m_clock(clock),
      m_transfer(transfer)
{
}

QByteArray BootloaderProtocol::commandFrame(std::uint8_t command)
{
    QByteArray frame;
    frame.append(char(command));
    frame.append(char(~command));
    return frame;
}

QByteArray BootloaderProtocol::addressFrame(std::uint32_t address)
{
    QByteArray frame;
    for (int shift = 24; shift >= 0; shift -= 8)
        frame.append(char(address >> shift));
    frame.append(char(xorOf(frame)));
    return frame;
}

QByteArray BootloaderProtocol::dataFrame(const QByteArray &data)
{
    QByteArray frame;
    frame.append(char(data.size() - 1));
    frame.append(data);
    frame.append(char(xorOf(frame)));
    return frame;
}

QByteArray BootloaderProtocol::versionRecordFrame(int n)
{
    QByteArray record(8, '\0');
    record[7] = char(n);
    return dataFrame(record);
}

bool BootloaderProtocol::fail(const QString &failure)
{
    m_failure = failure;
    return false;
}

bool BootloaderProtocol::openSession()
{
    m_failure.clear();
    m_evenParitySet = false;
    if (m_transfer == Transfer::Paced)
        return true;  // the firmware's 8N1, with a gap after every byte
    // Asked of the driver itself: a line that cannot carry a parity bit (a
    // pseudo-terminal has no framing at all) is no reason for a message box.
    // The bytes then go out 8N1; a bootloader that cannot read them does not
    // acknowledge, and the upgrade stops there.
    const FtStatus status = m_transport.driver().setDataCharacteristics(
        m_transport.device_handle, ft::Bits8, ft::StopBits1, ft::ParityEven);
    if (status != ft::Ok) {
        m_log.PrintToConsole(QStringLiteral("The line stays 8N1: the driver refused 8E1") + D2XXUnit::statusText(status));
        return true;
    }
    m_transport.word_length = ft::Bits8;
    m_transport.stop_bits = ft::StopBits1;
    m_transport.parity = ft::ParityEven;
    m_evenParitySet = true;
    m_log.PrintToConsole(QStringLiteral("Line set to 8E1 for the bootloader"));
    return true;
}

void BootloaderProtocol::closeSession()
{
    if (!m_evenParitySet)
        return;
    m_evenParitySet = false;
    m_transport.parity = ft::ParityNone;
    m_transport.ApplyFTDataCharacteristics();
}

bool BootloaderProtocol::send(const QByteArray &frame, Pace pace, int settleMs, const QString &what)
{
    auto write = [&](const char *bytes, int n) {
        std::copy(bytes, bytes + n, m_transport.output_buffer.begin());
        m_transport.WriteFTDevice(std::uint32_t(n));
        return m_transport.ft_status == 0;
    };
    if (m_transfer == Transfer::Fast) {
        if (!write(frame.constData(), int(frame.size())))
            return fail(QStringLiteral("the link to the pedal failed while sending ") + what);
        return true;
    }
    for (const char &byte : frame) {
        if (!write(&byte, 1))
            return fail(QStringLiteral("the link to the pedal failed while sending ") + what);
        if (pace == Pace::Command)
            m_clock.sleep(BytePauseMs);
        else
            bytePause();
    }
    m_clock.sleep(settleMs);
    return true;
}

std::optional<QByteArray> BootloaderProtocol::readBytes(int count, int timeoutMs, const QString &what)
{
    QByteArray got;
    const std::int64_t deadline = m_clock.elapsedMs() + timeoutMs;
    while (got.size() < count) {
        if (m_transport.QueryFTQueueStatus() != 0) {
            fail(QStringLiteral("the link to the pedal failed while waiting for the answer to ") + what);
            return std::nullopt;
        }
        if (m_transport.rx_queue_count > 0) {
            const std::uint32_t n = m_transport.ReadFTDevice(std::uint32_t(count - got.size()));
            if (m_transport.ft_status != 0) {
                fail(QStringLiteral("the link to the pedal failed while reading the answer to ") + what);
                return std::nullopt;
            }
            got.append(reinterpret_cast<const char *>(m_transport.input_buffer.data()), int(n));
            continue;
        }
        if (m_clock.elapsedMs() >= deadline) {
            fail(QStringLiteral("no answer within %1 s for %2").arg(timeoutMs / 1000).arg(what));
            return got.isEmpty() ? std::nullopt : std::optional<QByteArray>(got);
        }
        if (m_transfer == Transfer::Fast) {
            // The next step waits on this answer: look again soon, letting
            // the interface run in between.
            m_clock.processEvents(0);
            answerPause();
        } else {
            m_clock.processEvents(PollMs);
        }
    }
    return got;
}

bool BootloaderProtocol::expectAck(int timeoutMs, const QString &what)
{
    const std::optional<QByteArray> answer = readBytes(1, timeoutMs, what);
    m_log.PrintToConsole(QStringLiteral("num of bytes received: ") + QString::number(answer ? answer->size() : 0));
    // Nothing else belongs to this answer; whatever follows it is not the next one.
    m_transport.PurgeFTReceive();
    const QString text = answer && !answer->isEmpty() ? hex2(std::uint8_t(answer->at(0))) : QString();
    m_log.PrintToConsole(QStringLiteral("received: ") + text);
    if (!answer)
        return false;
    const auto byte = std::uint8_t(answer->at(0));
    if (byte == Ack) {
        m_log.PrintToConsole(QStringLiteral("ACK"));
        return true;
    }
    if (byte == Nack) {
        m_log.PrintToConsole(QStringLiteral("NOT ACK"));
        return fail(QStringLiteral("no acknowledge for ") + what);
    }
    return fail(QStringLiteral("answer 0x%1 instead of an acknowledge for %2").arg(text, what));
}

bool BootloaderProtocol::synchronise()
{
    m_failure.clear();
    const QString what = QStringLiteral("the synchronisation byte");
    m_log.PrintToConsole(QStringLiteral("SEND SYNC"));
    // A late answer to the step that failed must not be taken for this one.
    if (m_transport.PurgeFTReceive() != 0)
        return fail(QStringLiteral("the link to the pedal failed before ") + what);
    if (!send(QByteArray(1, char(Sync)), Pace::Command, SettleMs, what))
        return false;
    for (int attempt = 0; attempt < 2; ++attempt) {
        const std::optional<QByteArray> answer = readBytes(1, CommandTimeoutMs, what);
        m_transport.PurgeFTReceive();
        if (answer) {
            const auto byte = std::uint8_t(answer->at(0));
            m_log.PrintToConsole(QStringLiteral("received: ") + hex2(byte));
            if (byte == Ack || byte == Nack) {
                m_log.PrintToConsole(byte == Ack ? QStringLiteral("ACK") : QStringLiteral("NOT ACK"));
                m_failure.clear();
                return true;
            }
            return fail(QStringLiteral("answer 0x%1 to %2").arg(hex2(byte), what));
        }
        if (!m_transport.device_gone && m_transport.ft_status == 0 && attempt == 0) {
            // Taken as a command byte: complete the pair so that it is refused.
            if (!send(QByteArray(1, char(~Sync)), Pace::Command, SettleMs, what))
                return false;
            continue;
        }
        break;
    }
    m_log.PrintToConsole(QStringLiteral("received: "));
    return false;
}

bool BootloaderProtocol::erase_flash()
{
    m_failure.clear();
    m_log.PrintToConsole(QStringLiteral("Start Erase Command"));
    const QString command = QStringLiteral("the erase command");
    if (!send(commandFrame(EraseMemory), Pace::Command, SettleMs, command) || !expectAck(CommandTimeoutMs, command))
        return false;
    // 0xFF: global erase; 0x00 its checksum. The answer comes when the whole
    // flash is erased.
    const QString erase = QStringLiteral("the global erase");
    QByteArray global;
    global.append(char(0xFF));
    global.append(char(0x00));
    return send(global, Pace::Command, SettleMs, erase) && expectAck(EraseTimeoutMs, erase);
}

bool BootloaderProtocol::send_write_command(const QString &what)
{
    m_log.PrintToConsole(QStringLiteral("SEND WRITE COMMAND"));
    const QString command = QStringLiteral("the write command for ") + what;
    if (!send(commandFrame(WriteMemory), Pace::Command, SettleMs, command)
        || !expectAck(CommandTimeoutMs, command))
        return false;
    m_log.PrintToConsole(QStringLiteral("SEND ADDRESS + CHECKSUM"));
    const QByteArray frame = addressFrame(bootloader_address);
    m_log.PrintToConsole(QStringLiteral("Address: ") + hex8(bootloader_address));
    m_log.PrintToConsole(QStringLiteral("address checksum: ") + hex2(std::uint8_t(frame.at(4))));
    const QString address = QStringLiteral("the address of ") + what;
    return send(frame, Pace::Command, SettleMs, address) && expectAck(CommandTimeoutMs, address);
}

bool BootloaderProtocol::write_chunk(int index, std::uint32_t address, const QByteArray &data)
{
    m_failure.clear();
    const QString what = chunkName(index, address);
    bootloader_address = address;
    if (!send_write_command(what))
        return false;
    const QByteArray frame = dataFrame(data);
    m_log.PrintToConsole(QStringLiteral("SEND N BYTE + DATA + CHECKSUM"));
    m_log.PrintToConsole(QStringLiteral("N_byte: ") + hex2(std::uint8_t(frame.at(0))));
    m_log.PrintToConsole(QStringLiteral("chunk size: ") + QString::number(data.size()));
    m_log.PrintToConsole(QStringLiteral("data checksum: ") + hex2(std::uint8_t(frame.at(frame.size() - 1))));
    // No settling pause: the answer is waited for.
    if (!send(frame, Pace::Data, 0, what) || !expectAck(CommandTimeoutMs, what))
        return false;
    bootloader_address = address + std::uint32_t(data.size());
    m_log.PrintToConsole(QString());
    return true;
}

bool BootloaderProtocol::write_version_record(int n)
{
    m_failure.clear();
    bootloader_address = FirmwareImage::VersionRecordAddress;
    const QString what = QStringLiteral("the version record at 0x") + hex8(bootloader_address);
    if (!send_write_command(what))
        return false;
    return send(versionRecordFrame(n), Pace::Command, SettleMs, what) && expectAck(CommandTimeoutMs, what);
}

std::optional<QByteArray> BootloaderProtocol::read_memory(std::uint32_t address, int length,
                                                          const QString &what)
{
    m_failure.clear();
    const QString command = QStringLiteral("the read command for ") + what;
    if (!send(commandFrame(ReadMemory), Pace::Command, SettleMs, command)
        || !expectAck(CommandTimeoutMs, command))
        return std::nullopt;
    const QString addressStep = QStringLiteral("the address of ") + what;
    if (!send(addressFrame(address), Pace::Command, SettleMs, addressStep)
        || !expectAck(CommandTimeoutMs, addressStep))
        return std::nullopt;
    // The length as N = length - 1 and its complement; the ACK comes with the data.
    const QString lengthStep = QStringLiteral("the length of ") + what;
    if (!send(commandFrame(std::uint8_t(length - 1)), Pace::Command, 0, lengthStep))
        return std::nullopt;
    const std::optional<QByteArray> answer = readBytes(1 + length, CommandTimeoutMs, lengthStep);
    m_transport.PurgeFTReceive();
    if (!answer)
        return std::nullopt;
    if (std::uint8_t(answer->at(0)) != Ack) {
        fail(std::uint8_t(answer->at(0)) == Nack
                 ? QStringLiteral("no acknowledge for ") + lengthStep
                 : QStringLiteral("answer 0x%1 instead of an acknowledge for %2")
                       .arg(hex2(std::uint8_t(answer->at(0))), lengthStep));
        return std::nullopt;
    }
    if (answer->size() < 1 + length)
        return std::nullopt;  // the failure says the rest did not come
    return answer->mid(1);
}

bool BootloaderProtocol::start_firmware()
{
    m_failure.clear();
    m_log.PrintToConsole(QString());
    m_log.PrintToConsole(QStringLiteral("SEND GO COMMAND"));
    bootloader_address = FirmwareImage::FlashBase;
    const QString command = QStringLiteral("the Go command");
    if (!send(commandFrame(Go), Pace::Command, GoSettleMs, command) || !expectAck(CommandTimeoutMs, command))
        return false;
    const QByteArray frame = addressFrame(bootloader_address);
    m_log.PrintToConsole(QStringLiteral("SEND ADDRESS + CHECKSUM"));
    m_log.PrintToConsole(QStringLiteral("Address: ") + hex8(bootloader_address));
    m_log.PrintToConsole(QStringLiteral("address checksum: ") + hex2(std::uint8_t(frame.at(4))));
    const QString address = QStringLiteral("the Go address 0x") + hex8(bootloader_address);
    return send(frame, Pace::Command, GoSettleMs, address) && expectAck(CommandTimeoutMs, address);
}
