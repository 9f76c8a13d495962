// SPDX-License-Identifier: MIT
#include "output.h"

#include "translation.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace Output {

namespace {

std::recursive_mutex answerMutex;
bool stdoutClosedAtStart = false;
bool anythingWritten = false;
bool deliveryFailed = false;
QByteArray lastWords;
int endStatus = 0;
int endUndeliveredStatus = 1;

bool writeAll(int fd, const char *data, size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= size_t(n);
    }
    return true;
}

} // namespace

void guardStandardStreams()
{
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF)
            continue;
        if (fd == 1)
            stdoutClosedAtStart = true;
        // The lowest free descriptor is this one, as the lower ones are open by now.
        const int opened = ::open("/dev/null", O_RDWR);
        if (opened != fd && opened >= 0)
            ::close(opened);
    }
    std::signal(SIGPIPE, SIG_IGN);
}

bool write(const QByteArray &bytes)
{
    const auto hold = holdAnswer();
    anythingWritten = true;
    const bool ok = !stdoutClosedAtStart
                    && writeAll(STDOUT_FILENO, bytes.constData(), size_t(bytes.size()));
    if (!ok)
        deliveryFailed = true;
    return ok;
}

std::unique_lock<std::recursive_mutex> holdAnswer()
{
    return std::unique_lock<std::recursive_mutex>(answerMutex);
}

bool failed()
{
    const auto hold = holdAnswer();
    return deliveryFailed;
}

int exitStatus(int status, int undeliveredStatus)
{
    if (!failed())
        return status;
    const QString problem = Translation::translate(
            "Output", "Die Antwort konnte nicht auf die Standardausgabe geschrieben werden.");
    std::fprintf(stderr, "tarvik: %s\n", problem.toUtf8().constData());
    std::fflush(stderr);
    return undeliveredStatus;
}

void setLastWords(const QByteArray &bytes, int status, int undeliveredStatus)
{
    const auto hold = holdAnswer();
    lastWords = bytes;
    endStatus = status;
    endUndeliveredStatus = undeliveredStatus;
}

void endNow(const QString &reason)
{
    // Held until the process is gone: nothing else is written after this.
    const auto hold = holdAnswer();
    if (!anythingWritten && !lastWords.isEmpty())
        write(lastWords);
    std::fprintf(stderr, "tarvik: %s\n", reason.toUtf8().constData());
    std::fflush(stderr);
    std::_Exit(exitStatus(endStatus, endUndeliveredStatus));
}

} // namespace Output
