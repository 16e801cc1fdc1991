#pragma once

#include <QString>

class ProgramLauncher;
class UpdaterRefresh;
class UserPrompts;

// "Update Now": asks, refreshes the updater, and starts it elevated with two
// quoted paths: where the new editor is to be put in the temporary folder
// ("Sombrant_Editor_Update.exe") and the running editor's program file.
// Ending the editor afterwards is the caller's part, and only when the
// updater started: an update that could not start tells the user why in one
// box, and the editor keeps running.
class UpdateLauncher {
public:
    static constexpr const char *UpdateFileName = "Sombrant_Editor_Update.exe";
    static constexpr const char *Question =
        "This action will update the Sombrant Editor to the latest version. Do you want to continue?";
    static constexpr const char *LaunchFailedMessage = "Failed to launch updater. Please run as administrator.";

    // The first words of the one box, by what kept the updater from
    // starting; the reasons gathered on the way follow as its detail.
    static constexpr const char *NoServerAnswer =
        "The update could not be started: the update server did not answer. The editor keeps running; "
        "check the internet connection and try Update Now again.";
    static constexpr const char *UpdaterNotObtained =
        "The update could not be started: the updater program is not in the editor's folder and could not "
        "be downloaded. The editor keeps running; try Update Now again later.";
    static constexpr const char *UpdaterNotInstalled =
        "The update could not be started: the updater program is not installed in the editor's folder, "
        "so the one just downloaded cannot be taken into use. The editor keeps running; reinstall the "
        "editor to bring the updater back.";
    static constexpr const char *UpdaterDidNotStart =
        "The update could not be started: the updater program did not start. The editor keeps running; "
        "start the editor as administrator and try Update Now again.";

    enum class Outcome {
        Declined,  // the user said No: nothing was asked or started
        Failed,    // the updater did not start; the user was told why
        Started,   // the updater runs: the editor is to end now
    };

    UpdateLauncher(UserPrompts &prompts, UpdaterRefresh &refresh, ProgramLauncher &launcher,
                   QString tempFolder, QString editorProgram);

    Outcome LaunchUpdate();

    // Starts updaterPath with argumentText(updatePath, editorPath); whether
    // it started. Tells the user nothing.
    bool StartUpdater(const QString &updaterPath, const QString &updatePath, const QString &editorPath);

    QString updatePath() const;

    // "\"update\" \"editor\"": each path in double quotes, one blank between.
    static QString argumentText(const QString &updatePath, const QString &editorPath);

private:
    // The one box: the plain words, a blank line, then each reason on a line.
    Outcome failed(const char *plainWords, const QString &lastReason = QString());

    UserPrompts &m_prompts;
    UpdaterRefresh &m_refresh;
    ProgramLauncher &m_launcher;
    QString m_tempFolder;
    QString m_editorProgram;
};
