// SPDX-License-Identifier: MIT
#pragma once

// Work the calling thread shares with helper threads, done by the calling
// thread alone when helpers are not worth it or cannot be started.

#include <cstddef>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

class CListingCache;

namespace pellium
{
// Runs fnWork on helper threads while the caller does its part. When no
// helper is asked for or none can be started (a process limit, or the
// cache's tuning says so), Finish runs fnWork on the calling thread instead;
// either way the work is done once Finish returns.
// An exception that ends a helper's work (memory running out) is carried to
// the calling thread, which Finish throws it on: on a thread of its own it
// would end the process.
class CHelperThread
{
public:
    CHelperThread(const CListingCache& cache, std::size_t nHelpers, std::function<void()> fnWork);
    // Waits for the helpers still running; never runs the work itself.
    ~CHelperThread();
    CHelperThread(const CHelperThread&) = delete;
    CHelperThread& operator=(const CHelperThread&) = delete;

    // Starts more helpers, up to nHelpers in all; none once the helpers are
    // waited for. Any thread may ask.
    void Widen(std::size_t nHelpers);
    void Finish();
    // Waits for the helpers, nothing more; for work that tells its own faults.
    void Join();

private:
    const CListingCache& m_cache;
    std::function<void()> m_fnWork;
    std::mutex m_mutex;
    std::vector<std::thread> m_threads;
    std::exception_ptr m_pFailure;
    bool m_bClosed = false; // no more helpers: they are waited for
    bool m_bCannotStart = false;
    bool m_bStarted = false; // a helper was started
    bool m_bFinished = false;
};

// Whether work for the processor gains from a second thread.
inline bool SeveralCores()
{
    return std::thread::hardware_concurrency() > 1;
}

// TryStartThread with the cache's tuning.
std::thread TryStartThread(const CListingCache& cache, std::function<void()> fn);
} // namespace pellium
