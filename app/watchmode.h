// SPDX-License-Identifier: MIT
#pragma once

// The --watch mode: watches the card readers and writes a line for every card put in and taken
// out, until standard input ends or a signal comes; returns the exit status.
namespace WatchMode {

int run(int argc, char *argv[], bool chipOnly);

// Tests shorten the time a card may take to read and the watchdog's time without a sign of the
// event loop, and take fewer requests at once, before run().
void setLimits(int readLimitMs, int jobs, int watchdogMs);

} // namespace WatchMode
