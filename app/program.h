// SPDX-License-Identifier: MIT
#pragma once

// The whole program behind main(), in a library, so that the tests' build of it can shorten the
// batch's waits in-process before it runs (see BatchMode::setLimits).
namespace Program {

int run(int argc, char *argv[]);

} // namespace Program
