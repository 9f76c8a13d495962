// SPDX-License-Identifier: MIT
#pragma once

#include <QtGlobal>

// How much memory the process holds: the one place that asks the platform.
namespace ResidentMemory {

// The process's resident memory in bytes, or 0 where it cannot be read.
qint64 bytes();

} // namespace ResidentMemory
