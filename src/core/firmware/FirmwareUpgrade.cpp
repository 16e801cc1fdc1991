#include "firmware/FirmwareUpgrade.h"

#include "app/LogSink.h"
#include "app/PauseClock.h"
#include "app/UserPrompts.h"
#include "device/Communication.h"
#include "device/D2XXUnit.h"
#include "device/HexText.h"

namespace {

// Between the version record and the message that precedes Go.
constexpr int AfterVersionRecordMs = 10;

}  // namespace

FirmwareUpgrade::FirmwareUpgrade(Communication &communication, LogSink &log, UserPrompts &prompts,
                                 PauseClock &clock)
    : m_communication(communication), m_log(log), m_prompts(prompts), m_clock(clock)
{
}

QString FirmwareUpgrade::entryText(int number)
{
    return QStringLiteral("Firmware_%1").arg(number);
}

void FirmwareUpgrade::FirmwareSelect(const QString &entryText)
{
    selected_firmware_name = entryText;
    selected_firmware_number = entryText.isEmpty() ? 0 : entryText.right(1).toInt();
    m_log.PrintToConsole(QStringLiteral("Firmware Version: ") + QString::number(selected_firmware_number));
    m_log.PrintToConsole(selected_firmware_name);
}

PedalResult FirmwareUpgrade::upgrade(const Options &options)
{
    QString error;
    const std::optional<QByteArray> bytes = FirmwareImage::loadResource(selected_firmware_name, &error);
    if (!bytes) {
        lastError = error;
        m_prompts.showMessage(error);
        return PedalResult::refused(error);
    }
    return upgradeImage(*bytes, selected_firmware_number, options);
}

PedalResult FirmwareUpgrade::upgradeImage(const QByteArray &bytes, int number,
                                                       const Options &options)
{
    lastError.clear();
    m_log.PrintToConsole(QStringLiteral("Firmware num of bytes: ") + QString::number(bytes.size()));
    QString error;
    const std::optional<FirmwareImage> image = FirmwareImage::fromBytes(bytes, &error);
    if (!image) {
        lastError = error;
        m_prompts.showMessage(error);
        return PedalResult::refused(error);
    }
    logChunks(*image);

    const QString what = QStringLiteral("firmware upgrade");
    const auto exchange = m_communication.beginExchange(what);
    if (!exchange)
        return m_communication.busy(what);
    return run(*image, number, options);
}

void FirmwareUpgrade::logChunks(const FirmwareImage &image)
{
    m_log.PrintToConsole(QStringLiteral("num of chunks: ") + QString::number(image.size() / FirmwareImage::ChunkBytes));
    m_log.PrintToConsole(QStringLiteral("num of bytes last chunk: ") + QString::number(image.lastChunkSize()));
    const int count = image.chunkCount();
    for (int i = 0; i < count; ++i) {
        const QByteArray chunk = image.chunk(i);
        if (i == count - 1)
            m_log.PrintToConsole(QStringLiteral("num of bytes last chunk: ") + QString::number(chunk.size()));
        m_log.AppendConsoleLine(QStringLiteral("chunk from string %1: ").arg(i));
        m_log.AppendConsoleLine(toHexText(chunk));
        m_log.AppendConsoleLine(QStringLiteral("chunk %1 size: %2").arg(i).arg(chunk.size()));
        m_log.AppendConsoleLine(QString());
        m_log.AppendConsoleLine(QString());
    }
}

PedalResult FirmwareUpgrade::run(const FirmwareImage &image, int number,
                                              const Options &options)
{
    BootloaderProtocol protocol(m_communication.transport(), m_log, m_clock, options.transfer);
    if (bytePause)
        protocol.line().bytePause = bytePause;
    if (answerPause)
        protocol.line().answerPause = answerPause;

    // Every way out puts the line back as the firmware wants it.
    struct LineGuard {
        BootloaderProtocol &protocol;
        ~LineGuard() { protocol.closeSession(); }
    } guard{protocol};

    auto failed = [&] {
        synchroniseFirst = true;
        lastError = QStringLiteral("Firmware upgrade failed: ") + protocol.failure();
        m_log.PrintToConsole(lastError);
        // A pedal that has gone was told by the driver's box: one is enough.
        if (!m_communication.transport().device_gone)
            m_prompts.showMessage(lastError);
        return PedalResult::failed(lastError);
    };

    if (!protocol.openSession())
        return failed();
    if (synchroniseFirst && !protocol.synchronise())
        return failed();
    if (!protocol.erase_flash())
        return failed();

    m_log.PrintToConsole(QStringLiteral("Start Write Command"));
    m_log.PrintToConsole(QString());
    const int count = image.chunkCount();
    if (onChunkCount)
        onChunkCount(count);
    for (int i = 0; i < count; ++i) {
        if (onChunk)
            onChunk(i);
        // Paced transfer finds each answer waiting after its pause, so the
        // waits need not let the interface run: it repaints (the progress
        // bar, a window being moved) here, once a chunk.
        m_clock.processEvents(0);
        if (!protocol.write_chunk(i, FirmwareImage::chunkAddress(i), image.chunk(i)))
            return failed();
    }

    if (options.verify) {
        m_log.PrintToConsole(QStringLiteral("Start Verify"));
        for (int i = 0; i < count; ++i) {
            const QByteArray chunk = image.chunk(i);
            const std::uint32_t address = FirmwareImage::chunkAddress(i);
            const QString what = QStringLiteral("chunk %1 at 0x%2").arg(i).arg(hexDigits(address, 8));
            const std::optional<QByteArray> back = protocol.read_memory(address, int(chunk.size()), what);
            if (!back)
                return failed();
            if (*back != chunk) {
                qsizetype at = 0;
                while (at < chunk.size() && back->at(at) == chunk.at(at))
                    ++at;
                const std::uint32_t where = address + std::uint32_t(at);
                lastError = QStringLiteral("Firmware upgrade failed: the flash differs from the image at 0x")
                            + hexDigits(where, 8);
                synchroniseFirst = true;
                m_log.PrintToConsole(lastError);
                m_prompts.showMessage(lastError);
                return PedalResult::failed(lastError);
            }
        }
        m_log.PrintToConsole(QStringLiteral("Verified %1 bytes").arg(image.size()));
    }

    if (!protocol.write_version_record(number))
        return failed();
    m_clock.sleep(AfterVersionRecordMs);
    // The bar is full before the user is told it is complete.
    if (onChunk)
        onChunk(count);
    m_prompts.showMessage(QStringLiteral("Firmware Upgrade Complete, device will now restart"));
    if (!protocol.start_firmware())
        return failed();
    synchroniseFirst = false;
    return PedalResult::done();
}
