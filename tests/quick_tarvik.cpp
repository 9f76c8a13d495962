// SPDX-License-Identifier: MIT
// The program with its waits shortened in-process, for the rows that would otherwise sit them
// out: every error popup closes itself after a fifth of a second; the card gets 2 s to come and
// 3 s to be read (its sharing retries end half a second before); the watchdog ends a batch after
// four seconds without progress, and any whose memory has passed 200 MiB; the watch gives a card
// four seconds to be read, looks up one card at a time, and is ended when its event loop has
// stood still for three seconds. The tests labelled slow run the real program, whose waits are
// its own.
#include "batchmode.h"
#include "program.h"
#include "watchmode.h"

int main(int argc, char *argv[])
{
    Program::setPopupLimit(200);
    Program::setCardLimits(2000, 3000);
    BatchMode::setLimits(4000, 200 * 1024 * 1024);
    WatchMode::setLimits(4000, 1, 3000);
    return Program::run(argc, argv);
}
