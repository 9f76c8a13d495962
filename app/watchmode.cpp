// SPDX-License-Identifier: MIT
#include "watchmode.h"

#include "cardstackend.h"
#include "commandline.h"
#include "jsonanswer.h"
#include "output.h"
#include "signalpipe.h"
#include "streamends.h"
#include "watch.h"
#include "watchdog.h"

#include <QCoreApplication>
#include <QTimer>

namespace WatchMode {

namespace {

// The event loop tells the watchdog it is alive this often: a watch has no end to be late for,
// only a loop that stands still (the toolkit stuck in a reply) ends it.
constexpr int heartbeatMs = 1000;

int readLimit = CardReader::readLimitMs;
// The batch's fairness toward the shared service.
int jobsAtOnce = CommandLine::maxJobs;
int watchdogLimit = Watchdog::limitMs;

} // namespace

void setLimits(int readLimitMs, int jobs, int watchdogMs)
{
    readLimit = readLimitMs;
    jobsAtOnce = jobs;
    watchdogLimit = watchdogMs;
}

int run(int argc, char *argv[], bool chipOnly)
{
    // Caught from the start: a signal that comes before the loop runs still ends the watch
    // properly once it does.
    SignalPipe::catchSignals();
    // Nobody reads: nothing is read or sent.
    if (Output::closedAtStart()) {
        Output::noteUndelivered();
        return Output::exitStatus(0, JsonAnswer::undeliveredStatus);
    }
    // The watchdog ends a run whose loop has stood still for its whole limit: every line still
    // owed goes out (the cards under way as cut short), and the run counts as failed.
    Output::setLastWords(QByteArray(), JsonAnswer::undeliveredStatus,
                         JsonAnswer::undeliveredStatus);
    Watchdog guard(watchdogLimit);
    // No display and no window: the practice software shows the result.
    QCoreApplication app(argc, argv);
    QTimer heartbeat;
    QObject::connect(&heartbeat, &QTimer::timeout, &heartbeat, [&guard] { guard.kick(); });
    heartbeat.start(heartbeatMs);

    Watch watch(chipOnly, jobsAtOnce);
    watch.setReadLimit(readLimit);
    QObject::connect(&watch, &Watch::finished, &app, &QCoreApplication::quit);
    SignalPipe::install(&watch, [&watch] { watch.stop(); });
    StreamEnds::watchInput(&watch, [&watch] { watch.stop(); });
    StreamEnds::watchOutput(&watch, [&watch] {
        Output::noteUndelivered();
        watch.abandon();
    });
    watch.start();
    app.exec();
    const int status = Output::exitStatus(watch.exitStatus(), JsonAnswer::undeliveredStatus);
    CardStackEnd::settle(status);
    return status;
}

} // namespace WatchMode
