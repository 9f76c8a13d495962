// SPDX-License-Identifier: MIT
#include "output.h"

#include "standardstreams.h"
#include "wording.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace Output {

namespace {

std::recursive_mutex answerMutex;
bool stdoutClosedAtStart = false;
bool anythingWritten = false;
bool deliveryFailed = false;
std::atomic<bool> writingNow{false};
QByteArray lastWords;
std::function<void()> lastLines;
int endStatus = 0;
int endUndeliveredStatus = 1;

} // namespace

void guardStandardStreams()
{
    stdoutClosedAtStart = StandardStreams::guard();
}

bool write(const QByteArray &bytes)
{
    const auto hold = holdAnswer();
    anythingWritten = true;
    writingNow = true;
    const bool ok = !stdoutClosedAtStart
                    && StandardStreams::writeOut(bytes.constData(), size_t(bytes.size()));
    writingNow = false;
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

void noteUndelivered()
{
    const auto hold = holdAnswer();
    deliveryFailed = true;
}

int exitStatus(int status, int undeliveredStatus)
{
    if (!failed())
        return status;
    const QString problem = Wording::translate(
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

void setLastLines(std::function<void()> writer)
{
    const auto hold = holdAnswer();
    lastLines = std::move(writer);
}

bool closedAtStart()
{
    return stdoutClosedAtStart;
}

bool writing()
{
    return writingNow;
}

void endNow(const QString &reason)
{
    // Taken and never given back: nothing else is written after this.
    holdAnswer().release();
    if (lastLines)
        lastLines();
    else if (!anythingWritten && !lastWords.isEmpty())
        write(lastWords);
    std::fprintf(stderr, "tarvik: %s\n", reason.toUtf8().constData());
    std::fflush(stderr);
    std::_Exit(exitStatus(endStatus, endUndeliveredStatus));
}

void leave(int status)
{
    // Taken and never given back: an answer being written is complete, and nothing follows it.
    holdAnswer().release();
    std::fflush(nullptr);
    std::_Exit(status);
}

} // namespace Output
