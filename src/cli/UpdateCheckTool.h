#pragma once

#include <QString>

// The check-update command: asks the vendor's web server for the newest
// editor version, as the editor does a second after it starts, and prints the
// Info menu's result line on standard output ("New version available: 1.12",
// "No update available", "Update check not configured", or "Update check
// failed" and why). Needs no pedal. Exit status 0 when the server's version
// was compared, 1 otherwise.
class UpdateCheckTool {
public:
    // server: the server's address (UpdateServer::configuredAddress()).
    UpdateCheckTool(QString server, bool verbose);

    int run();

private:
    QString m_server;
    bool m_verbose;
};
