// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>

#include <functional>

// Turns the signals that ask a run to stop (SIGINT, SIGTERM, SIGHUP) into a call on the event
// loop, where stopping can be done properly: a signal handler itself may do almost nothing. The one
// place that knows the platform's signals.
namespace SignalPipe {

// From now on each of those signals calls onSignal on the event loop of parent's thread. Returns
// false where it cannot be set up; the signals then keep their default action.
bool install(QObject *parent, std::function<void()> onSignal);

} // namespace SignalPipe
