// SPDX-License-Identifier: MIT
#pragma once

// The whole program behind main(), in a library, so that the tests' build of it can shorten the
// batch's waits (see BatchMode::setLimits) and the card reader's in-process before it runs.
namespace Program {

int run(int argc, char *argv[]);

// Tests shorten the wait for the card, the time its reading may take and the time an error popup
// stays up in the modes that read the card, before run().
void setCardLimits(int waitMs, int readMs, int popupMs);

} // namespace Program
