// SPDX-License-Identifier: MIT
#pragma once

// The whole program behind main(), in a library, so that the tests' build of it can shorten the
// batch's waits in-process before it runs (see BatchMode::setLimits).
namespace Program {

int run(int argc, char *argv[]);

// Tests close every error popup after at most this long, before run(); the batch's waits are
// BatchMode::setLimits.
void setPopupLimit(int ms);

} // namespace Program
