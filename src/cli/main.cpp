// sombrant: the pedal's operations from the command line, for scripts and
// production lines. Exit status (ExitStatus.h): 0 success, 1 the pedal failed
// or did not answer, or a question was answered No, 2 a usage error. Errors go
// to standard error. Arguments are checked before the pedal is opened. The
// commands are the rows of CommandTable.

#include "CommandTable.h"
#include "ConsoleOutput.h"
#include "DeveloperTool.h"
#include "ExitStatus.h"
#include "FlashTool.h"
#include "Invocation.h"
#include "ParameterHandlers.h"
#include "device/DriverSelection.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include "BuildVersion.h"

namespace {

// The options in the order --help lists them.
void addOptions(QCommandLineParser &parser)
{
    parser.addHelpOption();
    parser.addVersionOption();
    DriverSelection::addOptions(parser);
    parser.addOption({QStringLiteral("verbose"), QStringLiteral("Write the log to standard error.")});
    parser.addOption({QStringLiteral("serial"),
                      QStringLiteral("The pedal to use, by serial number, when several are attached."),
                      QStringLiteral("SERIAL")});
    parser.addOption({QStringLiteral("json"), QStringLiteral("status: print one JSON object.")});
    parser.addOption({QStringLiteral("yes"),
                      QStringLiteral("restore, store, assign, upload-tuning, tuning, upload-algorithm, preset load "
                                     "--store: answer Yes to the questions asked before the pedal's memory is "
                                     "written (without it, they are asked at the terminal).")});
    parser.addOption({QStringLiteral("file"), QStringLiteral("upload-algorithm: the file to upload."),
                      QStringLiteral("FILE")});
    parser.addOption({QStringLiteral("store"), QStringLiteral("preset load: store the assignable values too.")});
    FlashTool::addOptions(parser);
    DeveloperTool::addOptions(parser);
    ParameterHandlers::addAssignOptions(parser);
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("The command to run."));
}

}  // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("sombrant"));
    QCoreApplication::setApplicationVersion(QStringLiteral(SOMBRANT_VERSION_TEXT));

    QCommandLineParser parser;
    parser.setApplicationDescription(CommandTable::description());
    addOptions(parser);
    if (!parser.parse(Invocation::protectDashDigits(QCoreApplication::arguments()))) {
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
        args << Invocation::unprotected(argument);
    if (args.isEmpty()) {
        err(QStringLiteral("No command given; try --help."));
        return UsageError;
    }
    return CommandTable::dispatch(args, parser);
}
