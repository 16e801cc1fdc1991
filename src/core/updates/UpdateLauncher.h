#pragma once

#include <QString>

class ProgramLauncher;
class UpdaterRefresh;
class UserPrompts;

// "Update Now": asks, refreshes the updater, and starts it elevated with two
// quoted paths: where the new editor is to be put in the temporary folder
// ("Sombrant_Editor_Update.exe") and the running editor's program file.
// Ending the editor afterwards is the caller's part.
class UpdateLauncher {
public:
    static constexpr const char *UpdateFileName = "Sombrant_Editor_Update.exe";
    static constexpr const char *Question =
        "This action will update the Sombrant Editor to the latest version. Do you want to continue?";

    UpdateLauncher(UserPrompts &prompts, UpdaterRefresh &refresh, ProgramLauncher &launcher,
                   QString tempFolder, QString editorProgram);

    // Returns true when the editor must end now: the updater was started or
    // tried. false when the user said No or the updater's version could not
    // be asked for; then nothing was started.
    bool LaunchUpdate();

    // Starts updaterPath with argumentText(updatePath, editorPath); a failure
    // shows "Failed to launch updater. Please run as administrator.".
    bool StartUpdater(const QString &updaterPath, const QString &updatePath, const QString &editorPath);

    QString updatePath() const;

    // "\"update\" \"editor\"": each path in double quotes, one blank between.
    static QString argumentText(const QString &updatePath, const QString &editorPath);

private:
    UserPrompts &m_prompts;
    UpdaterRefresh &m_refresh;
    ProgramLauncher &m_launcher;
    QString m_tempFolder;
    QString m_editorProgram;
};
