// SPDX-License-Identifier: MIT
#include "standardstreams.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
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

bool readAllIn(QByteArray &input, qint64 limit)
{
    char buffer[64 * 1024];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, stdin)) > 0) {
        if (input.size() + qint64(got) > limit)
            return false;
        input.append(buffer, int(got));
    }
    return !std::ferror(stdin);
}

} // namespace StandardStreams
