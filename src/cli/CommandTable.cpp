#include "CommandTable.h"

#include "BackupHandlers.h"
#include "ConsoleOutput.h"
#include "DeveloperTool.h"
#include "EffectHandlers.h"
#include "ExitStatus.h"
#include "FlashTool.h"
#include "InfoHandlers.h"
#include "Invocation.h"
#include "ParameterHandlers.h"

#include <QCommandLineParser>

namespace {

// The arguments checks: the command's name is args()[0].

bool noArguments(const Invocation &run)
{
    return run.args().size() == 1;
}

bool anyArguments(const Invocation &)
{
    return true;
}

template <int Count>
bool exactly(const Invocation &run)
{
    return run.args().size() == Count + 1;
}

bool uploadAlgorithmArguments(const Invocation &run)
{
    return run.args().size() == (run.isSet(QStringLiteral("file")) ? 1 : 2);
}

bool flashArguments(const Invocation &run)
{
    return run.args().size() == 1 && !(run.isSet(QStringLiteral("file")) && run.isSet(QStringLiteral("firmware")));
}

bool presetArguments(const Invocation &run)
{
    const QStringList &args = run.args();
    if (args.size() != 3)
        return false;
    if (args[1] == QLatin1String("load"))
        return true;
    return args[1] == QLatin1String("save") && !run.isSet(QStringLiteral("store"));
}

bool eepromArguments(const Invocation &run)
{
    const QString action = run.args().value(1);
    return run.args().size() == 4 && (action == QLatin1String("dump") || action == QLatin1String("erase"));
}

// Checks that come before the command is looked up, in this order.
bool commonOptionsFit(const QString &name, const DriverSelection::Options &options,
                      const QCommandLineParser &parsed)
{
    if (!options.simulateError.isEmpty()) {
        err(options.simulateError);
        return false;
    }
    if (options.simulate && !options.ports.isEmpty()) {
        err(QStringLiteral("--simulate and --port cannot be used together."));
        return false;
    }
    if (name != QLatin1String("assign")) {
        for (const QString &option : ParameterHandlers::assignOptions()) {
            if (parsed.isSet(option)) {
                err(QStringLiteral("--%1 is an option of assign only.").arg(option));
                return false;
            }
        }
    }
    return true;
}

QList<ToolCommand> makeCommands()
{
    // Descriptions are wrapped at the width of --help's first lines.
    return {
        {"list",
         {{"list", {"List the attached pedals: serial number, description and driver,", "one per line."}}},
         "no arguments", nullptr, noArguments, InfoHandlers::list},
        {"status",
         {{"status", {"Read the pedal's state (--json for one JSON object)."}}},
         "no arguments", nullptr, noArguments, InfoHandlers::status},
        {"set",
         {{"set NAME VALUE",
           {"Send one parameter live. VALUE is a dial position 0-1023, a step,",
            "1/0 for a switch, a pitch entry -12..+12, or 0x and the raw value."}}},
         "NAME VALUE, for example: set \"Input Level\" 512", nullptr, exactly<2>, ParameterHandlers::set},
        // Each pair is checked in turn by the handler, which names the one
        // that is no NAME=VALUE pair with this row's usage error.
        {"store",
         {{"store [NAME=VALUE]",
           {"Store Input Level, 1st Harmonic Pitch, Wave Clip, Dominant Notes Cut",
            "and High Notes Cut: the pedal's values with those named sent live", "first. Asks first (--yes)."}}},
         "NAME=VALUE pairs", nullptr, anyArguments, ParameterHandlers::store},
        {"assign",
         {{"assign",
           {"Assign the controls: --ctrl1/--ctrl2 Input Level|1st Harmonic Pitch|",
            "Wave Clip, --ctrl3/--ctrl4 Dominant Notes Cut|High Notes Cut,",
            "--remote bypass|preset; a control left out is Not Assigned.", "Asks first (--yes)."}}},
         "options only: --ctrl1 NAME --ctrl2 NAME --ctrl3 NAME --ctrl4 NAME --remote bypass|preset", nullptr,
         noArguments, ParameterHandlers::assign},
        {"footswitch",
         {{"footswitch SHORT LONG", {"What the footswitch's short and long presses do: bypass or preset."}}},
         "SHORT LONG, each bypass or preset", nullptr, exactly<2>, ParameterHandlers::footswitch},
        {"upload-tuning",
         {{"upload-tuning", {"Upload the tuning filter table. Asks first (--yes)."}}},
         "no arguments", nullptr, noArguments, EffectHandlers::uploadTuning},
        {"tuning",
         {{"tuning TUNING SEMITONES",
           {"Set the guitar tuning, by number 0-7 or name (\"Drop D (DADGBE)\"),",
            "tuned -5..+3 semitones from it. Asks first (--yes)."}}},
         "TUNING SEMITONES, for example: tuning \"Drop D (DADGBE)\" -2", nullptr, exactly<2>,
         EffectHandlers::tuning},
        {"midi",
         {{"midi CHANNEL", {"Set the MIDI channel: omni or 1-16."}}},
         "CHANNEL: omni or 1 to 16", nullptr, exactly<1>, EffectHandlers::midi},
        {"upload-algorithm",
         {{"upload-algorithm NAME | --file FILE",
           {"Upload an effect algorithm: a carried one by its name in the effect",
            "list, or a file. Prints the pedal's answer. Asks first (--yes)."}}},
         "NAME, as the effect list names it (\"Sombrant MK3 0010\"), or --file FILE", nullptr,
         uploadAlgorithmArguments, EffectHandlers::uploadAlgorithm},
        {"flash",
         {{"flash [--firmware N | --file FILE] [--fast] [--verify]",
           {"Upgrade the firmware of a pedal in its bootloader: erase, write the",
            "image (a carried one, the newest by default), record its version, Go."}}},
         QStringLiteral("--firmware N (%1) or --file FILE, not both, and no other argument")
             .arg(FlashTool::carriedRange()),
         nullptr, flashArguments,
         FlashTool::handle},
        {"preset",
         {{"preset save FILE", {"Write the pedal's fifteen values to a preset file."}},
          {"preset load FILE [--store]",
           {"Send a preset's values as the parameter window would; with --store,",
            "then store the five assignable ones (asks first, --yes)."}}},
         "save FILE or load FILE [--store]", nullptr, presetArguments, ParameterHandlers::preset},
        {"backup",
         {{"backup FILE",
           {"Read the pedal's versions, values, assignments, footswitch mode,",
            "tuning and the whole EEPROM of both devices into one backup file."}}},
         "FILE", nullptr, exactly<1>, BackupHandlers::backup},
        {"restore",
         {{"restore FILE",
           {"Write a backup's values, assignments, footswitch mode and tuning back",
            "to a pedal running the same algorithm. Asks first (--yes)."}}},
         "FILE", nullptr, exactly<1>, BackupHandlers::restore},
        {"eeprom",
         {{"eeprom dump START END [--device 50|51]",
           {"List the pedal's EEPROM bytes START to END (0-16383), one line each."}},
          {"eeprom erase FIRST LAST", {"Erase the EEPROM pages FIRST to LAST (0-255)."}}},
         "dump START END [--device 50|51], or erase FIRST LAST", DeveloperTool::deviceOptionError,
         eepromArguments, DeveloperTool::eeprom},
        {"raw",
         {{"raw ADDRESS DATA", {"Send a parameter-write message: 4 and 8 hexadecimal digits."}}},
         "ADDRESS DATA: 4 and 8 hexadecimal digits", DeveloperTool::deviceOptionError, exactly<2>,
         DeveloperTool::raw},
        {"calc-coeff",
         {{"calc-coeff NOTE Q GAIN",
           {"Print the peaking filter's coefficient array for a note (A1-G#5),",
            "Q and gain in dB. Needs no pedal."}}},
         "NOTE Q GAIN: a note A1 to G#5, Q above 0, the gain in dB", DeveloperTool::deviceOptionError,
         exactly<3>, DeveloperTool::calcCoeff},
        {"check-update",
         {{"check-update",
           {"Ask the vendor's web server for the newest editor version and print",
            "the result. Needs no pedal."}}},
         "no arguments", nullptr, noArguments, InfoHandlers::checkUpdate},
    };
}

}  // namespace

