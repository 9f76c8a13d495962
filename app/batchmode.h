// SPDX-License-Identifier: MIT
#pragma once

// The --batch mode: reads the cards from standard input, checks them all in one run, and returns
// the exit status.
namespace BatchMode {

int run(int argc, char *argv[], int jobs);

} // namespace BatchMode
