#include "firmware/BootloaderProtocol.h"

#include "app/LogSink.h"
#include "app/PauseClock.h"
#include "device/D2XXUnit.h"
#include "device/HexText.h"
#include "firmware/FirmwareImage.h"

namespace {

// Pauses of paced transfer before the answer of a command, a frame and Go.
constexpr int SettleMs = 20;
constexpr int GoSettleMs = 100;
// An answer is one byte; more than this many are not read as one.
constexpr int AnswerLimit = 16;
// What is taken while the line goes quiet in synchronise(): a Read Memory
// answer that filler bytes happen to ask for (257 bytes) and then some.
constexpr int DrainLimit = 1024;
// Waits of synchronise(), each longer than the FT230X's 16 ms latency timer
// holds a short answer back where they must see the answer that is coming:
// for the probe's 0x7F, whose silence means the command phase, and for the
// first filler byte after an unanswered 0x7F, which in the command phase
// ends the unknown command 0x7F and is answered by NACK alone. Later fillers
// go at FillerAnswerMs: one sent after a unit has ended only starts a unit
// that the probe ends.
constexpr int FillerAnswerMs = 2;
constexpr int ProbeAnswerMs = 50;

std::uint8_t xorOf(const QByteArray &bytes)
{
    std::uint8_t x = 0;
    for (char c : bytes)
        x ^= std::uint8_t(c);
    return x;
}

QString chunkName(int index, std::uint32_t address)
{
    return QStringLiteral("chunk %1 at 0x%2").arg(index).arg(hexDigits(address, 8));
}

}  // namespace

BootloaderProtocol::BootloaderProtocol(D2XXUnit &transport, LogSink &log, PauseClock &clock,
                                       Transfer transfer)
    : m_line(transport, clock, transfer), m_transport(transport), m_log(log), m_clock(clock)
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

bool BootloaderProtocol::lineFailed(const QString &what)
{
    switch (m_line.fault()) {
    case BootloaderLine::Fault::Writing:
        return fail(QStringLiteral("the link to the pedal failed while sending ") + what);
    case BootloaderLine::Fault::Reading:
        return fail(QStringLiteral("the link to the pedal failed while reading the answer to ") + what);
    case BootloaderLine::Fault::Waiting:
    case BootloaderLine::Fault::None:
        break;
    }
    return fail(QStringLiteral("the link to the pedal failed while waiting for the answer to ") + what);
}

bool BootloaderProtocol::openSession()
{
    m_failure.clear();
    m_evenParitySet = false;
    if (transfer() == Transfer::Paced)
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
    // Nothing can answer a frame before its last byte is out: a byte waiting
    // then (an answer too many to an earlier step, or noise) is not its answer.
    const QByteArray head = transfer() == Transfer::Fast ? QByteArray() : frame.chopped(1);
    if (!m_line.write(head, pace) || !nothingWaiting(what) || !m_line.write(frame.mid(head.size()), pace))
        return m_failure.isEmpty() ? lineFailed(what) : false;
    if (transfer() == Transfer::Paced)
        m_clock.sleep(settleMs);
    return true;
}

bool BootloaderProtocol::nothingWaiting(const QString &what)
{
    QByteArray stray;
    if (!m_line.takeWaiting(stray, AnswerLimit))
        return lineFailed(what);
    if (stray.isEmpty())
        return true;
    m_log.PrintToConsole(QStringLiteral("stray bytes received: ") + toHexText(stray, ' '));
    return fail(QStringLiteral("a stray byte 0x%1 before the answer to %2").arg(hexDigits(std::uint8_t(stray.at(0)), 2), what));
}

bool BootloaderProtocol::expectAck(int timeoutMs, const QString &what)
{
    const std::optional<QByteArray> answer = m_line.takeAnswer(timeoutMs, AnswerLimit);
    m_log.PrintToConsole(QStringLiteral("num of bytes received: ") + QString::number(answer ? answer->size() : 0));
    const QString text = answer && !answer->isEmpty() ? hexDigits(std::uint8_t(answer->at(0)), 2) : QString();
    m_log.PrintToConsole(QStringLiteral("received: ") + text);
    if (!answer)
        return lineFailed(what);
    if (answer->isEmpty())
        return fail(QStringLiteral("no answer within %1 s for %2").arg(timeoutMs / 1000).arg(what));
    const auto byte = std::uint8_t(answer->at(0));
    if (byte == Nack) {
        m_log.PrintToConsole(QStringLiteral("NOT ACK"));
        return fail(QStringLiteral("no acknowledge for ") + what);
    }
    if (byte != Ack)
        return fail(QStringLiteral("answer 0x%1 instead of an acknowledge for %2").arg(text, what));
    m_log.PrintToConsole(QStringLiteral("ACK"));
    if (answer->size() > 1)
        return fail(QStringLiteral("a second answer byte 0x%1 after %2").arg(hexDigits(std::uint8_t(answer->at(1)), 2), what));
    return true;
}

