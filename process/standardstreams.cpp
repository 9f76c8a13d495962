// SPDX-License-Identifier: MIT
#include "standardstreams.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

namespace StandardStreams {

bool guard()
{
    bool stdoutClosed = false;
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF)
            continue;
        if (fd == STDOUT_FILENO)
            stdoutClosed = true;
        // The lowest free descriptor is this one, as the lower ones are open by now.
        const int opened = ::open("/dev/null", O_RDWR);
        if (opened != fd && opened >= 0)
            ::close(opened);
    }
    std::signal(SIGPIPE, SIG_IGN);
    return stdoutClosed;
}

bool writeOut(const char *data, std::size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(STDOUT_FILENO, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= std::size_t(n);
    }
    return true;
}

Reading readAllIn(QByteArray &input, qint64 limit, int stopFd)
{
    // The most that is taken, reserved at once: the system hands out its pages only as the input
    // fills them, and the input is never copied while it grows (a copy would hold it twice).
    input.reserve(int(limit));
    char buffer[64 * 1024];
    for (;;) {
        pollfd ends[2] = {{STDIN_FILENO, POLLIN, 0}, {stopFd, POLLIN, 0}};
        if (::poll(ends, stopFd >= 0 ? 2 : 1, -1) < 0) {
            if (errno == EINTR)
                continue;
            return Reading::Unreadable;
        }
        if (stopFd >= 0 && (ends[1].revents & POLLIN))
            return Reading::Stopped;
        const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (got < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (got <= 0)
            return got == 0 ? Reading::Complete : Reading::Unreadable;
        if (input.size() + qint64(got) > limit)
            return Reading::TooLarge;
        input.append(buffer, int(got));
    }
}

namespace {

bool isChannel(int fd, bool socketToo)
{
    struct stat status = {};
    return ::fstat(fd, &status) == 0
           && (S_ISFIFO(status.st_mode) || (socketToo && S_ISSOCK(status.st_mode)));
}

} // namespace

int endingInput()
{
    return isChannel(STDIN_FILENO, true) ? STDIN_FILENO : -1;
}

int endingOutput()
{
    return isChannel(STDOUT_FILENO, false) ? STDOUT_FILENO : -1;
}

bool dropIn()
{
    char buffer[4096];
    for (;;) {
        pollfd in = {STDIN_FILENO, POLLIN, 0};
        if (::poll(&in, 1, 0) == 0)
            return true;
        const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (got < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (got <= 0)
            return false;
    }
}

} // namespace StandardStreams
