// SPDX-License-Identifier: MIT
#include "residentmemory.h"

#include <cstdio>
#include <cstring>
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

qint64 peakBytes()
{
    std::FILE *status = std::fopen("/proc/self/status", "re");
    if (!status)
        return 0;
    char line[256];
    long long kib = 0;
    while (std::fgets(line, sizeof line, status)) {
        if (std::strncmp(line, "VmHWM:", 6) == 0) {
            std::sscanf(line + 6, "%lld", &kib);
            break;
        }
    }
    std::fclose(status);
    return qint64(kib) * 1024;
}

} // namespace ResidentMemory