bool BootloaderProtocol::expectQuiet(const QString &what)
{
    const std::optional<QByteArray> late = m_line.takeAnswer(QuietMs, AnswerLimit);
    if (!late)
        return lineFailed(what);
    if (late->isEmpty())
        return true;
    m_log.PrintToConsole(QStringLiteral("received: ") + toHexText(*late, ' '));
    return fail(QStringLiteral("a second answer byte 0x%1 after %2").arg(hexDigits(std::uint8_t(late->at(0)), 2), what));
}

// The synchronisation, from wherever a failed run left the bootloader.
//
// Fresh from reset the bootloader waits for 0x7F and answers ACK: that one
// answer, with the line quiet after it, is the whole synchronisation.
//
// Anything else means it is somewhere inside its protocol: in its command
// phase (0x7F is taken as a command byte and not answered), waiting for a
// command's complement, or inside a frame (an address, an erase list, a read
// length, or a data frame, which can still want 257 bytes after its length
// byte). Every unit it reads ends in an answer, so silence is met with
// filler bytes 0x80, one at a time, until anything answers; MaxFillers end
// any unit. 0x80 is the complement of 0x7F, so a 0x7F taken as a command
// byte ends as the unknown command 0x7F and is refused.
//
// Whatever answered is waited out until the line is quiet, and dropped. Then
// a probe confirms the command phase: 0x7F unanswered and 0x80 answered by
// NACK alone (a 0x7F taken as a command byte went the same way before the
// first filler), or 0x7F answered by ACK alone (the bootloader had reset).
// A probe answered otherwise (a late answer, or a filler that began a new
// command) starts another round: at most SyncRounds, SyncDeadlineMs in all,
// 1 + SyncRounds x (1 + MaxFillers) bytes.
//
// Why answers decide rather than a fixed burst of bytes: only an answer says
// where a unit ended; a burst long enough for the longest frame would leave
// the bootloader inside whatever unit its tail began. A filler can complete
// a frame that happens to check (a 1 in 256 chance inside a data frame,
// writing 0x80 bytes); the upgrade erases the flash after synchronising.
bool BootloaderProtocol::synchronise()
{
    m_failure.clear();
    m_syncAnswer.clear();
    const QString what = QStringLiteral("the synchronisation byte");
    m_log.PrintToConsole(QStringLiteral("SEND SYNC"));
    const std::int64_t until = m_clock.elapsedMs() + SyncDeadlineMs;
    const QByteArray ack(1, char(Ack));
    const QByteArray nack(1, char(Nack));
    auto put = [&](std::uint8_t byte) {
        return m_line.write(QByteArray(1, char(byte)), Pace::Command) || lineFailed(what);
    };
    auto answerWithin = [&](int ms) {
        std::optional<QByteArray> answer = m_line.takeAnswer(ms, DrainLimit, QuietMs, until);
        if (!answer)
            lineFailed(what);
        return answer;
    };
    auto settled = [&](std::uint8_t byte) {
        m_syncAnswer = hexDigits(byte, 2);
        m_log.PrintToConsole(byte == Ack ? QStringLiteral("ACK")
                                         : QStringLiteral("NOT ACK: ready for a command"));
        return true;
    };

    // A late answer to the step that failed must not be taken for this one.
    if (!m_line.purge())
        return fail(QStringLiteral("the link to the pedal failed before ") + what);
    if (!put(Sync))
        return false;
    std::optional<QByteArray> answer = answerWithin(CommandTimeoutMs);
    if (!answer)
        return false;
    m_log.PrintToConsole(QStringLiteral("received: ") + toHexText(*answer, ' '));
    if (*answer == ack)
        return settled(Ack);

    QByteArray last = *answer;
    for (int round = 0; round < SyncRounds && m_clock.elapsedMs() < until; ++round) {
        if (answer->isEmpty()) {
            int fillers = 0;
            while (answer->isEmpty() && fillers < MaxFillers && m_clock.elapsedMs() < until) {
                if (!put(Filler))
                    return false;
                ++fillers;
                answer = answerWithin(fillers == 1 ? ProbeAnswerMs : FillerAnswerMs);
                if (!answer)
                    return false;
            }
            // A unit that takes time to carry out (a write) answers late.
            if (answer->isEmpty() && !(answer = answerWithin(CommandTimeoutMs)))
                return false;
            m_log.PrintToConsole(
                QStringLiteral("filler bytes sent: %1, received: %2").arg(fillers).arg(toHexText(*answer, ' ')));
            if (answer->isEmpty()) {
                failSync({});
                m_syncAnswer = last.isEmpty() ? QString() : hexDigits(std::uint8_t(last.at(0)), 2);
                return false;
            }
            if (fillers == 1 && *answer == nack)
                return settled(Nack);
            last = *answer;
        }
        // The answer has been waited out to a quiet line; drop anything after it.
        if (!m_line.purge())
            return lineFailed(what);
        if (!put(Sync) || !(answer = answerWithin(ProbeAnswerMs)))
            return false;
        m_log.PrintToConsole(QStringLiteral("probe received: ") + toHexText(*answer, ' '));
        if (*answer == ack)
            return settled(Ack);
        if (!answer->isEmpty())
            last = *answer;
    }
    return failSync(last);
}