const QList<ToolCommand> &CommandTable::commands()
{
    static const QList<ToolCommand> table = makeCommands();
    return table;
}

QString CommandTable::description()
{
    QString text = QStringLiteral("Sombrant MK3 pedal operations.\n\nCommands:\n");
    for (const ToolCommand &command : commands())
        text += command.helpText();
    return text
           + QStringLiteral("\nParameter names, list entries and tuning names are matched without regard to "
                            "letter case.");
}

const ToolCommand *CommandTable::find(const QString &name)
{
    for (const ToolCommand &command : commands())
        if (command.name == name)
            return &command;
    return nullptr;
}

int CommandTable::dispatch(const QStringList &args, const QCommandLineParser &parsed)
{
    const QString name = args.first();
    const DriverSelection::Options options = DriverSelection::optionsFrom(parsed);
    if (!commonOptionsFit(name, options, parsed))
        return UsageError;
    const ToolCommand *command = find(name);
    if (!command) {
        err(QStringLiteral("Unknown command \"%1\"; try --help.").arg(name));
        return UsageError;
    }
    const Invocation run(*command, args, parsed, options);
    const QString optionError = command->optionError ? command->optionError(run) : QString();
    if (!optionError.isEmpty()) {
        err(optionError);
        return UsageError;
    }
    if (!command->argumentsFit(run)) {
        err(command->usageError());
        return UsageError;
    }
    return command->run(run);
}
