// SPDX-License-Identifier: MIT
// The program with its waits shortened, in-process: the watchdog ends a batch after four seconds
// without progress, and any run whose memory has passed 200 MiB; the watch gives a card three
// seconds to be read.
#include "batchmode.h"
#include "program.h"
#include "watchmode.h"

int main(int argc, char *argv[])
{
    BatchMode::setLimits(4000, 200 * 1024 * 1024);
    WatchMode::setReadLimit(3000);
    return Program::run(argc, argv);
}
