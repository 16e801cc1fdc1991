#pragma once

#include <QString>

class LogSink;
class UserPrompts;
class WebClient;

// Asks the vendor's web server once for the newest editor version and
// compares it with the editor's own. The result is what the Info menu shows
// ("New version available: 1.12", "No update available", or why the check
// failed) and, for the editor, whether "Update Now" may be used.
class VersionCheck {
public:
    enum class Outcome {
        NotConfigured,  // no server: nothing was requested
        Newer,          // the server's version is newer than ours
        NotNewer,       // equal or older
        Failed,         // no usable answer
    };
    struct Result {
        Outcome outcome = Outcome::Failed;
        QString newAppVersion;  // the server's version, trimmed, when it gave one
        QString menuText;       // the Info menu's result line
    };

    static constexpr const char *NewVersionCaption = "New version available:";

    VersionCheck(WebClient &client, LogSink &log, UserPrompts &prompts);

    // Requests the version text and compares it with currentAppVersion.
    // An answer other than 200 shows "Error: " and the status text; a failed
    // request (no answer, one cut off, or none complete within the client's
    // deadline) shows why; an answer that is not a version, or is longer than
    // any version, is only logged.
    Result run(const QString &currentAppVersion);

private:
    Result failed(const QString &why);

    WebClient &m_client;
    LogSink &m_log;
    UserPrompts &m_prompts;
};
