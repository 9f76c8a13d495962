// SPDX-License-Identifier: MIT
// The program with its waits shortened, in-process: the watchdog ends a batch after four seconds
// without progress, and any run whose memory has passed 200 MiB; the watch gives a card four
// seconds to be read, looks up one card at a time, and is ended when its event loop has stood
// still for three seconds.
#include "batchmode.h"
#include "program.h"
#include "watchmode.h"

int main(int argc, char *argv[])
{
    BatchMode::setLimits(4000, 200 * 1024 * 1024);
    WatchMode::setLimits(4000, 1, 3000);
    return Program::run(argc, argv);
}
