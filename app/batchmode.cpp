// SPDX-License-Identifier: MIT
#include "batchmode.h"

#include "batch.h"
#include "batchinput.h"
#include "jsonanswer.h"
#include "output.h"
#include "signalpipe.h"
#include "standardstreams.h"
#include "toolkitflags.h"
#include "watchdog.h"
#include "wording.h"

#include <QApplication>

#include <cstdio>

namespace BatchMode {

namespace {

// A batch larger than this is refused rather than held: about three million cards.
constexpr qint64 maxBatchInput = qint64(64) * 1024 * 1024;

int watchdogLimitMs = Watchdog::limitMs;
qint64 watchdogMemoryBytes = Watchdog::memoryLimitBytes;

// Every card gets its line, cancelled, without a window and without a request: for a run stopped
// while it read its input, and for one whose answer could not go anywhere.
int cancelAll(const QByteArray &input, int jobs)
{
    Batch batch(input, jobs);
    batch.cancel();
    return Output::exitStatus(batch.exitStatus(), JsonAnswer::undeliveredStatus);
}

} // namespace

void setLimits(int watchdogMs, qint64 memoryBytes)
{
    watchdogLimitMs = watchdogMs;
    watchdogMemoryBytes = memoryBytes;
}

int run(int argc, char *argv[], int jobs)
{
    // Caught before the first byte is read: a signal while the calling program still writes ends
    // the reading, and every card read so far gets its line.
    SignalPipe::catchSignals();
    QByteArray input;
    const StandardStreams::Reading reading =
            StandardStreams::readAllIn(input, maxBatchInput, SignalPipe::arrivals());
    if (reading == StandardStreams::Reading::TooLarge
        || reading == StandardStreams::Reading::Unreadable) {
        const QString problem = Wording::translate(
                "Batch", "Die Standardeingabe ist grösser als 64 MiB oder nicht lesbar; bitte in "
                         "Teilen prüfen.");
        std::fprintf(stderr, "tarvik: %s\n", problem.toUtf8().constData());
        return 2;
    }
    // A line cut off by the signal may be a card cut in half: only whole lines count.
    if (reading == StandardStreams::Reading::Stopped)
        input.truncate(input.lastIndexOf('\n') + 1);
    // Nothing to check: no window, nothing written.
    if (BatchInput::count(input) == 0)
        return 0;
    Output::setLastWords(QByteArray(), JsonAnswer::undeliveredStatus,
                         JsonAnswer::undeliveredStatus);
    // Asking the shared service is for nothing when no answer can be delivered.
    if (reading == StandardStreams::Reading::Stopped || Output::closedAtStart())
        return cancelAll(input, jobs);

    // A batch runs as long as its cards take; the watchdog ends it only when no card has been
    // decided for its whole limit, and then every card still open gets its line, as failed.
    Watchdog guard(watchdogLimitMs, watchdogMemoryBytes);
    QApplication app(argc, argv, toolkitFlags);
    Batch batch(input, jobs);
    input.clear();
    batch.setWatchdog(&guard);
    QObject::connect(&batch, &Batch::finished, &app, &QCoreApplication::quit);
    batch.cancelOnSignals();
    batch.start();
    app.exec();
    return Output::exitStatus(batch.exitStatus(), JsonAnswer::undeliveredStatus);
}

} // namespace BatchMode
