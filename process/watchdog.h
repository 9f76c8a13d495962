// SPDX-License-Identifier: MIT
#pragma once

#include <QtGlobal>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

// Ends the run from a thread of its own, whatever the event loop is doing. The toolkit can keep
// the main thread busy for minutes (it handles a reply head of many lines in quadratic time), and
// then no timer of the event loop fires; this guard does not depend on one. It ends the process
// through Output::endNow, so it never cuts an answer in half.
class Watchdog
{
public:
    // The run's normal end is at most the request's deadline plus the longest popup, about a
    // minute; this leaves the event loop half a minute of slack beyond that.
    static constexpr int limitMs = 90000;

    // Memory is bounded by the request's own checks long before this; it is the last resort
    // should the event loop be too busy to run them. A reply of the largest size accepted, on the
    // heaviest display platform, needs about half of it.
    static constexpr qint64 memoryLimitBytes = qint64(256) * 1024 * 1024;

    // Starts watching: limitMs from now, or as soon as the resident memory has exceeded
    // memoryLimit, the run is ended.
    explicit Watchdog(int timeLimitMs = limitMs, qint64 memoryLimit = memoryLimitBytes);
    ~Watchdog();

    Watchdog(const Watchdog &) = delete;
    Watchdog &operator=(const Watchdog &) = delete;

    // Starts the time limit afresh: a run that makes progress (a batch deciding its cards) is
    // ended only when it has made none for the whole limit. Time spent waiting for the calling
    // program to read standard output does not count.
    void kick();

private:
    void watch(qint64 memoryLimit);

    const std::chrono::milliseconds m_limit;
    std::chrono::steady_clock::time_point m_end;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stopping = false;
    std::thread m_thread;
};
