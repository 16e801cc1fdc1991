#include "app/EditorWindows.h"

#include "app/LogRelay.h"
#include "app/TformMain.h"
#include "app/TformPrint.h"
#include "device/Communication.h"
#include "device/D2XXUnit.h"
#include "devtools/DebugConsoleTools.h"
#include "firmware/FirmwareUpgradeFlow.h"
#include "firmware/TformFirmwareUpgrade.h"
#include "params/EditMenu.h"
#include "params/TformFXsettings.h"
#include "prefs/WindowPlacement.h"
#include "updates/TformNewVersionMsg.h"
#include "updates/TformUpdateUpdater.h"
#include "updates/UpdateMenu.h"

EditorWindows::EditorWindows(EditorServices services, LogRelay &relay) : m_relay(relay), m_transport(services.transport)
{
    // The driver's failures reach the Debug Console in its own words.
    m_transport.setLog(&services.log);
    communication = std::make_unique<Communication>(services.transport, services.log,
                                                    services.prompts, services.clock);
    formMain = std::make_unique<TformMain>(services, *communication);
    formFirmwareUpgrade = std::make_unique<TformFirmwareUpgrade>(services, *communication);
    // Owned by the main window; it reaches the two windows through their signals.
    new FirmwareUpgradeFlow(*formMain, *formFirmwareUpgrade);
    formPrint = std::make_unique<TformPrint>();
    m_relay.attach(formPrint.get());
    // Owned by the console.
    new DebugConsoleTools(*formPrint, *communication, services.prompts, services.log, services.clock);
    formMain->setDebugConsole(formPrint.get());
    formFXsettings = std::make_unique<TformFXsettings>(services, *communication, formMain->effects());
    formMain->setParameterWindow(formFXsettings.get());
    // Owned by the main window, whose menu bar it joins.
    new EditMenu(*formMain, *formFXsettings);
    formNewVersionMsg = std::make_unique<TformNewVersionMsg>();
    formMain->updates()->setNewVersionWindow(formNewVersionMsg.get());
    formUpdateUpdater = std::make_unique<TformUpdateUpdater>();
    // Kept inside the screen by their frames where they were designed. The
    // Debug Console places itself, the main window places the parameter
    // window beside it, and the firmware upgrade window, which has no place
    // of its own, is placed by the window manager.
    WindowPlacement::placeOnShow(formMain.get());
    WindowPlacement::placeOnShow(formNewVersionMsg.get());
}

EditorWindows::~EditorWindows()
{
    m_transport.setLog(nullptr);
    // Nothing may log into a console that is gone.
    if (m_relay.target() == formPrint.get())
        m_relay.attach(nullptr);
}
