// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>

#include <cstddef>

// The platform's standard descriptors: the one place that knows how they are checked, written and
// read, so that a port to another system changes only this file.
namespace StandardStreams {

// A standard stream that the caller closed is opened on the null device, so that no socket or pipe
// of the toolkit can become descriptor 0, 1 or 2 and receive the answer; and a reader that has
// gone shows as a failed write, not as a dead process. Returns whether standard output was closed.
bool guard();

// Writes all the bytes to standard output, unbuffered; false when they did not all arrive.
bool writeOut(const char *data, std::size_t size);

enum class Reading { Complete, TooLarge, Unreadable, Stopped };

// Reads standard input to its end into input, at most limit bytes. Stops early, as Stopped, once
// stopFd turns readable (a signal has arrived; -1 for none), keeping what was read.
Reading readAllIn(QByteArray &input, qint64 limit, int stopFd = -1);

// The standard descriptor whose other end may go away while the run goes on, for a read notifier
// to watch, or -1: standard input when it is a pipe or a socket (a file, a terminal or the null
// device never ends so), turning readable at its end; standard output when it is a pipe, turning
// readable (in error) once its reader has gone.
int endingInput();
int endingOutput();

// Takes what standard input holds now, without waiting, and drops it; false once it has ended.
bool dropIn();

} // namespace StandardStreams
