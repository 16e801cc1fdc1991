#include "sim/StopRequests.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

// The write end of the pipe that turns a signal into an event: the handler
// may do no more than write a byte.
int signalPipeWriteEnd = -1;

void onStopSignal(int)
{
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(signalPipeWriteEnd, &byte, 1);
    errno = saved;
}

}  // namespace

bool StopRequests::quitOnRequest(QCoreApplication &app, QString *error)
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) {
        *error = QStringLiteral("pipe: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    signalPipeWriteEnd = fds[1];
    auto *notifier = new QSocketNotifier(fds[0], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, [fd = fds[0]] {
        char bytes[16];
        while (::read(fd, bytes, sizeof bytes) > 0) {
        }
        QCoreApplication::quit();
    });
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(signal, &action, nullptr);
    return true;
}

void StopRequests::ended()
{
    // A signal handler never waits for the program: nothing to release.
}
