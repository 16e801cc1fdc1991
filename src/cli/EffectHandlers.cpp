#include "EffectHandlers.h"

#include "ConsoleOutput.h"
#include "ConsolePrompts.h"
#include "ExitStatus.h"
#include "Invocation.h"
#include "MidiTool.h"
#include "TuningTool.h"
#include "UploadTool.h"
#include "algorithms/EffectLibrary.h"

#include <QCommandLineParser>
#include <QRegularExpression>

int EffectHandlers::uploadTuning(const Invocation &run)
{
    if (!run.confirmationPossible(QStringLiteral("upload-tuning")))
        return UsageError;
    return run.withPedal([&](PedalSession &session) { return TuningTool(session).uploadTuning(); });
}

int EffectHandlers::tuning(const Invocation &run)
{
    QString error;
    const std::optional<std::uint8_t> tuning = TuningTool::tuningNamed(run.args()[1], &error);
    if (!tuning) {
        err(error);
        return UsageError;
    }
    const std::optional<std::int8_t> semitones = TuningTool::semitonesFrom(run.args()[2], &error);
    if (!semitones) {
        err(error);
        return UsageError;
    }
    if (!run.confirmationPossible(QStringLiteral("tuning")))
        return UsageError;
    return run.withPedal([&](PedalSession &session) {
        return TuningTool(session).setTuning(*tuning, *semitones);
    });
}

int EffectHandlers::midi(const Invocation &run)
{
    QString error;
    const std::optional<QString> item = MidiTool::channelNamed(run.args()[1], &error);
    if (!item) {
        err(error);
        return UsageError;
    }
    return run.withPedal([&](PedalSession &session) { return MidiTool(session).setChannel(*item); });
}

int EffectHandlers::uploadAlgorithm(const Invocation &run)
{
    const QStringList &args = run.args();
    const bool fromFile = run.isSet(QStringLiteral("file"));
    if (!fromFile) {
        // Only what the effect list offers: it names exactly the images carried.
        ConsolePrompts quiet(false);
        EffectLibrary library(quiet);
        library.read_file_from_stream(QString::fromLatin1(EffectLibrary::EffectListName));
        if (!library.resource_lines.contains(args[1])) {
            err(QStringLiteral("No effect \"%1\"; the effects are: %2")
                    .arg(args[1], library.resource_lines.filter(QRegularExpression(QStringLiteral("\\S")))
                                      .join(QStringLiteral(", "))));
            return UsageError;
        }
    }
    if (!run.confirmationPossible(QStringLiteral("upload-algorithm")))
        return UsageError;
    return run.withPedal([&](PedalSession &session) {
        return fromFile ? UploadTool(session).uploadFile(run.parser().value(QStringLiteral("file")))
                        : UploadTool(session).uploadEffect(args[1]);
    });
}
