// SPDX-License-Identifier: MIT
#pragma once

#include <QtGlobal>

// The --batch mode: reads the cards from standard input, checks them all in one run, and returns
// the exit status.
namespace BatchMode {

int run(int argc, char *argv[], int jobs);

// Tests shorten the watchdog's time without progress and lower its memory limit, before run().
void setLimits(int watchdogMs, qint64 memoryBytes);

} // namespace BatchMode
