#include "ConsoleOutput.h"
#include "FlashTool.h"

#include "ExitStatus.h"
#include "Invocation.h"
#include "PedalSession.h"
#include "app/BoundedFile.h"
#include "firmware/FirmwareImage.h"
#include "firmware/FirmwareUpgrade.h"

#include <QCommandLineParser>
#include <algorithm>
#include <cstdio>
#include <unistd.h>

namespace {

// A bar of 40 cells on standard error, redrawn in place; only on a terminal,
// so that logs and pipes get no control characters.
class ProgressBar {
public:
    ProgressBar() : m_terminal(::isatty(STDERR_FILENO) == 1) {}
    ~ProgressBar() { finish(); }

    void setTotal(int total) { m_total = total; }
    void show(int done)
    {
        if (!m_terminal || m_total <= 0)
            return;
        constexpr int Cells = 40;
        const int filled = int(qint64(done) * Cells / m_total);
        std::fprintf(stderr, "\r[%s%s] %d/%d chunks", QByteArray(filled, '#').constData(),
                     QByteArray(Cells - filled, '.').constData(), done, m_total);
        std::fflush(stderr);
        m_drawn = true;
    }
    void finish()
    {
        if (m_drawn)
            std::fprintf(stderr, "\n");
        m_drawn = false;
    }

private:
    bool m_terminal;
    bool m_drawn = false;
    int m_total = 0;
};

// The carried firmware numbers one by one, "5, 6, 7 or 8".
QString carriedChoices()
{
    QStringList texts;
    for (const int number : FirmwareImage::firmware_numbers())
        texts << QString::number(number);
    const QString last = texts.isEmpty() ? QString() : texts.takeLast();
    return texts.isEmpty() ? last : texts.join(QStringLiteral(", ")) + QStringLiteral(" or ") + last;
}

}  // namespace

QString FlashTool::carriedRange()
{
    const QList<int> numbers = FirmwareImage::firmware_numbers();
    if (numbers.size() < 2)
        return numbers.isEmpty() ? QString() : QString::number(numbers.first());
    return QStringLiteral("%1 to %2").arg(numbers.first()).arg(numbers.last());
}

void FlashTool::addOptions(QCommandLineParser &parser)
{
    parser.addOption({QStringLiteral("firmware"),
                      QStringLiteral("flash: the carried firmware to write, %1 (the newest by default).").arg(carriedRange()),
                      QStringLiteral("N")});
    parser.addOption({QStringLiteral("fast"),
                      QStringLiteral("flash: send each frame in one write, the line at 8E1, without pauses.")});
    parser.addOption({QStringLiteral("verify"),
                      QStringLiteral("flash: read the image back before the version record is written.")});
}

int FlashTool::handle(const Invocation &run)
{
    Request request;
    if (const int status = prepare(run.parser(), &request); status != Success)
        return status;
    return run.withPedal([&](PedalSession &session) { return FlashTool(session).flash(request); });
}

int FlashTool::prepare(const QCommandLineParser &parser, Request *request)
{
    const bool fromFile = parser.isSet(QStringLiteral("file"));
    const bool named = parser.isSet(QStringLiteral("firmware"));
    request->fast = parser.isSet(QStringLiteral("fast"));
    request->verify = parser.isSet(QStringLiteral("verify"));
    // A file is recorded as the newest firmware carried.
    request->number = FirmwareImage::newestNumber();
    QString error;
    if (fromFile) {
        // A file larger than any image is refused unread.
        const QString path = parser.value(QStringLiteral("file"));
        const BoundedFile file(path, FirmwareImage::MaxBytes);
        if (file.outcome() == BoundedFile::Outcome::TooLarge) {
            err(QStringLiteral("%1: the firmware image of %2 bytes is larger than the %3 bytes of flash "
                               "below the version record")
                    .arg(path)
                    .arg(file.size())
                    .arg(FirmwareImage::MaxBytes));
            return UsageError;
        }
        if (!file.ok()) {
            err(path + QStringLiteral(": ") + file.errorString());
            return UsageError;
        }
        request->image = file.bytes();
    } else {
        if (named) {
            bool ok = false;
            request->number = parser.value(QStringLiteral("firmware")).toInt(&ok);
            if (!ok || !FirmwareImage::firmware_numbers().contains(request->number)) {
                err(QStringLiteral("--firmware takes %1, not \"%2\".")
                        .arg(carriedChoices(), parser.value(QStringLiteral("firmware"))));
                return UsageError;
            }
        }
        const std::optional<QByteArray> bytes =
            FirmwareImage::loadResource(FirmwareImage::resourceName(request->number), &error);
        if (!bytes) {
            err(error);
            return UsageError;
        }
        request->image = *bytes;
    }
    if (!FirmwareImage::fromBytes(request->image, &error)) {
        err(error);
        return UsageError;
    }
    return Success;
}

int FlashTool::flash(const Request &request)
{
    FirmwareUpgrade upgrade(m_session.communication(), m_session.prompts(), m_session.prompts(),
                            m_session.clock());
    // No Connect has synchronised with this bootloader.
    upgrade.synchroniseFirst = true;
    ProgressBar bar;
    upgrade.onChunk = [&bar](int index) { bar.show(index); };
    FirmwareUpgrade::Options options;
    options.transfer = request.fast ? BootloaderProtocol::Transfer::Fast : BootloaderProtocol::Transfer::Paced;
    options.verify = request.verify;
    int total = 0;
    upgrade.onChunkCount = [&](int chunks) {
        total = chunks;
        bar.setTotal(chunks);
    };
    const PedalResult flashed = upgrade.upgradeImage(request.image, request.number, options);
    if (flashed)
        bar.show(total);
    bar.finish();
    return m_session.exitStatus(flashed);
}
