// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringList>

// What the command line asks for before any lookup. The card number is the first argument;
// "-h", "--help", "--version", "--json <card>", "--reader", "--json --reader", "--read-card" and
// "--batch [--jobs N]", "--watch [--chip-only]" in its place choose another mode (--json also
// after --reader and --read-card). Everything is decided before the toolkit starts, so that a
// usage error needs no display.
namespace CommandLine {

enum class Request {
    Lookup,
    Json,
    Reader, // the number from the card in a reader, then as Lookup
    JsonReader, // the same, answered as Json with the chip
    ReadCard, // the chip alone, as JSON, without the service
    Batch,
    Watch, // every card put into a reader, as it happens, until ended
    Usage,
    Help,
    Version
};

// The service is a shared one: a batch never has more requests open than this.
constexpr int maxJobs = 6;
constexpr int defaultJobs = 4;

struct Options
{
    Request request = Request::Usage;
    QString card; // Json: the argument after --json, as given (read again once the toolkit has
                  // taken its own options out)
    int jobs = defaultJobs; // Batch
    bool chipOnly = false; // Watch: the chip alone, no request
    QString error; // Usage: what was wrong, in the user's language; empty without arguments
};

// Decides from the arguments, the program's name left out. Anything not starting with one of
// the options above is a card number for the default mode, so that mode reads exactly what it
// always read.
Options parse(const QStringList &arguments);
// The same from main's arguments, decoded from the local 8-bit encoding.
Options parse(int argc, char *argv[]);

// Writes the answer for Usage (to standard error), Help or Version (to standard output) and
// returns the exit status: 2 for Usage, 0 otherwise.
int answer(const Options &options);

} // namespace CommandLine
