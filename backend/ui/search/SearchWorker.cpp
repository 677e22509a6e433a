// SPDX-License-Identifier: MIT
#include "search/SearchWorker.h"

#include "common/Modal.h"

#include <QMetaMethod>

#include <atomic>
#include <mutex>
#include <new>
#include <thread>
#include <utility>

#include <dlfcn.h>

namespace physprops::ui
{
namespace
{
// A search left behind runs this library's code: once one has started, the
// library stays mapped for the rest of the process, even if the host
// unloads the module.
void KeepLibraryLoaded()
{
    static const bool s_bKept = []
    {
        Dl_info info{};
        if (dladdr(reinterpret_cast<void*>(&KeepLibraryLoaded), &info) == 0 || !info.dli_fname)
            return false;
        return dlopen(info.dli_fname, RTLD_LAZY | RTLD_NOLOAD | RTLD_NODELETE) != nullptr;
    }();
    (void)s_bKept;
}
} // namespace

// What the search thread and the worker share; the thread holds it for as
// long as it runs, whatever becomes of the worker.
struct CFootprintSearchWorker::State
{
    CFootprint search;
    std::atomic<bool> bCancel{false};
    std::mutex mutex;
    // Under mutex: the worker, until it is destroyed, and what it has not
    // been told yet.
    CFootprintSearchWorker* pWorker = nullptr;
    CListingProgress progress;
    bool bDone = false;
    // The search ran out of memory on its thread, and was ended there.
    bool bOutOfMemory = false;
    bool bReportPending = false;
    // Connections to progressed. With none, the search posts only its end:
    // a quick search waited for behind the wait cursor would otherwise wake
    // the waiting thread once per folder for news nobody shows.
    int nProgressListeners = 0;

    // Asks the worker's thread to take the news; one request at a time.
    void TellWorker()
    {
        if (!pWorker || bReportPending || (!bDone && nProgressListeners == 0))
            return;
        // Marked once posted: a post that fails for want of memory is tried
        // again with the next news.
        QMetaObject::invokeMethod(pWorker, "Report", Qt::QueuedConnection);
        bReportPending = true;
    }
};

CFootprintSearchWorker::CFootprintSearchWorker() : m_pState(std::make_shared<State>())
{
    m_pState->pWorker = this;
}

CFootprintSearchWorker::~CFootprintSearchWorker()
{
    // A search left behind posts nothing more; a request already posted goes
    // with this object.
    std::lock_guard lock(m_pState->mutex);
    m_pState->pWorker = nullptr;
}

void CFootprintSearchWorker::Start(Work work)
{
    State* pState = m_pState.get();
    // The search lives in the state, so its progress function needs no hold
    // of its own.
    pState->search.SetProgress(
        [pState](const CListingProgress& progress)
        {
            std::lock_guard lock(pState->mutex);
            pState->progress = progress;
            pState->TellWorker();
            return !pState->bCancel.load();
        });
    // On the search thread memory running out would end the process: it is
    // caught there and told to the dialog's thread as a fact. The same holds
    // for a search run on the dialog's thread for want of a thread (most
    // often for want of memory); the framework's own exceptions there, out
    // of the search, still pass through.
    auto run = [pState = m_pState, work = std::move(work)]
    {
        bool bOutOfMemory = false;
        try
        {
            work(pState->search);
        }
        catch (const std::bad_alloc&)
        {
            bOutOfMemory = true;
        }
        std::lock_guard lock(pState->mutex);
        pState->bDone = true;
        pState->bOutOfMemory = bOutOfMemory;
        try
        {
            pState->TellWorker();
        }
        catch (const std::bad_alloc&)
        {
            // Not told: the wait sees the end when its patience runs out,
            // or the user cancels the progress.
        }
    };
    KeepLibraryLoaded();
    if (std::thread thread = TryStartThread(run); thread.joinable())
        thread.detach();
    else
    {
        // No thread to be had: the search runs here, without Cancel.
        CWaitCursor wait;
        run();
    }
}

void CFootprintSearchWorker::Cancel()
{
    m_pState->bCancel = true;
}

bool CFootprintSearchWorker::IsFinished() const
{
    std::lock_guard lock(m_pState->mutex);
    return m_pState->bDone;
}

CListingProgress CFootprintSearchWorker::Progress() const
{
    std::lock_guard lock(m_pState->mutex);
    return m_pState->progress;
}

bool CFootprintSearchWorker::OutOfMemory() const
{
    std::lock_guard lock(m_pState->mutex);
    return m_pState->bOutOfMemory;
}

CFootprint& CFootprintSearchWorker::Search()
{
    return m_pState->search;
}

void CFootprintSearchWorker::connectNotify(const QMetaMethod& signal)
{
    if (signal != QMetaMethod::fromSignal(&CFootprintSearchWorker::progressed))
        return;
    std::lock_guard lock(m_pState->mutex);
    ++m_pState->nProgressListeners;
    // What the search did while nobody listened is told at once, not at its
    // next folder: that one may take long on a slow share.
    m_pState->TellWorker();
}

void CFootprintSearchWorker::disconnectNotify(const QMetaMethod& signal)
{
    if (signal != QMetaMethod::fromSignal(&CFootprintSearchWorker::progressed))
        return;
    std::lock_guard lock(m_pState->mutex);
    --m_pState->nProgressListeners;
}

void CFootprintSearchWorker::Report()
{
    CListingProgress progress;
    bool bDone = false;
    {
        std::lock_guard lock(m_pState->mutex);
        m_pState->bReportPending = false;
        progress = m_pState->progress;
        bDone = m_pState->bDone;
    }
    if (bDone)
    {
        if (!std::exchange(m_bFinishTold, true))
            Q_EMIT finished();
        return;
    }
    Q_EMIT progressed(progress);
}
} // namespace physprops::ui
