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
        m_thread = TryStartThread(cache, m_fnWork);
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
}
