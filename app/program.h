// SPDX-License-Identifier: MIT
#pragma once

// The whole program behind main(), in a library, so that the tests' build of it can shorten the
// program's waits in-process before it runs: the popups', the card reader's, and the batch's (see
// BatchMode::setLimits).
namespace Program {

int run(int argc, char *argv[]);

// Tests close every error popup after at most this long, before run().
void setPopupLimit(int ms);

// Tests shorten the wait for the card and the time its reading may take, before run().
void setCardLimits(int waitMs, int readMs);

} // namespace Program
