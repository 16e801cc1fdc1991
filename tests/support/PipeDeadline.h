#pragma once

#include <QFile>
#include <QString>
#include <QtGlobal>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <gtest/gtest.h>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

// Runs `read`, a reader given the pipe (or device) at `pipe`, and returns
// what it gives. A reader that waits on it fails the test instead of holding
// it up:
// - on Unix, after `ms` the pipe is opened for writing and closed again,
//   which lets a reader waiting to open it or read from it go on to the end
//   of the pipe;
// - on Windows nothing can end another thread's wait on a device such as
//   CON, so after `ms` and as long again the test program says so and ends.
template <class Read>
auto withinDeadline(const QString &pipe, Read read, int ms = 5000) -> decltype(read())
{
    auto result = std::async(std::launch::async, read);
    if (result.wait_for(std::chrono::milliseconds(ms)) != std::future_status::ready) {
        ADD_FAILURE() << "the reader waited on the pipe " << pipe.toStdString();
#ifdef Q_OS_UNIX
        while (result.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready) {
            const int fd = ::open(QFile::encodeName(pipe).constData(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0)
                ::close(fd);
        }
#else
        if (result.wait_for(std::chrono::milliseconds(ms)) != std::future_status::ready) {
            std::fprintf(stderr, "the reader still waits on %s: the test program ends here\n",
                         qPrintable(pipe));
            std::fflush(nullptr);
            std::_Exit(1);
        }
#endif
    }
    return result.get();
}