bool BootloaderProtocol::failSync(const QByteArray &answer)
{
    const QString what = QStringLiteral("the synchronisation byte");
    if (answer.isEmpty())
        return fail(QStringLiteral("no answer within %1 s for %2, nor for the filler bytes after it")
                        .arg(CommandTimeoutMs / 1000)
                        .arg(what));
    const auto byte = std::uint8_t(answer.at(0));
    m_syncAnswer = hexDigits(byte, 2);
    if (byte == Nack)
        return fail(QStringLiteral("no acknowledge for ") + what);
    if (byte != Ack)
        return fail(QStringLiteral("answer 0x%1 instead of an acknowledge for %2").arg(hexDigits(byte, 2), what));
    if (answer.size() > 1)
        return fail(QStringLiteral("a second answer byte 0x%1 after %2").arg(hexDigits(std::uint8_t(answer.at(1)), 2), what));
    return fail(QStringLiteral("no command phase confirmed after %1 rounds of %2").arg(SyncRounds).arg(what));
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
    m_log.PrintToConsole(QStringLiteral("Address: ") + hexDigits(bootloader_address, 8));
    m_log.PrintToConsole(QStringLiteral("address checksum: ") + hexDigits(std::uint8_t(frame.at(4)), 2));
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
    m_log.PrintToConsole(QStringLiteral("N_byte: ") + hexDigits(std::uint8_t(frame.at(0)), 2));
    m_log.PrintToConsole(QStringLiteral("chunk size: ") + QString::number(data.size()));
    m_log.PrintToConsole(QStringLiteral("data checksum: ") + hexDigits(std::uint8_t(frame.at(frame.size() - 1)), 2));
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
    const QString what = QStringLiteral("the version record at 0x") + hexDigits(bootloader_address, 8);
    if (!send_write_command(what))
        return false;
    // The record ends the upgrade: a second answer byte must be seen before
    // the user is told it is complete.
    return send(versionRecordFrame(n), Pace::Command, SettleMs, what) && expectAck(CommandTimeoutMs, what)
           && expectQuiet(what);
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
    // Bytes beyond these are left for the next frame's look at the queue.
    const std::optional<QByteArray> answer = m_line.readBytes(1 + length, CommandTimeoutMs);
    if (!answer) {
        lineFailed(lengthStep);
        return std::nullopt;
    }
    if (answer->isEmpty()) {
        fail(QStringLiteral("no answer within %1 s for %2").arg(CommandTimeoutMs / 1000).arg(lengthStep));
        return std::nullopt;
    }
    if (std::uint8_t(answer->at(0)) != Ack) {
        fail(std::uint8_t(answer->at(0)) == Nack
                 ? QStringLiteral("no acknowledge for ") + lengthStep
                 : QStringLiteral("answer 0x%1 instead of an acknowledge for %2")
                       .arg(hexDigits(std::uint8_t(answer->at(0)), 2), lengthStep));
        return std::nullopt;
    }
    if (answer->size() < 1 + length) {
        fail(QStringLiteral("only %1 of the %2 bytes asked for within %3 s for %4")
                 .arg(answer->size() - 1)
                 .arg(length)
                 .arg(CommandTimeoutMs / 1000)
                 .arg(lengthStep));
        return std::nullopt;
    }
    return answer->mid(1);
}

bool BootloaderProtocol::start_firmware()
{
    m_failure.clear();
    m_log.PrintToConsole(QString());
    m_log.PrintToConsole(QStringLiteral("SEND GO COMMAND"));
    bootloader_address = FirmwareImage::FlashBase;
    const QString command = QStringLiteral("the Go command");
    if (!send(commandFrame(Go), Pace::Command, GoSettleMs, command) || !expectAck(CommandTimeoutMs, command)
        || !expectQuiet(command))
        return false;
    const QByteArray frame = addressFrame(bootloader_address);
    m_log.PrintToConsole(QStringLiteral("SEND ADDRESS + CHECKSUM"));
    m_log.PrintToConsole(QStringLiteral("Address: ") + hexDigits(bootloader_address, 8));
    m_log.PrintToConsole(QStringLiteral("address checksum: ") + hexDigits(std::uint8_t(frame.at(4)), 2));
    const QString address = QStringLiteral("the Go address 0x") + hexDigits(bootloader_address, 8);
    return send(frame, Pace::Command, GoSettleMs, address) && expectAck(CommandTimeoutMs, address)
           && expectQuiet(address);
}
