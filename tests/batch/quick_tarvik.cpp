// SPDX-License-Identifier: MIT
// The program with the batch's waits shortened, in-process: the watchdog ends a batch after four
// seconds without progress, and any run whose memory has passed 200 MiB.
#include "batchmode.h"
#include "program.h"

int main(int argc, char *argv[])
{
    BatchMode::setLimits(4000, 200 * 1024 * 1024);
    return Program::run(argc, argv);
}
