// SPDX-License-Identifier: MIT
#pragma once

// Work the calling thread shares with one helper thread, done by the calling
// thread alone when a second thread is not worth it or cannot be started.

#include <atomic>
#include <exception>
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
// An exception that ends the helper's work (memory running out) is carried
// to the calling thread, which Finish and RethrowIfFailed throw it on: on a
// thread of its own it would end the process.
class CHelperThread
{
public:
    CHelperThread(const CListingCache& cache, bool bWorthIt, std::function<void()> fnWork);
    // Waits for a thread still running; never runs the work itself.
    ~CHelperThread();
    CHelperThread(const CHelperThread&) = delete;
    CHelperThread& operator=(const CHelperThread&) = delete;

    void Finish();
    // Throws what ended the helper's work early, once it has; for a caller
    // that waits on the work's results piece by piece.
    void RethrowIfFailed();

private:
    std::function<void()> m_fnWork;
    std::exception_ptr m_pFailure;
    std::atomic<bool> m_bFailed{false};
    std::thread m_thread;
    bool m_bFinished = false;
};

// TryStartThread with the cache's tuning.
std::thread TryStartThread(const CListingCache& cache, std::function<void()> fn);
} // namespace pellium
