#include "sim/StopRequests.h"

#include <QCoreApplication>
#include <QWinEventNotifier>
#include <thread>
#include <windows.h>

namespace {

// Set by whatever asks the program to end; the event loop watches it. Both
// events live as long as the process, so a thread may set them at any time.
HANDLE stopEvent = nullptr;
// Set once the state is saved.
HANDLE endedEvent = nullptr;

BOOL WINAPI onConsoleControl(DWORD kind)
{
    SetEvent(stopEvent);
    // Ctrl+C and Ctrl+Break let the program go on to its end; a console that
    // closes, a log-off or a shutdown ends it when this returns, so wait
    // (Windows allows a few seconds) until the state is saved.
    if (kind == CTRL_CLOSE_EVENT || kind == CTRL_LOGOFF_EVENT || kind == CTRL_SHUTDOWN_EVENT)
        WaitForSingleObject(endedEvent, 4000);
    return TRUE;
}

// Reads standard input to its end and then asks the program to end. What is
// read is thrown away.
void watchStandardInput(HANDLE input)
{
    char buffer[256];
    DWORD n = 0;
    while (ReadFile(input, buffer, sizeof buffer, &n, nullptr) && n > 0) {
    }
    SetEvent(stopEvent);
}

}  // namespace

bool StopRequests::quitOnRequest(QCoreApplication &app, QString *error)
{
    stopEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    endedEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!stopEvent || !endedEvent) {
        *error = QStringLiteral("CreateEvent: error %1").arg(GetLastError());
        return false;
    }
    auto *notifier = new QWinEventNotifier(stopEvent, &app);
    QObject::connect(notifier, &QWinEventNotifier::activated, &app, [] { QCoreApplication::quit(); });
    if (!SetConsoleCtrlHandler(onConsoleControl, TRUE)) {
        *error = QStringLiteral("SetConsoleCtrlHandler: error %1").arg(GetLastError());
        return false;
    }
    // A program started without standard input (none was handed on) can
    // only be stopped the other ways.
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    if (input && input != INVALID_HANDLE_VALUE)
        std::thread(watchStandardInput, input).detach();
    return true;
}

void StopRequests::ended()
{
    if (endedEvent)
        SetEvent(endedEvent);
}
