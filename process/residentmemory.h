// SPDX-License-Identifier: MIT
#pragma once

#include <QtGlobal>

// How much memory the process holds: the one place that asks the platform.
namespace ResidentMemory {

// The process's resident memory in bytes, or 0 where it cannot be read.
qint64 bytes();

// The most the process has held at any moment so far, in bytes, or 0 where it cannot be read: a
// peak between two looks at bytes() is not missed.
qint64 peakBytes();

} // namespace ResidentMemory
