// SPDX-License-Identifier: MIT
#include "pellium/HelperThread.h"

#include "pellium/FootprintCachePrivate.h"

#include <system_error>
#include <utility>

std::thread pellium::TryStartThread(const CListingCache& cache, std::function<void()> fn)
{
    if (cache.ThreadsFail())
        return {};
    try
    {
        return std::thread(std::move(fn));
    }
    catch (const std::system_error&)
    {
        return {};
    }
}

std::thread TryStartThread(std::function<void()> fn)
{
    return pellium::TryStartThread(*DefaultListingCache(), std::move(fn));
}

pellium::CHelperThread::CHelperThread(const CListingCache& cache, std::size_t nHelpers,
                                      std::function<void()> fnWork)
    : m_cache(cache), m_fnWork(std::move(fnWork))
{
    Widen(nHelpers);
}

pellium::CHelperThread::~CHelperThread()
{
    Join();
}

void pellium::CHelperThread::Widen(std::size_t nHelpers)
{
    const std::lock_guard lock(m_mutex);
    while (!m_bClosed && !m_bCannotStart && m_threads.size() < nHelpers)
    {
        std::thread thread = TryStartThread(m_cache,
                                            [this]
                                            {
                                                try
                                                {
                                                    m_fnWork();
                                                }
                                                catch (...)
                                                {
                                                    const std::lock_guard failed(m_mutex);
                                                    if (!m_pFailure)
                                                        m_pFailure = std::current_exception();
                                                }
                                            });
        if (!thread.joinable())
        {
            m_bCannotStart = true;
            break;
        }
        m_threads.push_back(std::move(thread));
        m_bStarted = true;
    }
}

void pellium::CHelperThread::Join()
{
    std::vector<std::thread> threads;
    {
        const std::lock_guard lock(m_mutex);
        m_bClosed = true;
        threads.swap(m_threads);
    }
    for (std::thread& thread : threads)
        thread.join();
}

void pellium::CHelperThread::Finish()
{
    if (std::exchange(m_bFinished, true))
        return;
    Join();
    bool bStarted = false;
    {
        const std::lock_guard lock(m_mutex);
        bStarted = m_bStarted;
    }
    if (!bStarted)
        m_fnWork();
    std::exception_ptr pFailure;
    {
        const std::lock_guard lock(m_mutex);
        pFailure = std::exchange(m_pFailure, nullptr);
    }
    if (pFailure)
        std::rethrow_exception(pFailure);
}
