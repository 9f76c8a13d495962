// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <mutex>

// Standard output is where the calling program gets its answer, so every byte written there is
// checked: an answer that does not arrive (stdout closed, a full disk, a reader that has gone)
// makes the run a failure instead of being lost in silence.
namespace Output {

// Called first in main, before the toolkit opens any descriptor: a standard stream that the
// caller closed is opened on /dev/null, so that no socket or pipe of the toolkit can become
// fd 0, 1 or 2 and receive the answer. A stdout closed at start counts as undeliverable.
// SIGPIPE is ignored, so that a reader that has gone shows as a failed write, not a dead process.
void guardStandardStreams();

// Writes the bytes to standard output at once, unbuffered and checked. Returns false, and
// remembers it, when they did not all arrive.
bool write(const QByteArray &bytes);

// Held while an answer of several lines is written, so that the watchdog never ends the process
// in the middle of one; write() takes it too (it is recursive).
std::unique_lock<std::recursive_mutex> holdAnswer();

// Whether some output could not be delivered.
bool failed();

// Notes that standard output's reader has gone, seen before a write could tell: the run counts as
// one whose output could not be delivered.
void noteUndelivered();

// The status the process ends with: undeliveredStatus with a line on standard error when output
// failed, else status.
int exitStatus(int status, int undeliveredStatus = 1);

// What the watchdog writes when it has to end the run before any answer went out, prepared by
// the main thread, which knows what the run is about; and the statuses it then ends with.
void setLastWords(const QByteArray &bytes, int status = 0, int undeliveredStatus = 1);

// For a run whose answer is many lines (the batch): called by endNow() instead of writing the last
// words, with the answer held, from the watchdog's thread, to write every line still owed. It may
// not wait for the main thread, which is stuck when the watchdog ends the run.
void setLastLines(std::function<void()> writer);

// Whether standard output was closed when the run started: nothing written can arrive.
bool closedAtStart();

// Whether a write to standard output is under way, that is waiting for the reader to take it.
bool writing();

// Ends the process now, from any thread: writes the last words unless an answer went out, the
// reason (one line) to standard error, and exits with the statuses of setLastWords(). Waits for an
// answer being written to be complete.
[[noreturn]] void endNow(const QString &reason);

// Ends the process now with status, what is written flushed, without the teardown of its
// libraries: for a run that a thread still inside one of them must not see torn down.
[[noreturn]] void leave(int status);

} // namespace Output
