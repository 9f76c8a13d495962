// SPDX-License-Identifier: MIT
#include "residentmemory.h"

#include <cstdio>
#include <unistd.h>

namespace ResidentMemory {

qint64 bytes()
{
    std::FILE *statm = std::fopen("/proc/self/statm", "re");
    if (!statm)
        return 0;
    long long size = 0, resident = 0;
    const int fields = std::fscanf(statm, "%lld %lld", &size, &resident);
    std::fclose(statm);
    return fields == 2 ? qint64(resident) * ::sysconf(_SC_PAGESIZE) : 0;
}

} // namespace ResidentMemory
