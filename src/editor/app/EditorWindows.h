#pragma once

#include "app/EditorServices.h"

#include <memory>

class Communication;
class D2XXUnit;
class LogRelay;
class TformFirmwareUpgrade;
class TformFXsettings;
class TformMain;
class TformNewVersionMsg;
class TformPrint;
class TformUpdateUpdater;

// The six windows, each created once, in this order: main window, firmware
// upgrade, Debug Console, parameter window, new-version window and the
// never-shown updater holder. The Debug Console is attached to the log relay
// as soon as it exists, so the parameter window's creation can log.
class EditorWindows {
public:
    EditorWindows(EditorServices services, LogRelay &relay);
    ~EditorWindows();

    // The message exchange every window talks to the pedal through.
    std::unique_ptr<Communication> communication;

    std::unique_ptr<TformMain> formMain;
    std::unique_ptr<TformFirmwareUpgrade> formFirmwareUpgrade;
    std::unique_ptr<TformPrint> formPrint;
    std::unique_ptr<TformFXsettings> formFXsettings;
    std::unique_ptr<TformNewVersionMsg> formNewVersionMsg;
    std::unique_ptr<TformUpdateUpdater> formUpdateUpdater;

private:
    LogRelay &m_relay;
    D2XXUnit &m_transport;
};
