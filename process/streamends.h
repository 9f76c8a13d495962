// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>

#include <functional>

// The calling program's side of the standard streams going away while a resident run goes on:
// its end of standard input closed (it quit, even by a crash), or its end of standard output.
namespace StreamEnds {

// From now on the end of standard input calls onEnd once, on the event loop of parent's thread;
// what arrives before it is read and dropped. False, and nothing watched, when standard input is
// no pipe or socket: a file, a terminal or the null device says nothing about the caller.
bool watchInput(QObject *parent, std::function<void()> onEnd);

// From now on standard output's reader going away calls onGone once, before anything more is
// written. False, and nothing watched, when standard output is no pipe; the next write tells.
bool watchOutput(QObject *parent, std::function<void()> onGone);

} // namespace StreamEnds
