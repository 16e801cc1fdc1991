#pragma once

#include <QString>
#include <QUrl>

// The vendor's web server: where it is and the five paths it serves. One
// http(s) address serves them all; an address with a path of its own (a
// staging server below a folder) keeps it in front of each path.
class UpdateServer {
public:
    static constexpr const char *VersionPath = "/download/sombrant-editor-version.php";
    static constexpr const char *UpdaterVersionPath = "/download/update/Sombrant_Win_Updater_Version.php";
    static constexpr const char *UpdaterDownloadPath = "/download/update/Sombrant_Win_Updater.exe";
    static constexpr const char *WhatsNewPath = "/download/update/whatsnew.html";
    static constexpr const char *SupportPath = "/contact-us/";

    // Overrides the build setting, for tests and a vendor's staging server.
    static constexpr const char *EnvironmentVariable = "SOMBRANT_UPDATE_SERVER";

    // The build setting (CMake SOMBRANT_UPDATE_HOST, an https address); empty
    // when the build was given none.
    static QString builtInAddress();
    // SOMBRANT_UPDATE_SERVER when it is set and not empty, else the build
    // setting. An address that is not an absolute http or https address
    // counts as none: empty, and nothing is ever requested.
    static QString configuredAddress();
    // Whether text is an absolute http or https address with a host.
    static bool isUsableAddress(const QString &text);

    // base with path appended; an empty URL when base is empty.
    static QUrl address(const QString &base, const char *path);
};
