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

} // namespace StandardStreams
