// SPDX-License-Identifier: MIT
#include "pellium/FootprintLister.h"

#include "pellium/HelperThread.h"
#include "pellium/SearchNotes.h"

#include <QFile>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <thread>
#include <unordered_set>
#include <utility>

using namespace pellium;
using FolderState = CFootprint::FolderState;
using ScanResult = CFootprint::ScanResult;

std::vector<UsableFolder> CFootprintLister::UsableFolders(const CSearchPath& path, bool bForListing,
                                                          std::vector<FolderState>* pStates)
{
    struct IdHash
    {
        std::size_t operator()(const std::pair<dev_t, ino_t>& id) const
        {
            return std::hash<ino_t>()(id.second) ^ (std::hash<dev_t>()(id.first) << 1);
        }
    };
    std::unordered_set<std::pair<dev_t, ino_t>, IdHash> seen;
    std::vector<UsableFolder> folders;
    const quint64 nGeneration = m_cache.NextGeneration();
    const qint64 nTick = m_cache.Tick();
    for (qsizetype i = 0; i < path.folders.size(); ++i)
    {
        UsableFolder folder;
        folder.strFolder = path.folders[i];
        folder.nIndex = i;
        const QByteArray encoded = QFile::encodeName(folder.strFolder);
        CFolderFault fault = FolderStatProblem(encoded, folder.st);
        folder.nStatTime = WallClockNow();
        folder.nGeneration = nGeneration;
        if (pStates)
        {
            pStates->push_back(!fault ? CListingCache::StateOf(folder.st, nTick) : FolderState{});
            pStates->back().statFault = fault;
        }
        if (!fault)
            folder.pListing = m_cache.Recall(folder.strFolder, folder.st, nGeneration);
        // A remembered listing was made when the folder could be read; its
        // mode and owner have not changed since (that would change its times).
        if (!fault && !folder.pListing)
        {
            fault = FolderAccessProblem(encoded);
            if (pStates && fault)
                pStates->back().bOtherProblem = true;
        }
        if (fault)
        {
            m_notes.Skip(folder.strFolder, fault, path.unexpanded.value(i), path.origins.value(i));
            continue;
        }
        if (seen.insert({folder.st.st_dev, folder.st.st_ino}).second)
            folders.push_back(std::move(folder));
    }
    m_notes.SkipEmpty(path);
    if (bForListing)
        m_cache.Trim(nGeneration);
    return folders;
}

std::shared_ptr<const ScanResult> CFootprintLister::List(const CSearchPath& path)
{
    std::shared_ptr<const ScanResult> pResult;
    switch (ReuseListing(path, pResult))
    {
    case EReuse::kReused:
        return pResult;
    case EReuse::kStopped:
        return nullptr;
    case EReuse::kNotHeld:
        break;
    }
    return ListAnew(path);
}

bool CFootprintLister::PathHolds(const CListingCache::RememberedPath& remembered, qint64 nTick,
                                 bool bQuiet)
{
    const std::size_t n = remembered.states.size();
    const auto holds = [&remembered, nTick, bQuiet](std::size_t nFirst, std::size_t nEnd)
    {
        for (std::size_t i = nFirst; i < nEnd; ++i)
        {
            if (bQuiet && remembered.watched[i])
                continue;
            struct stat st;
            const CFolderFault fault = FolderStatProblem(remembered.encoded[i], st);
            const FolderState& then = remembered.states[i];
            if (fault != then.statFault || (!fault && !(CListingCache::StateOf(st, nTick) == then)))
                return false;
        }
        return true;
    };
    // Most of a stat is the kernel's: two threads take half the time.
    constexpr std::size_t kFoldersForTwoThreads = 512;
    bool bSecondHalf = true;
    CHelperThread helper(m_cache, !bQuiet && n >= kFoldersForTwoThreads,
                         [&] { bSecondHalf = holds(n / 2, n); });
    const bool bFirstHalf = holds(0, n / 2);
    helper.Finish();
    return bFirstHalf && bSecondHalf;
}

