#pragma once

#include <QFile>
#include <QString>
#include <chrono>
#include <fcntl.h>
#include <future>
#include <gtest/gtest.h>
#include <unistd.h>

// Runs `read`, a reader given the pipe at `pipe`, and returns what it gives.
// A reader that waits on the pipe fails the test instead of holding it up:
// after `ms` the pipe is opened for writing and closed again, which lets a
// reader waiting to open it or read from it go on to the end of the pipe.
template <class Read>
auto withinDeadline(const QString &pipe, Read read, int ms = 5000) -> decltype(read())
{
    auto result = std::async(std::launch::async, read);
    if (result.wait_for(std::chrono::milliseconds(ms)) != std::future_status::ready) {
        ADD_FAILURE() << "the reader waited on the pipe " << pipe.toStdString();
        while (result.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready) {
            const int fd = ::open(QFile::encodeName(pipe).constData(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0)
                ::close(fd);
        }
    }
    return result.get();
}
