// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>

// libFuzzer's entry point, which each fuzz target defines: called with every input it makes up.
// Returns 0, the only value libFuzzer accepts.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);
