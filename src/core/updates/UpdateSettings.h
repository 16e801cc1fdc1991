#pragma once

#include "updates/WebClient.h"

#include <QString>

class ProgramLauncher;

// How the editor reaches the vendor's web server and starts the updater.
// Left as they are, nothing is configured: no request is ever made, and the
// running program and the system's launcher and temporary folder are used.
struct UpdateSettings {
    // The server's http(s) address (UpdateServer::configuredAddress()).
    QString server;
    // Each request gives up after transferTimeoutMs without a byte moving,
    // and in any case at its deadline: answerDeadlineMs for a version,
    // downloadDeadlineMs for the updater's download.
    int transferTimeoutMs = WebClient::DefaultTransferTimeoutMs;
    int answerDeadlineMs = WebClient::DefaultAnswerDeadlineMs;
    int downloadDeadlineMs = WebClient::DefaultDownloadDeadlineMs;
    // Starts the updater; nullptr for SystemProgramLauncher.
    ProgramLauncher *launcher = nullptr;
    // The editor's program file, whose folder holds the updater; empty for
    // the running program.
    QString editorProgram;
    // The temporary folder; empty for the system's.
    QString tempFolder;

    WebClient::Limits webLimits() const
    {
        WebClient::Limits limits;
        limits.transferTimeoutMs = transferTimeoutMs;
        limits.answerDeadlineMs = answerDeadlineMs;
        limits.downloadDeadlineMs = downloadDeadlineMs;
        return limits;
    }
};
