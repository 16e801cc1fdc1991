#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

class Invocation;
class PedalSession;
class QCommandLineParser;

// flash on a pedal in its bootloader: synchronise, erase, write the image
// chunk by chunk with a progress bar on a terminal, read it back with
// --verify, write the version record and Go. The image (a carried firmware,
// the newest unless --firmware names one, or --file) is had and checked
// before the pedal is opened. Exit status: 0 only when every step was
// acknowledged, 1 when a step failed (the pedal stays in its bootloader), 2
// for arguments or an image that rule the upgrade out.
class FlashTool {
public:
    struct Request {
        QByteArray image;
        int number = 0;  // written in the version record
        bool fast = false;
        bool verify = false;
    };

    explicit FlashTool(PedalSession &session) : m_session(session) {}

    static void addOptions(QCommandLineParser &parser);
    // The carried firmware numbers as a range, "5 to 8".
    static QString carriedRange();
    // The flash command, its arguments checked by the command table: the
    // image had and checked, then the upgrade on the opened pedal.
    static int handle(const Invocation &run);

    int flash(const Request &request);

private:
    // Checks the options and loads the image; the exit status, 0 to go on.
    static int prepare(const QCommandLineParser &parser, Request *request);

    PedalSession &m_session;
};
