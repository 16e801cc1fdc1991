#include "algorithms/AlgorithmUpload.h"

#include "algorithms/EffectLibrary.h"
#include "app/BoundedFile.h"
#include "app/LogSink.h"
#include "app/PauseClock.h"
#include "app/UserPrompts.h"
#include "device/Communication.h"
#include "device/D2XXUnit.h"
#include "device/HexText.h"
#include "device/PedalCommand.h"

#include <QDir>
#include <QFileInfo>
#include <cstring>

AlgorithmUpload::AlgorithmUpload(Communication &communication, LogSink &log, UserPrompts &prompts,
                                 PauseClock &clock)
    : m_communication(communication), m_log(log), m_prompts(prompts), m_clock(clock)
{
}

void AlgorithmUpload::send_upload_announcement()
{
    m_communication.send_message(bareCommandMessage(PedalCommand::UploadAnnouncement), 2, false);
}

PedalResult AlgorithmUpload::refuse(const QString &why)
{
    m_prompts.showMessage(why);
    return PedalResult::refused(why);
}

PedalResultOf<QByteArray> AlgorithmUpload::carriedImage(const QString &effectName)
{
    if (effectName.isEmpty())
        return refuse(QStringLiteral("No effect is chosen: click one in the effect list, then Upload Selected."));
    EffectLibrary library(m_prompts);
    const QString resource = EffectLibrary::format_resource_name(effectName);
    m_log.PrintToConsole(QStringLiteral("resource name: ") + resource);
    if (!library.read_file_from_stream(resource))
        return PedalResult::refused(QStringLiteral("The effect %1 cannot be loaded").arg(resource));
    const QString line = library.resource_lines.value(0);
    const int n = int(line.size() / 2);
    m_log.PrintToConsole(QStringLiteral("size: ") + QString::number(n));
    m_log.PrintToConsole(QStringLiteral("filecontent (first 128 bytes): ") + line.left(256));
    QByteArray image(n, '\0');
    const int converted =
        convertHexPairs(line, reinterpret_cast<std::uint8_t *>(image.data()), n);
    m_log.PrintToConsole(QStringLiteral("num of bytes: ") + QString::number(converted));
    // Only what is really the image goes out: never bytes in its place.
    if (converted == 0 || converted < n)
        return refuse(QStringLiteral("Effect image %1 is damaged: nothing was sent").arg(resource));
    return image;
}

bool AlgorithmUpload::looksLikeImage(const QByteArray &bytes)
{
    if (bytes.size() < 3)
        return false;
    const auto b = [&](int i) { return std::uint32_t(std::uint8_t(bytes.at(i))); };
    return ((b(0) << 16) | (b(1) << 8) | b(2)) == std::uint32_t(bytes.size());
}

QString AlgorithmUpload::shownText(const QByteArray &bytes)
{
    QString text;
    text.reserve(bytes.size());
    for (char c : bytes) {
        const auto byte = std::uint8_t(c);
        if (byte == '\\')
            text += QStringLiteral("\\\\");
        else if ((byte < 0x20 && byte != '\r' && byte != '\n') || (byte >= 0x7F && byte < 0xA0))
            text += QStringLiteral("\\x") + hexDigits(byte, 2);
        else
            text += QChar(char16_t(byte));
    }
    return text;
}

PedalResultOf<QByteArray> AlgorithmUpload::fileImage(const QString &path)
{
    // Paths are shown as the system writes them (backslashes on Windows).
    const QString shown = QDir::toNativeSeparators(path);
    m_log.PrintToConsole(QStringLiteral("Opening - ") + QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()));
    // A file larger than any image is refused unread.
    const BoundedFile file(path, MaxImageBytes);
    if (file.outcome() == BoundedFile::Outcome::TooLarge)
        return refuse(QStringLiteral("%1 is larger than %2 bytes, more than the pedal takes: nothing was sent")
                          .arg(shown)
                          .arg(MaxImageBytes));
    if (!file.ok())
        return refuse(QStringLiteral("Cannot open %1: %2").arg(shown, file.errorString()));
    const QByteArray &bytes = file.bytes();
    if (bytes.isEmpty())
        return refuse(QStringLiteral("%1 is empty: nothing was sent").arg(shown));
    if (!looksLikeImage(bytes)
        && !m_prompts.askYesNo(QStringLiteral("This file does not look like an effect algorithm. Upload anyway?")))
        return PedalResult::declined(QStringLiteral("Nothing uploaded"));
    return bytes;
}

