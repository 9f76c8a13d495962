// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>

#include <functional>

// Turns the signals that ask a run to stop (SIGINT, SIGTERM, SIGHUP) into a call on the event
// loop, where stopping can be done properly: a signal handler itself may do almost nothing. The one
// place that knows the platform's signals.
namespace SignalPipe {

// From now on each of those signals is noted instead of ending the process. Returns false where
// it cannot be set up; the signals then keep their default action.
bool catchSignals();

// A descriptor that turns readable once one of those signals has been noted, for a wait outside
// the event loop (the reading of standard input); -1 when they are not caught.
int arrivals();

// From now on each of those signals calls onSignal on the event loop of parent's thread, one noted
// before this call included. Catches them first where that is not done yet; returns false where it
// cannot be set up.
bool install(QObject *parent, std::function<void()> onSignal);

} // namespace SignalPipe
