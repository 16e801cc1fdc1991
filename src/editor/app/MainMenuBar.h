#pragma once

class PedalCommandList;
class TformMain;

// The main window's menus: File, Connection, Settings, Firmware Upgrade and
// Info, their items named as the rest of the editor refers to them, each
// connected to the window's handler. Which pedal commands are enabled at each
// stage of the link is listed here too, and applied by the window's
// PedalCommandList.
class MainMenuBar {
public:
    static void build(TformMain &window);
    // The window's pedal commands into its list, with their state at each
    // stage of the link.
    static void listPedalCommands(TformMain &window, PedalCommandList &commands);
};
