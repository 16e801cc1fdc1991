#pragma once

class PedalCommandList;
class TformMain;

// The main window's menus: File, Connection, Settings, Firmware Upgrade and
// Info, their items named as the rest of the editor refers to them, each
// connected to the window's handler, and a Window menu whose item brings the
// main window forward from the editor's other windows. Every item carries a
// keyboard mnemonic, unique within its menu. Which pedal commands are enabled at each
// stage of the link is listed here too, and applied by the window's
// PedalCommandList.
class MainMenuBar {
public:
    // Brings the main window forward from any of the editor's windows.
    static constexpr const char *ShowMainWindowKeys = "Ctrl+1";

    static void build(TformMain &window);
    // The window's pedal commands into its list, with their state at each
    // stage of the link.
    static void listPedalCommands(TformMain &window, PedalCommandList &commands);

private:
    static void buildWindowMenu(TformMain &window);
};
