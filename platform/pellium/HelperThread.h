// SPDX-License-Identifier: MIT
#pragma once

// Work the calling thread shares with one helper thread, done by the calling
// thread alone when a second thread is not worth it or cannot be started.

#include <functional>
#include <thread>

class CListingCache;

namespace pellium
{
// Runs fnWork on a thread of its own while the caller does its part. When the
// work is too small for two threads, the machine has one core, or no thread
// can be started (a process limit, or the cache's tuning says so), Finish
// runs fnWork on the calling thread instead; either way the work is done
// once Finish returns.
class CHelperThread
{
public:
    CHelperThread(const CListingCache& cache, bool bWorthIt, std::function<void()> fnWork);
    // Waits for a thread still running; never runs the work itself.
    ~CHelperThread();
    CHelperThread(const CHelperThread&) = delete;
    CHelperThread& operator=(const CHelperThread&) = delete;

    void Finish();

private:
    std::function<void()> m_fnWork;
    std::thread m_thread;
    bool m_bFinished = false;
};

// TryStartThread with the cache's tuning.
std::thread TryStartThread(const CListingCache& cache, std::function<void()> fn);
} // namespace pellium
