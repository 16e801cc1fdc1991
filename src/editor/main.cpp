#include "app/EditorWindows.h"
#include "app/LogRelay.h"
#include "app/SettingsFolders.h"
#include "app/SystemClock.h"
#include "app/TformMain.h"
#include "app/WidgetPrompts.h"
#include "device/D2XXUnit.h"
#include "device/DriverSelection.h"

#include <QApplication>
#include <QCommandLineParser>

#include "BuildVersion.h"

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Sombrant Editor"));
    QApplication::setApplicationVersion(QStringLiteral(SOMBRANT_VERSION_TEXT));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Editor for the Sombrant MK3 pedal."));
    parser.addHelpOption();
    parser.addVersionOption();
    DriverSelection::addOptions(parser);
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
    EditorWindows windows(
        EditorServices{transport, prompts, log, clock, SettingsFolders::platformDocumentsFolder()},
        log);
    log.PrintToConsole(driverLine);

    windows.formMain->show();
    // The pedal stays open until Disconnect; the program does not close it.
    return app.exec();
}
