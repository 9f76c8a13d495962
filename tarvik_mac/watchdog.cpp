// SPDX-License-Identifier: MIT
#include "watchdog.h"

#include "output.h"
#include "translation.h"

#include <chrono>
#include <cstdio>
#include <unistd.h>

namespace {

// A look at the clock and at /proc ten times a second costs nothing measurable.
constexpr std::chrono::milliseconds checkInterval(100);

} // namespace

Watchdog::Watchdog(int timeLimitMs, qint64 memoryLimit)
    : m_limit(timeLimitMs)
    , m_end(std::chrono::steady_clock::now() + m_limit)
    , m_thread(&Watchdog::watch, this, memoryLimit)
{ }

void Watchdog::kick()
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_end = std::chrono::steady_clock::now() + m_limit;
}

Watchdog::~Watchdog()
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

qint64 Watchdog::residentBytes()
{
    std::FILE *statm = std::fopen("/proc/self/statm", "re");
    if (!statm)
        return 0;
    long long size = 0, resident = 0;
    const int fields = std::fscanf(statm, "%lld %lld", &size, &resident);
    std::fclose(statm);
    return fields == 2 ? qint64(resident) * ::sysconf(_SC_PAGESIZE) : 0;
}

void Watchdog::watch(qint64 memoryLimit)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    while (!m_stopping) {
        if (std::chrono::steady_clock::now() >= m_end)
            Output::endNow(Translation::translate(
                    "Watchdog", "Abbruch: Der Lauf hat das Zeitlimit überschritten."));
        if (residentBytes() > memoryLimit)
            Output::endNow(Translation::translate(
                    "Watchdog", "Abbruch: Der Lauf hat die Speichergrenze überschritten."));
        m_wake.wait_for(lock, checkInterval);
    }
}