PedalResult AlgorithmUpload::failure() const
{
    return PedalResult::failed(QStringLiteral("The upload failed: ") + m_communication.transport().last_failure);
}

PedalResult AlgorithmUpload::upload(const QByteArray &image, bool fromFile, const Observer &observer,
                                    int answerLimitMs)
{
    announced = false;
    if (!m_prompts.askYesNo(QStringLiteral("Upload the selected algorithm?")))
        return PedalResult::declined(QStringLiteral("Nothing uploaded"));
    // The announcement, the image and the answer belong together.
    const QString what = QStringLiteral("algorithm upload");
    const auto exchange = m_communication.beginExchange(what);
    if (!exchange)
        return m_communication.busy(what);
    D2XXUnit &transport = m_communication.transport();
    if (!m_communication.discardStrayBytes())
        return failure();
    send_upload_announcement();
    announced = true;
    if (transport.device_gone)
        return failure();
    m_clock.sleep(AnnouncementPauseMs);
    m_waitStart = m_clock.elapsedMs();
    if (observer.waiting)
        observer.waiting();

    const int n = int(std::min<qsizetype>(image.size(), MaxImageBytes));
    std::memcpy(transport.output_buffer.data(), image.constData(), size_t(n));
    transport.WriteFTDevice(std::uint32_t(n));
    if (transport.device_gone)
        return failure();
    if (fromFile) {
        m_log.PrintToConsole(QString::number(transport.ft_status == 0 ? n : 0) + QStringLiteral(" Bytes Sent ..."));
    } else {
        m_log.PrintToConsole(QStringLiteral("write to device"));
        if (observer.showStatus)
            observer.showStatus(QStringLiteral("Uploading..."));
    }
    return awaitAnswer(fromFile, observer, answerLimitMs);
}

PedalResult AlgorithmUpload::silence(std::int64_t since)
{
    const std::int64_t seconds = (m_clock.elapsedMs() - since + 500) / 1000;
    const QString why = QStringLiteral("Upload Failed: the pedal did not answer within %1 s").arg(seconds);
    m_log.PrintToConsole(why);
    return PedalResult::failedUntold(why);
}

PedalResult AlgorithmUpload::awaitAnswer(bool fromFile, const Observer &observer, int answerLimitMs)
{
    D2XXUnit &transport = m_communication.transport();
    answer.clear();
    const std::int64_t start = m_clock.elapsedMs();
    for (;;) {
        if (transport.QueryFTQueueStatus() != 0)
            return failure();
        if (transport.rx_queue_count > 0)
            break;
        if (m_clock.elapsedMs() - start >= answerLimitMs || (observer.givenUp && observer.givenUp()))
            return silence(m_waitStart);
        // The window goes on painting and its timer marks a late answer.
        m_clock.processEvents(Communication::PollMs);
    }
    // The answer is short text; it may come in pieces. Each piece is shown
    // in place of the one before, until the line has been quiet a while.
    std::int64_t lastPieceAt = m_clock.elapsedMs();
    while (answer.size() < Communication::TextReplyLimit) {
        if (transport.QueryFTQueueStatus() != 0)
            return failure();
        if (transport.rx_queue_count > 0) {
            const std::uint32_t n =
                transport.ReadFTDevice(std::uint32_t(Communication::TextReplyLimit - answer.size()));
            if (transport.ft_status != 0)
                return failure();
            if (fromFile)
                m_log.PrintToConsole(QStringLiteral("num of bytes received from device: ") + QString::number(n));
            const QByteArray piece(reinterpret_cast<const char *>(transport.input_buffer.data()), int(n));
            answer.append(piece);
            m_log.PrintToConsole(QStringLiteral("received: ") + shownText(piece.left(ShownAnswerBytes)));
            // The status line shows the answer as far as it has come: how the
            // driver happened to cut it into reads is not the pedal's word.
            if (observer.showStatus)
                observer.showStatus(shownText(answer.left(ShownAnswerBytes)));
            lastPieceAt = m_clock.elapsedMs();
        } else if (m_clock.elapsedMs() - lastPieceAt > Communication::ReplyGapMs) {
            if (fromFile)
                m_log.PrintToConsole(QStringLiteral("num of bytes received from device: 0"));
            break;
        }
        m_clock.processEvents(Communication::PollMs);
    }
    transport.PurgeFTReceive();
    return PedalResult::done();
}
