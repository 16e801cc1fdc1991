// sombrant: the pedal's operations from the command line, for scripts and
// production lines. Exit status (ExitStatus.h): 0 success, 1 the pedal failed
// or did not answer, or a question was answered No, 2 a usage error. Errors go
// to standard error. Arguments are checked before the pedal is opened.

#include "ConsoleOutput.h"
#include "ConsolePrompts.h"
#include "ExitStatus.h"
#include "DeveloperTool.h"
#include "MidiTool.h"
#include "ParameterTool.h"
#include "PedalSession.h"
#include "TuningTool.h"
#include "UploadTool.h"
#include "FlashTool.h"
#include "UpdateCheckTool.h"
#include "algorithms/EffectLibrary.h"
#include "device/D2XXUnit.h"
#include "device/DriverSelection.h"
#include "device/SerialPortDriver.h"
#include "device/StatusRequest.h"
#include "params/ParameterInput.h"
#include "updates/UpdateServer.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QRegularExpression>
#include <cstdio>
#include <functional>

#include "BuildVersion.h"

namespace {

// One line per listed device: serial number, description and driver,
// separated by tabs. A port named with --port is listed only when it exists
// and opens; otherwise the system's reason is given and the exit status is 1.
int listDevices(D2XXUnit &transport, const QStringList &explicitPorts)
{
    QStringList unusable;
    for (const QString &port : explicitPorts) {
        QString reason;
        if (!SerialPortDriver::probe(port, &reason)) {
            err(port + QStringLiteral(": ") + reason);
            unusable << port;
        }
    }
    if (transport.GetFTDeviceCount() != ft::Ok)
        return PedalFailure;
    if (transport.device_count == 0) {
        if (unusable.isEmpty())
            err(QStringLiteral("No device found"));
        return PedalFailure;
    }
    const QString driver = transport.driver().driverName();
    for (std::uint32_t i = 0; i < transport.device_count; ++i) {
        if (transport.GetFTDeviceSerialNo(i) != ft::Ok)
            return PedalFailure;
        const QString serial = QString::fromLocal8Bit(transport.FT_Device_String);
        if (transport.GetFTDeviceDescription(i) != ft::Ok)
            return PedalFailure;
        const QString description = QString::fromLocal8Bit(transport.FT_Device_String);
        if (!unusable.contains(serial))
            out(serial + QLatin1Char('\t') + description + QLatin1Char('\t') + driver);
    }
    return unusable.isEmpty() ? Success : PedalFailure;
}

// The pedal's state, for a person.
void printStatus(const DeviceStatus &status)
{
    out(QStringLiteral("Firmware: ") + status.device_firmware_version);
    out(QStringLiteral("Algorithm: ") + status.device_algorithm_version);
    out(QStringLiteral("Effect: ") + status.device_effect_number);
    out(QStringLiteral("Footswitch mode: ") + QString::number(status.footswitch_mode));
    for (int k = 0; k < ControlCount; ++k) {
        const auto &a = status.assignments[k];
        out(toQString(ControlNames[k]) + QStringLiteral(": ")
            + (a.assigned ? hex(a.address, 4) : QStringLiteral("not assigned")));
    }
    out(QStringLiteral("Tuning: ") + QString::number(status.tuning));
    out(QStringLiteral("Semitones: ") + QString::number(status.semitones));
    for (int i = 0; i < ParameterSlotCount; ++i)
        out(toQString(ParameterSlotNames[i])
            + QStringLiteral(": ") + hex(status.parameterValues[i], 8));
}

// Opens the pedal and runs one command on it.
int withPedal(const DriverSelection::Options &options, const QCommandLineParser &parser,
              const std::function<int(PedalSession &)> &command)
{
    PedalSession session(options, parser.isSet(QStringLiteral("verbose")));
    bool usageError = false;
    if (!session.open(parser.value(QStringLiteral("serial")), &usageError))
        return usageError ? UsageError : PedalFailure;
    // Nobody can answer without --yes or a terminal; such runs were refused
    // before the pedal was opened.
    if (parser.isSet(QStringLiteral("yes")))
        session.prompts().setConfirmation(ConsolePrompts::Confirmation::Given);
    else if (ConsolePrompts::standardInputIsTerminal())
        session.prompts().setConfirmation(ConsolePrompts::Confirmation::AskAtTerminal);
    return command(session);
}

int readStatus(PedalSession &session, const QCommandLineParser &parser)
{
    StatusRequest request(session.communication(), session.prompts(), session.prompts(),
                          session.clock());
    const auto status = request.request_device_status();
    if (!status)
        return PedalFailure;
    if (parser.isSet(QStringLiteral("json")))
        out(QString::fromUtf8(status->toJson()));
    else
        printStatus(*status);
    return Success;
}

// The assignment options, one per control in control order.
const QStringList AssignOptions{QStringLiteral("ctrl1"), QStringLiteral("ctrl2"), QStringLiteral("ctrl3"),
                                QStringLiteral("ctrl4"), QStringLiteral("remote")};

// QCommandLineParser takes "-12" or "-1 Oct" for short options, but they are
// a pitch entry and a parameter's name: no option of the tool starts with a
// digit. Such arguments (before a "--") are marked so that the parser leaves
// them as they are, and unmarked after parsing.
const QChar ProtectedMark(0xE000);  // a private-use character: never typed

QStringList protectDashDigits(const QStringList &arguments)
{
    static const QRegularExpression dashDigit(QStringLiteral("^-[0-9]"));
    QStringList protectedArguments;
    bool optionsEnded = false;
    for (const QString &argument : arguments) {
        if (argument == QLatin1String("--"))
            optionsEnded = true;
        protectedArguments << (!optionsEnded && dashDigit.match(argument).hasMatch() ? ProtectedMark + argument
                                                                                     : argument);
    }
    return protectedArguments;
}

QString unprotected(const QString &argument)
{
    return argument.startsWith(ProtectedMark) ? argument.mid(1) : argument;
}

// A command that writes the pedal's memory asks first: the answer comes from
// --yes or from the person at the terminal. Without either it is refused
// before anything is sent.
bool confirmationPossible(const QString &command, const QCommandLineParser &parser)
{
    if (parser.isSet(QStringLiteral("yes")) || ConsolePrompts::standardInputIsTerminal())
        return true;
    err(QStringLiteral("%1 asks before it writes the pedal's memory: give --yes, or run it at a terminal "
                       "to answer.")
            .arg(command));
    return false;
}

int runSet(const QStringList &args, const DriverSelection::Options &options, const QCommandLineParser &parser)
{
    if (args.size() != 3) {
        err(QStringLiteral("set takes NAME VALUE, for example: set \"Input Level\" 512."));
        return UsageError;
    }
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
    return withPedal(options, parser, [&](PedalSession &session) {
        return ParameterTool(session).set({*slot, *value});
    });
}

int runStore(const QStringList &args, const DriverSelection::Options &options, const QCommandLineParser &parser)
{
    QList<ParameterTool::Change> changes;
    for (const QString &pair : args.mid(1)) {
        const qsizetype equals = pair.indexOf(QLatin1Char('='));
        if (equals < 0) {
            err(QStringLiteral("store takes NAME=VALUE pairs, not \"%1\".").arg(pair));
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
    if (!confirmationPossible(QStringLiteral("store"), parser))
        return UsageError;
    return withPedal(options, parser, [&](PedalSession &session) {
        return ParameterTool(session).store(changes);
    });
}

int runAssign(const QStringList &args, const DriverSelection::Options &options, const QCommandLineParser &parser)
{
    if (args.size() != 1) {
        err(QStringLiteral("assign takes options only: --ctrl1 NAME --ctrl2 NAME --ctrl3 NAME --ctrl4 NAME "
                           "--remote bypass|preset."));
        return UsageError;
    }
    std::array<int, ControlCount> entries{};  // a control left out: Not Assigned
    for (int k = 0; k < ControlCount; ++k) {
        const QString &option = AssignOptions[k];
        if (!parser.isSet(option))
            continue;
        QString error;
        const std::optional<int> entry =
            ParameterInput::assignmentEntryNamed(k, unprotected(parser.value(option)), &error);
        if (!entry) {
            err(QStringLiteral("--%1: ").arg(option) + error);
            return UsageError;
        }
        entries[std::size_t(k)] = *entry;
    }
    if (!confirmationPossible(QStringLiteral("assign"), parser))
        return UsageError;
    return withPedal(options, parser, [&](PedalSession &session) {
        return ParameterTool(session).assign(entries);
    });
}

int runFootswitch(const QStringList &args, const DriverSelection::Options &options,
                  const QCommandLineParser &parser)
{
    if (args.size() != 3) {
        err(QStringLiteral("footswitch takes SHORT LONG, each bypass or preset."));
        return UsageError;
    }
    QString error;
    const std::optional<FootswitchChoice> choice = ParameterInput::footswitchChoice(args[1], args[2], &error);
    if (!choice) {
        err(error);
        return UsageError;
    }
    return withPedal(options, parser, [&](PedalSession &session) {
        return ParameterTool(session).footswitch(*choice);
    });
}

int runUploadTuning(const QStringList &args, const DriverSelection::Options &options,
                    const QCommandLineParser &parser)
{
    if (args.size() != 1) {
        err(QStringLiteral("upload-tuning takes no arguments."));
        return UsageError;
    }
    if (!confirmationPossible(QStringLiteral("upload-tuning"), parser))
        return UsageError;
    return withPedal(options, parser, [&](PedalSession &session) { return TuningTool(session).uploadTuning(); });
}

int runTuning(const QStringList &args, const DriverSelection::Options &options, const QCommandLineParser &parser)
{
    if (args.size() != 3) {
        err(QStringLiteral("tuning takes TUNING SEMITONES, for example: tuning \"Drop D (DADGBE)\" -2."));
        return UsageError;
    }
    QString error;
    const std::optional<std::uint8_t> tuning = TuningTool::tuningNamed(args[1], &error);
    if (!tuning) {
        err(error);
        return UsageError;
    }
    const std::optional<std::int8_t> semitones = TuningTool::semitonesFrom(args[2], &error);
    if (!semitones) {
        err(error);
        return UsageError;
    }
    if (!confirmationPossible(QStringLiteral("tuning"), parser))
        return UsageError;
    return withPedal(options, parser, [&](PedalSession &session) {
        return TuningTool(session).setTuning(*tuning, *semitones);
    });
}

int runMidi(const QStringList &args, const DriverSelection::Options &options, const QCommandLineParser &parser)
{
    if (args.size() != 2) {
        err(QStringLiteral("midi takes CHANNEL: omni or 1 to 16."));
        return UsageError;
    }
    QString error;
    const std::optional<QString> item = MidiTool::channelNamed(args[1], &error);
    if (!item) {
        err(error);
        return UsageError;
    }
    return withPedal(options, parser, [&](PedalSession &session) { return MidiTool(session).setChannel(*item); });
}

int runUploadAlgorithm(const QStringList &args, const DriverSelection::Options &options,
                       const QCommandLineParser &parser)
{
    const bool fromFile = parser.isSet(QStringLiteral("file"));
    if (args.size() != (fromFile ? 1 : 2)) {
        err(QStringLiteral("upload-algorithm takes NAME, as the effect list names it (\"Sombrant MK3 0010\"), "
                           "or --file FILE."));
        return UsageError;
    }
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
    if (!confirmationPossible(QStringLiteral("upload-algorithm"), parser))
        return UsageError;
    return withPedal(options, parser, [&](PedalSession &session) {
        return fromFile ? UploadTool(session).uploadFile(parser.value(QStringLiteral("file")))
                        : UploadTool(session).uploadEffect(args[1]);
    });
}

int runPreset(const QStringList &args, const DriverSelection::Options &options, const QCommandLineParser &parser)
{
    const bool store = parser.isSet(QStringLiteral("store"));
    if (args.size() != 3 || (args[1] != QLatin1String("save") && args[1] != QLatin1String("load"))
        || (store && args[1] != QLatin1String("load"))) {
        err(QStringLiteral("preset takes save FILE or load FILE [--store]."));
        return UsageError;
    }
    const QString path = args[2];
    if (args[1] == QLatin1String("save"))
        return withPedal(options, parser, [&](PedalSession &session) { return ParameterTool(session).savePreset(path); });

    // The file is believed, whole, before anything is sent.
    QString error;
    const std::optional<PresetFile::Values> values = PresetFile::readFile(path, &error);
    if (!values) {
        err(error);
        return UsageError;
    }
    if (store && !confirmationPossible(QStringLiteral("preset load --store"), parser))
        return UsageError;
    return withPedal(options, parser, [&](PedalSession &session) {
        return ParameterTool(session).loadPreset(*values, store);
    });
}

}  // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("sombrant"));
    QCoreApplication::setApplicationVersion(QStringLiteral(SOMBRANT_VERSION_TEXT));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Sombrant MK3 pedal operations.\n\nCommands:\n"
        "  list                 List the attached pedals: serial number, description and driver,\n"
        "                       one per line.\n"
        "  status               Read the pedal's state (--json for one JSON object).\n"
        "  set NAME VALUE       Send one parameter live. VALUE is a dial position 0-1023, a step,\n"
        "                       1/0 for a switch, a pitch entry -12..+12, or 0x and the raw value.\n"
        "  store [NAME=VALUE]   Store Input Level, 1st Harmonic Pitch, Wave Clip, Dominant Notes Cut\n"
        "                       and High Notes Cut: the pedal's values with those named sent live\n"
        "                       first. Asks first (--yes).\n"
        "  assign               Assign the controls: --ctrl1/--ctrl2 Input Level|1st Harmonic Pitch|\n"
        "                       Wave Clip, --ctrl3/--ctrl4 Dominant Notes Cut|High Notes Cut,\n"
        "                       --remote bypass|preset; a control left out is Not Assigned.\n"
        "                       Asks first (--yes).\n"
        "  footswitch SHORT LONG\n"
        "                       What the footswitch's short and long presses do: bypass or preset.\n"
        "  upload-tuning        Upload the tuning filter table. Asks first (--yes).\n"
        "  tuning TUNING SEMITONES\n"
        "                       Set the guitar tuning, by number 0-7 or name (\"Drop D (DADGBE)\"),\n"
        "                       tuned -5..+3 semitones from it. Asks first (--yes).\n"
        "  midi CHANNEL         Set the MIDI channel: omni or 1-16.\n"
        "  upload-algorithm NAME | --file FILE\n"
        "                       Upload an effect algorithm: a carried one by its name in the effect\n"
        "                       list, or a file. Prints the pedal's answer. Asks first (--yes).\n"
        "  flash [--firmware N | --file FILE] [--fast] [--verify]\n"
        "                       Upgrade the firmware of a pedal in its bootloader: erase, write the\n"
        "                       image (a carried one, the newest by default), record its version, Go.\n"
        "  preset save FILE     Write the pedal's fifteen values to a preset file.\n"
        "  preset load FILE [--store]\n"
        "                       Send a preset's values as the parameter window would; with --store,\n"
        "                       then store the five assignable ones (asks first, --yes).\n"
        "  eeprom dump START END [--device 50|51]\n"
        "                       List the pedal's EEPROM bytes START to END (0-16383), one line each.\n"
        "  eeprom erase FIRST LAST\n"
        "                       Erase the EEPROM pages FIRST to LAST (0-255).\n"
        "  raw ADDRESS DATA     Send a parameter-write message: 4 and 8 hexadecimal digits.\n"
        "  calc-coeff NOTE Q GAIN\n"
        "                       Print the peaking filter's coefficient array for a note (A1-G#5),\n"
        "                       Q and gain in dB. Needs no pedal.\n"
        "  check-update         Ask the vendor's web server for the newest editor version and print\n"
        "                       the result. Needs no pedal.\n"
        "\nParameter names, list entries and tuning names are matched without regard to letter case."));
    parser.addHelpOption();
    parser.addVersionOption();
    DriverSelection::addOptions(parser);
    parser.addOption({QStringLiteral("verbose"), QStringLiteral("Write the log to standard error.")});
    parser.addOption({QStringLiteral("serial"),
                      QStringLiteral("The pedal to use, by serial number, when several are attached."),
                      QStringLiteral("SERIAL")});
    parser.addOption({QStringLiteral("json"), QStringLiteral("status: print one JSON object.")});
    parser.addOption({QStringLiteral("yes"),
                      QStringLiteral("store, assign, upload-tuning, tuning, upload-algorithm, preset load "
                                     "--store: answer Yes to the questions asked before the pedal's memory is "
                                     "written (without it, they are asked at the terminal).")});
    parser.addOption({QStringLiteral("file"), QStringLiteral("upload-algorithm: the file to upload."),
                      QStringLiteral("FILE")});
    parser.addOption({QStringLiteral("store"), QStringLiteral("preset load: store the assignable values too.")});
    FlashTool::addOptions(parser);
    DeveloperTool::addOptions(parser);
    for (int k = 0; k < ControlCount; ++k)
        parser.addOption({AssignOptions[k],
                          QStringLiteral("assign: what %1 does.")
                              .arg(toQString(ControlNames[k])),
                          k == RemoteControl ? QStringLiteral("bypass|preset") : QStringLiteral("NAME")});
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("The command to run."));

    if (!parser.parse(protectDashDigits(QCoreApplication::arguments()))) {
        err(parser.errorText());
        return UsageError;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        out(parser.helpText());
        return Success;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        out(QStringLiteral("sombrant ") + QCoreApplication::applicationVersion());
        return Success;
    }

    QStringList args;
    for (const QString &argument : parser.positionalArguments())
        args << unprotected(argument);
    if (args.isEmpty()) {
        err(QStringLiteral("No command given; try --help."));
        return UsageError;
    }
    const QString command = args.first();
    const auto options = DriverSelection::optionsFrom(parser);
    if (!options.simulateError.isEmpty()) {
        err(options.simulateError);
        return UsageError;
    }
    if (options.simulate && !options.ports.isEmpty()) {
        err(QStringLiteral("--simulate and --port cannot be used together."));
        return UsageError;
    }

    if (command != QLatin1String("assign")) {
        for (const QString &option : AssignOptions) {
            if (parser.isSet(option)) {
                err(QStringLiteral("--%1 is an option of assign only.").arg(option));
                return UsageError;
            }
        }
    }

    if (DeveloperTool::handles(command))
        return DeveloperTool::run(args, parser, [&](const std::function<int(PedalSession &)> &run) {
            return withPedal(options, parser, run);
        });
    if (command == QLatin1String("check-update")) {
        if (args.size() != 1) {
            err(QStringLiteral("check-update takes no arguments."));
            return UsageError;
        }
        return UpdateCheckTool(UpdateServer::configuredAddress(), parser.isSet(QStringLiteral("verbose"))).run();
    }

    if (command == QLatin1String("list")) {
        if (args.size() != 1) {
            err(QStringLiteral("list takes no arguments."));
            return UsageError;
        }
        ConsolePrompts prompts(parser.isSet(QStringLiteral("verbose")));
        QString driverLine;
        QString setupError;
        auto driver = DriverSelection::choose(options, &driverLine, &setupError);
        if (!setupError.isEmpty()) {
            err(setupError);
            return UsageError;
        }
        prompts.PrintToConsole(driverLine);
        D2XXUnit transport(*driver, prompts);
        return listDevices(transport, options.ports);
    }

    if (command == QLatin1String("status")) {
        if (args.size() != 1) {
            err(QStringLiteral("status takes no arguments."));
            return UsageError;
        }
        return withPedal(options, parser, [&](PedalSession &session) { return readStatus(session, parser); });
    }
    if (command == QLatin1String("set"))
        return runSet(args, options, parser);
    if (command == QLatin1String("store"))
        return runStore(args, options, parser);
    if (command == QLatin1String("assign"))
        return runAssign(args, options, parser);
    if (command == QLatin1String("footswitch"))
        return runFootswitch(args, options, parser);
    if (command == QLatin1String("upload-tuning"))
        return runUploadTuning(args, options, parser);
    if (command == QLatin1String("tuning"))
        return runTuning(args, options, parser);
    if (command == QLatin1String("midi"))
        return runMidi(args, options, parser);
    if (command == QLatin1String("upload-algorithm"))
        return runUploadAlgorithm(args, options, parser);
    if (command == QLatin1String("flash")) {
        FlashTool::Request request;
        if (const int status = FlashTool::prepare(args, parser, &request); status != Success)
            return status;
        return withPedal(options, parser, [&](PedalSession &session) { return FlashTool(session).flash(request); });
    }
    if (command == QLatin1String("preset"))
        return runPreset(args, options, parser);

    err(QStringLiteral("Unknown command \"%1\"; try --help.").arg(command));
    return UsageError;
}
