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

std::vector<std::size_t> CFootprintLister::UsableFolders(CFolderWalk& walk, const CSearchPath& path,
                                                         bool bForListing,
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
    std::vector<std::size_t> usable;
    const qint64 nTick = m_cache.Tick();
    walk.WaitChecked();
    for (std::size_t i = 0; i < walk.Size(); ++i)
    {
        const WalkedFolder& walked = walk.Folder(i);
        const struct stat& st = walked.folder.st;
        if (pStates)
        {
            pStates->push_back(!walked.bStatFault ? CListingCache::StateOf(st, nTick)
                                                  : FolderState{});
            if (walked.bStatFault)
                pStates->back().statFault = walked.fault;
            else
                pStates->back().bOtherProblem = bool(walked.fault);
        }
        const qsizetype nIndex = qsizetype(i);
        if (walked.fault)
            m_notes.Skip(walked.folder.strFolder, walked.fault, path.unexpanded.value(nIndex),
                         path.origins.value(nIndex));
        else if (seen.insert({st.st_dev, st.st_ino}).second)
            usable.push_back(i);
        else
            walk.Drop(i);
    }
    m_notes.SkipEmpty(path);
    if (bForListing)
        m_cache.Trim(walk.Generation());
    return usable;
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
    std::atomic<std::size_t> nNext{0};
    std::atomic<bool> bHolds{true};
    const auto check = [&remembered, nTick, bQuiet, n, &nNext, &bHolds]
    {
        for (std::size_t i = 0; bHolds.load(std::memory_order_relaxed) && (i = nNext++) < n;)
        {
            if (bQuiet && remembered.watched[i])
                continue;
            struct stat st;
            const CFolderFault fault = FolderStatProblem(remembered.encoded[i], st);
            const FolderState& then = remembered.states[i];
            if (fault != then.statFault || (!fault && !(CListingCache::StateOf(st, nTick) == then)))
                bHolds = false;
        }
    };
    CHelperThread helpers(m_cache, HelpersToCheck(remembered, bQuiet), check);
    check();
    helpers.Finish();
    return bHolds;
}

// On a share every stat is a round trip: many at once. On a local disk most
// of a stat is the kernel's: two threads take half the time of a long path.
std::size_t CFootprintLister::HelpersToCheck(const CListingCache::RememberedPath& remembered,
                                             bool bQuiet)
{
    const std::size_t n = remembered.states.size();
    for (std::size_t i = 0; i < n; ++i)
    {
        if (remembered.states[i].statFault)
            continue;
        if (!m_cache.IsLocalDevice(remembered.states[i].dev, -1, remembered.encoded[i]))
            return std::min(kShareThreads, n) - 1;
        break;
    }
    constexpr std::size_t kFoldersForTwoThreads = 512;
    return !bQuiet && n >= kFoldersForTwoThreads && SeveralCores() ? 1 : 0;
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
    CFolderWalk walk(m_cache, path.folders, {},
                     [this, bWatch](WalkedFolder& walked, int nFd)
                     { ReadListing(walked, nFd, bWatch); });
    const std::vector<std::size_t> usable = UsableFolders(walk, path, true, &pPath->states);
    auto pResult = std::make_shared<ScanResult>();
    bool bAllKept = true;
    // The number of folders is known before the first is read.
    if (!usable.empty() && !m_notes.Progress({0, int(usable.size()), 0}))
        return nullptr;
    if (!ListFolders(walk, usable, *pResult, bAllKept))
        return nullptr;
    const bool bRememberable =
        bAllKept && std::none_of(pPath->states.begin(), pPath->states.end(),
                                 [](const FolderState& state) { return state.bOtherProblem; });
    pPath->pResult = pResult;
    if (bRememberable)
        RememberPath(path, std::move(pPath), walk, usable, bWatch);
    return pResult;
}

void CFootprintLister::ReadListing(WalkedFolder& walked, int nFd, bool bWatch)
{
    UsableFolder& folder = walked.folder;
    if (folder.pListing)
        return;
    const int nWatch = bWatch ? m_cache.Watch(walked.encoded, folder.st.st_dev) : -1;
    std::shared_ptr<CFootprint::FolderListing> pListing =
        CFolderReader::Read(folder.strFolder, walked.encoded, nFd, walked.bLinks, walked.nError);
    if (pListing)
        pListing->nWatch = nWatch;
    walked.bRead = true;
    folder.pListing = std::move(pListing);
}

void CFootprintLister::RememberPath(const CSearchPath& path,
                                    std::shared_ptr<CListingCache::RememberedPath> pPath,
                                    const CFolderWalk& walk, const std::vector<std::size_t>& usable,
                                    bool bWatch)
{
    pPath->folders = path.folders;
    pPath->unexpanded = path.unexpanded;
    pPath->empty = path.empty;
    pPath->encoded.reserve(std::size_t(path.folders.size()));
    for (const QString& strFolder : path.folders)
        pPath->encoded.push_back(QFile::encodeName(strFolder));
    pPath->watched.assign(std::size_t(path.folders.size()), false);
    if (bWatch)
        for (const std::size_t i : usable)
        {
            const Listing& pListing = walk.Folder(i).folder.pListing;
            if (pListing && pListing->nWatch >= 0)
            {
                pPath->watched[i] = true;
                pPath->watches.push_back(pListing->nWatch);
            }
        }
    pPath->nCheckedAt = pPath->since.nSeen;
    m_cache.RememberPath(std::move(pPath));
}

// Takes the listings of the usable folders in path order as the walk reads
// them, telling the progress after each; false when it says stop. bAllKept
// tells whether every folder's listing is now remembered.
bool CFootprintLister::ListFolders(CFolderWalk& walk, const std::vector<std::size_t>& usable,
                                   ScanResult& result, bool& bAllKept)
{
    const std::size_t n = usable.size();
    CListingProgress progress{0, int(n), 0};
    result.listings.reserve(n);
    for (const std::size_t i : usable)
    {
        const WalkedFolder& walked = walk.WaitRead(i);
        const UsableFolder& folder = walked.folder;
        if (!folder.pListing)
        {
            bAllKept = false;
            m_notes.Skip(folder.strFolder, {EFolderFault::kUnreadable, walked.nError});
        }
        else if (walked.bRead)
        {
            // A link's target can change without its folder changing.
            if (!m_cache.Remember(folder.strFolder, folder.st, folder.nStatTime, folder.pListing,
                                  !walked.bLinks, folder.nGeneration))
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
            walk.Stop();
            return false;
        }
    }
    return true;
}
