// SPDX-License-Identifier: MIT
#include "pellium/FolderWalk.h"

#include "pellium/FootprintCachePrivate.h"

#include <QFile>

#include <algorithm>
#include <thread>
#include <utility>

#include <sys/resource.h>
#include <unistd.h>

using pellium::CFolderWalk;

namespace
{
// Folders held open between their check and their reading: enough to keep
// a share's threads busy, well within the process's descriptors.
std::size_t MostOpenFolders()
{
    static const std::size_t s_nMost = []
    {
        rlimit limit{};
        if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
            return std::size_t(256);
        return std::clamp<std::size_t>(std::size_t(limit.rlim_cur / 4), 16, 1024);
    }();
    return s_nMost;
}

// On a local disk a second thread pays from this many folders on.
constexpr std::size_t kFoldersForTwoThreads = 16;
} // namespace

CFolderWalk::CFolderWalk(CListingCache& cache, const QStringList& folders, Options options,
                         Reader fnRead)
    : m_cache(cache), m_options(options), m_fnRead(std::move(fnRead)),
      m_nGeneration(cache.NextGeneration()), m_delay(cache.FolderDelay()),
      m_onFolder(cache.FolderHook()), m_nMostOpen(MostOpenFolders()),
      m_slots(std::size_t(folders.size())), m_helpers(cache, 0, [this] { Work(); })
{
    const std::size_t n = m_slots.size();
    for (std::size_t i = 0; i < n; ++i)
    {
        UsableFolder& folder = m_slots[i].walked.folder;
        folder.strFolder = folders[qsizetype(i)];
        folder.nIndex = qsizetype(i);
        folder.nGeneration = m_nGeneration;
        m_slots[i].walked.encoded = QFile::encodeName(folder.strFolder);
    }
    // Never grows once the helpers run.
    m_toRead.reserve(n);
    if (cache.TreatsAsShare())
    {
        m_bDeviceSeen = true;
        m_helpers.Widen(std::min(kShareThreads, n) - std::min<std::size_t>(n, 1));
    }
    else if (n >= kFoldersForTwoThreads && SeveralCores())
        m_helpers.Widen(1);
}

CFolderWalk::~CFolderWalk()
{
    Stop();
    m_helpers.Join();
    for (Slot& slot : m_slots)
        Close(slot);
}

void CFolderWalk::Stop()
{
    {
        const std::lock_guard lock(m_mutex);
        m_bStop = true;
    }
    m_changed.notify_all();
}

void CFolderWalk::Drop(std::size_t i)
{
    const std::lock_guard lock(m_mutex);
    m_slots[i].bDropped = true;
}

// The caller reads no folder while it waits for the checks, unless the
// folders held open keep it from checking: a folder that hangs would keep
// it from telling how many folders there are.
void CFolderWalk::WaitChecked()
{
    WaitUntil([this] { return m_nChecked == m_slots.size(); }, false);
}

const pellium::WalkedFolder& CFolderWalk::WaitRead(std::size_t i)
{
    WaitUntil([this, i] { return m_slots[i].bDone; }, true);
    return m_slots[i].walked;
}

// Not after Stop: nothing would end the wait but a helper's fault.
void CFolderWalk::WaitUntil(const std::function<bool()>& fnDone, bool bRead)
{
    std::unique_lock lock(m_mutex);
    for (;;)
    {
        if (m_pFailure)
            std::rethrow_exception(std::exchange(m_pFailure, nullptr));
        if (fnDone())
            return;
        if (!Step(lock, bRead))
            m_changed.wait(lock);
    }
}

void CFolderWalk::Work()
{
    try
    {
        std::unique_lock lock(m_mutex);
        while (!m_bStop)
        {
            if (Step(lock, true))
                continue;
            if (m_nChecked == m_slots.size() && m_toRead.empty())
                return;
            m_changed.wait(lock);
        }
    }
    catch (...)
    {
        const std::lock_guard lock(m_mutex);
        if (!m_pFailure)
            m_pFailure = std::current_exception();
        m_bStop = true;
        m_changed.notify_all();
    }
}

void CFolderWalk::PushRead(std::size_t i)
{
    m_toRead.push_back(i);
    std::push_heap(m_toRead.begin(), m_toRead.end(), std::greater<>());
}

std::size_t CFolderWalk::PopRead()
{
    std::pop_heap(m_toRead.begin(), m_toRead.end(), std::greater<>());
    const std::size_t i = m_toRead.back();
    m_toRead.pop_back();
    return i;
}

// Checks come first, as far as folders may be held open: once every folder
// is checked the search knows how many it reads and what it skips. Then the
// first folder in path order, which the caller waits for first.
bool CFolderWalk::Step(std::unique_lock<std::mutex>& lock, bool bRead)
{
    if (m_bStop)
        return false;
    const bool bToCheck = m_nNextCheck < m_slots.size();
    if (bToCheck && m_nOpen < m_nMostOpen)
    {
        const std::size_t i = m_nNextCheck++;
        Slot& slot = m_slots[i];
        ++m_nOpen;
        lock.unlock();
        Check(slot);
        lock.lock();
        if (slot.nFd < 0)
            --m_nOpen;
        ++m_nChecked;
        if (slot.walked.fault)
            slot.bDone = true;
        else
            PushRead(i);
        m_changed.notify_all();
        return true;
    }
    while (!m_toRead.empty() && (bRead || bToCheck))
    {
        Slot& slot = m_slots[PopRead()];
        const bool bOpen = slot.nFd >= 0, bWanted = !slot.bDropped;
        if (bWanted)
        {
            lock.unlock();
            Read(slot);
            Close(slot);
            lock.lock();
        }
        else
            Close(slot);
        if (bOpen)
            --m_nOpen;
        slot.bDone = true;
        m_changed.notify_all();
        if (bWanted)
            return true;
    }
    return false;
}

void CFolderWalk::Close(Slot& slot)
{
    if (slot.nFd >= 0)
        close(std::exchange(slot.nFd, -1));
}

void CFolderWalk::Check(Slot& slot)
{
    WalkedFolder& walked = slot.walked;
    UsableFolder& folder = walked.folder;
    const COpenedFolder opened = OpenFolder(walked.encoded, folder.st);
    folder.nStatTime = WallClockNow();
    walked.fault = opened.fault;
    walked.bStatFault = opened.bStatFault;
    slot.nFd = opened.nFd;
    if (slot.nFd < 0)
        return;
    LookAtDevice(slot);
    folder.pListing = m_cache.Recall(folder.strFolder, folder.st, m_nGeneration);
    // A remembered listing was made when the folder could be searched; its
    // mode and owner have not changed since (that would change its times).
    if (!folder.pListing)
        walked.fault = SearchProblem(walked.encoded, folder.st);
    if (walked.fault || (folder.pListing && !m_options.bKeepRemembered))
        Close(slot);
}

void CFolderWalk::Read(Slot& slot)
{
    if (m_options.bPace)
    {
        if (m_delay.count() > 0)
            std::this_thread::sleep_for(m_delay);
        if (m_onFolder)
            m_onFolder(slot.walked.folder.strFolder);
    }
    m_fnRead(slot.walked, slot.nFd);
}

void CFolderWalk::LookAtDevice(const Slot& slot)
{
    if (m_bDeviceSeen.exchange(true))
        return;
    const std::size_t n = m_slots.size();
    if (!m_cache.IsLocalDevice(slot.walked.folder.st.st_dev, slot.nFd, slot.walked.encoded))
        m_helpers.Widen(std::min(kShareThreads, n) - 1);
}
