// SPDX-License-Identifier: MIT
// The program with its waits shortened in-process, for the rows that would otherwise sit them
// out: every error popup closes itself after a fifth of a second, and the watchdog ends a batch
// after four seconds without progress, and any whose memory has passed 200 MiB. The rows labelled
// slow run the real program, whose waits are its own.
#include "batchmode.h"
#include "program.h"

int main(int argc, char *argv[])
{
    Program::setPopupLimit(200);
    BatchMode::setLimits(4000, 200 * 1024 * 1024);
    return Program::run(argc, argv);
}
