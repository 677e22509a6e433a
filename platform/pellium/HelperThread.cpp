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

pellium::CHelperThread::CHelperThread(const CListingCache& cache, bool bWorthIt,
                                      std::function<void()> fnWork)
    : m_fnWork(std::move(fnWork))
{
    if (bWorthIt && std::thread::hardware_concurrency() > 1)
        m_thread = TryStartThread(cache,
                                  [this]
                                  {
                                      try
                                      {
                                          m_fnWork();
                                      }
                                      catch (...)
                                      {
                                          m_pFailure = std::current_exception();
                                          m_bFailed.store(true, std::memory_order_release);
                                      }
                                  });
}

pellium::CHelperThread::~CHelperThread()
{
    if (m_thread.joinable())
        m_thread.join();
}

void pellium::CHelperThread::Finish()
{
    if (m_bFinished)
        return;
    m_bFinished = true;
    if (m_thread.joinable())
        m_thread.join();
    else
        m_fnWork();
    if (m_pFailure)
        std::rethrow_exception(std::exchange(m_pFailure, nullptr));
}

void pellium::CHelperThread::RethrowIfFailed()
{
    if (!m_bFailed.load(std::memory_order_acquire))
        return;
    m_bFinished = true;
    if (m_thread.joinable())
        m_thread.join();
    if (m_pFailure)
        std::rethrow_exception(std::exchange(m_pFailure, nullptr));
}
