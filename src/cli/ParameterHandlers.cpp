#include "ParameterHandlers.h"

#include "ConsoleOutput.h"
#include "ExitStatus.h"
#include "Invocation.h"
#include "ParameterTool.h"
#include "ToolCommand.h"
#include "params/ParameterInput.h"

#include <QCommandLineParser>

const QStringList &ParameterHandlers::assignOptions()
{
    static const QStringList options{QStringLiteral("ctrl1"), QStringLiteral("ctrl2"), QStringLiteral("ctrl3"),
                                     QStringLiteral("ctrl4"), QStringLiteral("remote")};
    return options;
}

void ParameterHandlers::addAssignOptions(QCommandLineParser &parser)
{
    for (int k = 0; k < ControlCount; ++k)
        parser.addOption({assignOptions()[k],
                          QStringLiteral("assign: what %1 does.")
                              .arg(toQString(ControlNames[k])),
                          k == RemoteControl ? QStringLiteral("bypass|preset") : QStringLiteral("NAME")});
}

int ParameterHandlers::set(const Invocation &run)
{
    const QStringList &args = run.args();
    QString error;
    const std::optional<int> slot = ParameterInput::slotNamed(args[1], &error);
    if (!slot) {
        err(error);
        return UsageError;
    }
    if (ParameterTable[std::size_t(*slot)].addressField == 0) {
        const std::string_view name = ParameterTable[std::size_t(*slot)].name;
        err(QStringLiteral("%1 has no address in the algorithm image and cannot be set live.")
                .arg(toQString(name)));
        return UsageError;
    }
    const std::optional<std::uint32_t> value = ParameterInput::valueFor(*slot, args[2], &error);
    if (!value) {
        err(error);
        return UsageError;
    }
    return run.withPedal([&](PedalSession &session) {
        return ParameterTool(session).set({*slot, *value});
    });
}

int ParameterHandlers::store(const Invocation &run)
{
    QList<ParameterTool::Change> changes;
    for (const QString &pair : run.args().mid(1)) {
        const qsizetype equals = pair.indexOf(QLatin1Char('='));
        if (equals < 0) {
            err(run.command().usageError(pair));
            return UsageError;
        }
        QString error;
        const std::optional<int> slot = ParameterInput::slotNamed(pair.left(equals), &error);
        if (!slot) {
            err(error);
            return UsageError;
        }
        if (!ParameterTable[std::size_t(*slot)].assignable) {
            err(QStringLiteral("store keeps only Input Level, 1st Harmonic Pitch, Wave Clip, Dominant Notes Cut "
                               "and High Notes Cut; send %1 with set.")
                    .arg(pair.left(equals).trimmed()));
            return UsageError;
        }
        for (const ParameterTool::Change &earlier : changes) {
            if (earlier.slot == *slot) {
                err(QStringLiteral("store names %1 twice.").arg(pair.left(equals).trimmed()));
                return UsageError;
            }
        }
        const std::optional<std::uint32_t> value = ParameterInput::valueFor(*slot, pair.mid(equals + 1), &error);
        if (!value) {
            err(error);
            return UsageError;
        }
        changes.append({*slot, *value});
    }
    if (!run.confirmationPossible(QStringLiteral("store")))
        return UsageError;
    return run.withPedal([&](PedalSession &session) {
        return ParameterTool(session).store(changes);
    });
}

int ParameterHandlers::assign(const Invocation &run)
{
    std::array<int, ControlCount> entries{};  // a control left out: Not Assigned
    for (int k = 0; k < ControlCount; ++k) {
        const QString &option = assignOptions()[k];
        if (!run.isSet(option))
            continue;
        QString error;
        const std::optional<int> entry =
            ParameterInput::assignmentEntryNamed(k, Invocation::unprotected(run.parser().value(option)), &error);
        if (!entry) {
            err(QStringLiteral("--%1: ").arg(option) + error);
            return UsageError;
        }
        entries[std::size_t(k)] = *entry;
    }
    if (!run.confirmationPossible(QStringLiteral("assign")))
        return UsageError;
    return run.withPedal([&](PedalSession &session) {
        return ParameterTool(session).assign(entries);
    });
}

int ParameterHandlers::footswitch(const Invocation &run)
{
    QString error;
    const std::optional<FootswitchChoice> choice =
        ParameterInput::footswitchChoice(run.args()[1], run.args()[2], &error);
    if (!choice) {
        err(error);
        return UsageError;
    }
    return run.withPedal([&](PedalSession &session) {
        return ParameterTool(session).footswitch(*choice);
    });
}

int ParameterHandlers::preset(const Invocation &run)
{
    const QStringList &args = run.args();
    const bool store = run.isSet(QStringLiteral("store"));
    const QString path = args[2];
    if (args[1] == QLatin1String("save"))
        return run.withPedal([&](PedalSession &session) { return ParameterTool(session).savePreset(path); });

    // The file is believed, whole, before anything is sent.
    QString error;
    const std::optional<PresetFile::Values> values = PresetFile::readFile(path, &error);
    if (!values) {
        err(error);
        return UsageError;
    }
    if (store && !run.confirmationPossible(QStringLiteral("preset load --store")))
        return UsageError;
    return run.withPedal([&](PedalSession &session) {
        return ParameterTool(session).loadPreset(*values, store);
    });
}
