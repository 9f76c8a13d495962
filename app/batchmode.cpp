// SPDX-License-Identifier: MIT
#include "batchmode.h"

#include "batch.h"
#include "batchinput.h"
#include "jsonanswer.h"
#include "output.h"
#include "standardstreams.h"
#include "toolkitflags.h"
#include "watchdog.h"
#include "wording.h"

#include <QApplication>

#include <cstdio>

namespace BatchMode {

namespace {

// A batch larger than this is refused rather than held: about three million cards.
constexpr qint64 maxBatchInput = 64 * 1024 * 1024;

} // namespace

int run(int argc, char *argv[], int jobs)
{
    QByteArray input;
    if (!StandardStreams::readAllIn(input, maxBatchInput)) {
        const QString problem = Wording::translate(
                "Batch", "Die Standardeingabe ist grösser als 64 MiB oder nicht lesbar; bitte in "
                         "Teilen prüfen.");
        std::fprintf(stderr, "tarvik: %s\n", problem.toUtf8().constData());
        return 2;
    }
    // Nothing to check: no window, nothing written.
    if (BatchInput::count(input) == 0)
        return 0;

    // A batch runs as long as its cards take; the watchdog ends it only when no card has been
    // decided for its whole limit, and then ends it as failed.
    Watchdog guard;
    Output::setLastWords(QByteArray(), JsonAnswer::undeliveredStatus,
                         JsonAnswer::undeliveredStatus);
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
