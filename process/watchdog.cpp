// SPDX-License-Identifier: MIT
#include "watchdog.h"

#include "output.h"
#include "residentmemory.h"
#include "wording.h"

#include <chrono>

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

void Watchdog::watch(qint64 memoryLimit)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    auto lastLook = std::chrono::steady_clock::now();
    while (!m_stopping) {
        const auto now = std::chrono::steady_clock::now();
        // A calling program that takes its time to read a line is within its rights; the time
        // standard output is blocked on it is not ours and does not count.
        if (Output::writing())
            m_end += now - lastLook;
        lastLook = now;
        // Ended without this lock held: the main thread may be finishing an answer, and kick
        // once it is written, before endNow() can have its turn.
        if (now >= m_end) {
            lock.unlock();
            Output::endNow(Wording::translate(
                    "Watchdog", "Abbruch: Der Lauf hat das Zeitlimit überschritten."));
        }
        // The peak, so that a short burst between two looks is not missed.
        if (ResidentMemory::peakBytes() > memoryLimit) {
            lock.unlock();
            Output::endNow(Wording::translate(
                    "Watchdog", "Abbruch: Der Lauf hat die Speichergrenze überschritten."));
        }
        m_wake.wait_for(lock, checkInterval);
    }
}
