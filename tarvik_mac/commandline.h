#pragma once

// What the command line asks for before any lookup: the card number is the first argument, and
// "-h", "--help" and "--version" in its place are answered at once. Kept apart from main so that
// the texts can be tested and need no display.
namespace CommandLine {

enum class Request { Lookup, Usage, Help, Version };

// Decides from the raw first argument (null when there is none).
Request requestFor(const char *firstArgument);

// Writes the answer for Usage (to standard error), Help or Version (to standard output) and
// returns the exit status: 2 for Usage, 0 otherwise.
int answer(Request request);

} // namespace CommandLine
