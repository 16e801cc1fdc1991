#include "app/EditorWindows.h"
#include "app/LogRelay.h"
#include "app/SettingsFolders.h"
#include "app/SystemClock.h"
#include "app/TformMain.h"
#include "app/WidgetPrompts.h"
#include "device/D2XXUnit.h"
#include "device/DriverSelection.h"
#include "updates/UpdateServer.h"

#include <QApplication>
#include <QCommandLineParser>
#include <cstring>

#include "BuildVersion.h"

namespace {

void describe(QCommandLineParser &parser)
{
    QCoreApplication::setApplicationName(QStringLiteral("Sombrant Editor"));
    QCoreApplication::setApplicationVersion(QStringLiteral(SOMBRANT_VERSION_TEXT));
    parser.setApplicationDescription(QStringLiteral("Editor for the Sombrant MK3 pedal."));
    parser.addHelpOption();
    parser.addVersionOption();
    DriverSelection::addOptions(parser);
}

// --help and --version print and end without a window, so they work where
// there is no display (a terminal over ssh, a build machine).
bool wantsTextOnly(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i) {
        for (const char *option : {"--help", "-h", "-?", "--help-all", "--version", "-v"})
            if (std::strcmp(argv[i], option) == 0)
                return true;
    }
    return false;
}

}  // namespace

int main(int argc, char *argv[])
{
    if (wantsTextOnly(argc, argv)) {
        QCoreApplication core(argc, argv);
        QCommandLineParser parser;
        describe(parser);
        parser.process(core);  // prints and exits
        return 0;
    }

    QApplication app(argc, argv);
    QCommandLineParser parser;
    describe(parser);
    parser.process(app);

    QString driverLine;
    DriverSelection::Options options = DriverSelection::optionsFrom(parser);
    // The simulated pedal keeps what it stores between runs, as a real one does.
    if (options.simulate && options.simulated.stateFile.isEmpty())
        options.simulated.stateFile = DriverSelection::defaultSimulatedStateFile();
    std::unique_ptr<FtDriver> driver = DriverSelection::choose(options, &driverLine);

    WidgetPrompts prompts;
    D2XXUnit transport(*driver, prompts);
    LogRelay log;
    SystemClock clock;
    UpdateSettings updates;
    updates.server = UpdateServer::configuredAddress();
    EditorWindows windows(
        EditorServices{transport, prompts, log, clock, SettingsFolders::platformDocumentsFolder(), updates},
        log);
    log.PrintToConsole(driverLine);

    windows.formMain->show();
    // The pedal stays open until Disconnect; the program does not close it.
    return app.exec();
}