// Answers a listing from the remembered listing of the same path when every
// one of its folders still gives the stat it gave: a stat a folder, on two
// threads for a long path, and nothing per entry.
CFootprintLister::EReuse CFootprintLister::ReuseListing(const CSearchPath& path,
                                                        std::shared_ptr<const ScanResult>& pResult)
{
    qint64 nTick = 1;
    const std::shared_ptr<const CListingCache::RememberedPath> pPath =
        m_cache.FindPath(path, nTick);
    if (!pPath)
        return EReuse::kNotHeld;
    // Folders whose watches saw no change need no stat.
    const CListingCache::Watching checked = m_cache.WatchingNow();
    const bool bQuiet = m_cache.Unchanged(*pPath);
    if (!m_cache.ReusePath(pPath, PathHolds(*pPath, nTick, bQuiet), checked))
        return EReuse::kNotHeld;

    for (std::size_t i = 0; i < pPath->states.size(); ++i)
    {
        if (const CFolderFault fault = pPath->states[i].statFault)
            m_notes.Skip(path.folders[qsizetype(i)], fault, path.unexpanded.value(qsizetype(i)),
                         path.origins.value(qsizetype(i)));
    }
    m_notes.SkipEmpty(path);
    const auto& listings = pPath->pResult->listings;
    CListingProgress progress{0, int(listings.size()), 0};
    for (const Listing& pListing : listings)
    {
        progress.nFound += qsizetype(pListing->entries.size());
        ++progress.nFoldersDone;
        if (!m_notes.Progress(progress))
            return EReuse::kStopped;
    }
    pResult = pPath->pResult;
    return EReuse::kReused;
}

std::shared_ptr<const ScanResult> CFootprintLister::ListAnew(const CSearchPath& path)
{
    auto pPath = std::make_shared<CListingCache::RememberedPath>();
    // The watches are set before anything is looked at, so a change made
    // while the folders are read is seen as well.
    pPath->since = m_cache.WatchingNow();
    const bool bWatch =
        pPath->since.nEra != 0 && m_cache.WatchParents(path.folders, pPath->watches);
    std::vector<UsableFolder> folders = UsableFolders(path, true, &pPath->states);
    auto pResult = std::make_shared<ScanResult>();
    bool bAllKept = true;
    // The number of folders is known before the first is read.
    if (!folders.empty() && !m_notes.Progress({0, int(folders.size()), 0}))
        return nullptr;
    if (!ListFolders(folders, *pResult, bAllKept, bWatch))
        return nullptr;
    const bool bRememberable =
        bAllKept && std::none_of(pPath->states.begin(), pPath->states.end(),
                                 [](const FolderState& state) { return state.bOtherProblem; });
    pPath->pResult = pResult;
    if (bRememberable)
        RememberPath(path, std::move(pPath), folders, bWatch);
    return pResult;
}

void CFootprintLister::RememberPath(const CSearchPath& path,
                                    std::shared_ptr<CListingCache::RememberedPath> pPath,
                                    const std::vector<UsableFolder>& folders, bool bWatch)
{
    pPath->folders = path.folders;
    pPath->unexpanded = path.unexpanded;
    pPath->empty = path.empty;
    pPath->encoded.reserve(std::size_t(path.folders.size()));
    for (const QString& strFolder : path.folders)
        pPath->encoded.push_back(QFile::encodeName(strFolder));
    pPath->watched.assign(std::size_t(path.folders.size()), false);
    if (bWatch)
        for (const UsableFolder& folder : folders)
            if (folder.pListing && folder.pListing->nWatch >= 0)
            {
                pPath->watched[std::size_t(folder.nIndex)] = true;
                pPath->watches.push_back(folder.pListing->nWatch);
            }
    pPath->nCheckedAt = pPath->since.nSeen;
    m_cache.RememberPath(std::move(pPath));
}

namespace
{
// The reading of the folders that have no listing to reuse, shared by the
// calling thread and a helper: each takes the next folder nobody took.
class CFolderReads
{
public:
    CFolderReads(CListingCache& cache, std::vector<UsableFolder>& folders, bool bWatch)
        : m_cache(cache), m_folders(folders), m_reads(std::make_unique<Read[]>(folders.size())),
          m_delay(cache.FolderDelay()), m_onFolder(cache.FolderHook()), m_bWatch(bWatch)
    {
    }

    std::size_t ToRead() const
    {
        return std::size_t(std::count_if(m_folders.begin(), m_folders.end(),
                                         [](const UsableFolder& folder)
                                         { return !folder.pListing; }));
    }
    // Takes the next folder and reads it unless its listing is reused;
    // false when none is left.
    bool ReadNext()
    {
        const std::size_t i = m_nNext++;
        if (i >= m_folders.size())
            return false;
        if (m_delay.count() > 0)
            std::this_thread::sleep_for(m_delay);
        if (m_onFolder)
            m_onFolder(m_folders[i].strFolder);
        Read& read = m_reads[i];
        read.bRead = !m_folders[i].pListing;
        if (read.bRead)
        {
            UsableFolder& folder = m_folders[i];
            const int nWatch =
                m_bWatch ? m_cache.Watch(QFile::encodeName(folder.strFolder), folder.st.st_dev)
                         : -1;
            std::shared_ptr<CFootprint::FolderListing> pListing =
                CFolderReader::Read(folder.strFolder, read.bLinks, read.nError);
            if (pListing)
                pListing->nWatch = nWatch;
            folder.pListing = std::move(pListing);
        }
        read.bDone.store(true, std::memory_order_release);
        return true;
    }
    // The helper's part: folders until none is left or Stop.
    void ReadAll()
    {
        while (!m_bStop.load(std::memory_order_relaxed) && ReadNext())
        {
        }
    }
    void Stop() { m_bStop = true; }
    // Until folder k is read, reads the others not taken yet.
    void WaitFor(std::size_t k, CHelperThread& helper)
    {
        while (!m_reads[k].bDone.load(std::memory_order_acquire))
            if (!ReadNext())
            {
                // The helper may have ended on folder k without reading it.
                helper.RethrowIfFailed();
                std::this_thread::yield();
            }
    }
    bool WasRead(std::size_t k) const { return m_reads[k].bRead; }
    bool SawLinks(std::size_t k) const { return m_reads[k].bLinks; }
    int Error(std::size_t k) const { return m_reads[k].nError; }

private:
    struct Read
    {
        bool bRead = false; // not reused
        bool bLinks = false;
        int nError = 0;
        std::atomic<bool> bDone{false};
    };

    CListingCache& m_cache;
    std::vector<UsableFolder>& m_folders;
    const std::unique_ptr<Read[]> m_reads;
    const std::chrono::milliseconds m_delay;
    const std::function<void(const QString&)> m_onFolder;
    const bool m_bWatch;
    std::atomic<std::size_t> m_nNext{0};
    std::atomic<bool> m_bStop{false};
};
} // namespace

// Reads the folders that have no listing to reuse, on two threads when
// there are many: most of a folder's time is the kernel's, which runs on
// both at once. The listings are then taken in path order, telling the
// progress after each; false when it says stop. bAllKept tells whether
// every folder's listing is now remembered.
bool CFootprintLister::ListFolders(std::vector<UsableFolder>& folders, ScanResult& result,
                                   bool& bAllKept, bool bWatch)
{
    CFolderReads reads(m_cache, folders, bWatch);
    constexpr std::size_t kFoldersForTwoThreads = 16;
    // Without a helper this thread reads every folder itself, in the loop
    // below: the helper's work, run here once stopped, then does nothing.
    CHelperThread helper(m_cache, reads.ToRead() >= kFoldersForTwoThreads,
                         [&reads] { reads.ReadAll(); });
    const auto finish = [&helper, &reads]
    {
        reads.Stop();
        helper.Finish();
    };
    // Memory running out here stops the helper before it is waited for.
    struct StopOnThrow
    {
        CFolderReads& reads;
        ~StopOnThrow() { reads.Stop(); }
    } stopOnThrow{reads};

    const std::size_t n = folders.size();
    CListingProgress progress{0, int(n), 0};
    result.listings.reserve(n);
    for (std::size_t k = 0; k < n; ++k)
    {
        reads.WaitFor(k, helper);
        UsableFolder& folder = folders[k];
        if (!folder.pListing)
        {
            bAllKept = false;
            m_notes.Skip(folder.strFolder, {EFolderFault::kUnreadable, reads.Error(k)});
        }
        else if (reads.WasRead(k))
        {
            // A link's target can change without its folder changing.
            if (!m_cache.Remember(folder.strFolder, folder.st, folder.nStatTime, folder.pListing,
                                  !reads.SawLinks(k), folder.nGeneration))
                bAllKept = false;
        }
        if (folder.pListing)
        {
            progress.nFound += qsizetype(folder.pListing->entries.size());
            for (std::size_t nKind = 0; nKind < 4; ++nKind)
                result.counts[nKind] += folder.pListing->counts[nKind];
            result.listings.push_back(folder.pListing);
        }
        ++progress.nFoldersDone;
        if (!m_notes.Progress(progress))
        {
            finish();
            return false;
        }
    }
    finish();
    return true;
}
