// SPDX-License-Identifier: MIT
#include "pellium/Footprint.h"

#include "pellium/FootprintCachePrivate.h"
#include "pellium/FootprintFolders.h"
#include "pellium/HelperThread.h"

#include <QFile>
#include <QLoggingCategory>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>
#include <unordered_set>
#include <utility>
#include <vector>

using namespace pellium;

namespace
{
Q_LOGGING_CATEGORY(lcSearch, "physprops.search")
} // namespace

// The folders read by a listing and the kinds asked of them so far.
struct CFootprint::ListingScan
{
    QStringList folders;
    std::shared_ptr<const ScanResult> pResult;
    quint8 nMask = 0; // entry flags asked for
};

CFootprint::CFootprint() : m_pCache(DefaultListingCache()) {}
CFootprint::CFootprint(SearchPathSource fnSource)
    : m_fnSource(std::move(fnSource)), m_pCache(DefaultListingCache())
{
}
CFootprint::CFootprint(SearchPathSource fnSource, std::shared_ptr<CListingCache> pCache)
    : m_fnSource(std::move(fnSource)), m_pCache(std::move(pCache))
{
    if (!m_pCache)
        m_pCache = DefaultListingCache();
}
CFootprint::~CFootprint() = default;

void CFootprint::DeleteFootprintList()
{
    m_pieces.clear();
    m_entries.clear();
    m_folders.clear();
    m_nListed = 0;
    m_bCancelled = false;
    m_report = {};
    m_skippedFolders.clear();
}

CSearchPath CFootprint::SearchPathOf(const QString& strProjectPath) const
{
    if (m_fnSource)
        return m_fnSource(strProjectPath);
    qCWarning(lcSearch) << "a search by project path on a footprint search made without a"
                           " search path source:"
                        << strProjectPath;
    CSearchPath path;
    path.projectFault = {.eKind = EFileFault::kNoPathSource, .strFile = strProjectPath};
    path.strProjectError = path.projectFault.Describe();
    return path;
}

int CFootprint::CreateFootprintList(const QString& strProjectPath, const QString& strFileOrExt,
                                    PROPERTY_NAMES nKind, SEARCH_OPTIONS nOption)
{
    return CreateFootprintList(SearchPathOf(strProjectPath), strFileOrExt, nKind, nOption);
}

int CFootprint::CreateFootprintList(const QString& strProjectPath, const QStringList& fileNames,
                                    PROPERTY_NAMES nKind)
{
    return CreateFootprintList(SearchPathOf(strProjectPath), fileNames, nKind);
}

int CFootprint::CreateFootprintList(const CSearchPath& path, const QString& strFileOrExt,
                                    PROPERTY_NAMES nKind, SEARCH_OPTIONS nOption)
{
    if (nOption == SEARCH_VIEWING)
        return CreateFootprintList(path, QStringList{strFileOrExt}, nKind);
    if (!path.strProjectError.isEmpty())
    {
        m_report.projectFault = path.projectFault;
        m_report.strProjectError = path.strProjectError;
        return 0;
    }
    NotePath(path);
    return AddListing(path, strFileOrExt);
}

int CFootprint::CreateFootprintList(const CSearchPath& path, const QStringList& fileNames,
                                    PROPERTY_NAMES)
{
    if (!path.strProjectError.isEmpty())
    {
        m_report.projectFault = path.projectFault;
        m_report.strProjectError = path.strProjectError;
        return 0;
    }
    NotePath(path);
    return AddViewing(path, fileNames);
}

void CFootprint::GetFootprintList(QList<CFootprintEntry*>& list) const
{
    // The usual Browse: one listing of every kind. Its list of all entries
    // is made once and shared by every search that lists the same.
    if (m_pieces.size() == 1 && m_pieces[0].pScan &&
        m_pieces[0].pScan->nMask == (FlagsOfKind(1) | FlagsOfKind(2)))
    {
        const QList<CFootprintEntry*>& all = m_pieces[0].pScan->pResult->All();
        if (list.isEmpty())
            list = all;
        else
            list.append(all);
        return;
    }
    list.reserve(list.size() + qsizetype(m_nListed));
    for (const Piece& piece : m_pieces)
    {
        if (!piece.pScan)
        {
            for (std::size_t i = piece.nFirst; i < piece.nEnd; ++i)
                list.append(const_cast<CFootprintEntry*>(&m_entries[i]));
            continue;
        }
        const quint8 nMask = piece.pScan->nMask;
        for (const Listing& pListing : piece.pScan->pResult->listings)
        {
            if (nMask == (FlagsOfKind(1) | FlagsOfKind(2)))
            {
                // Every entry is asked for: no flag to read.
                for (const CFootprintEntry& entry : pListing->entries)
                    list.append(const_cast<CFootprintEntry*>(&entry));
                continue;
            }
            for (const CFootprintEntry& entry : pListing->entries)
                if (entry.m_nFlags & nMask)
                    list.append(const_cast<CFootprintEntry*>(&entry));
        }
    }
}

const QString* CFootprint::KeepFolder(const QString& strFolder)
{
    m_folders.push_back(strFolder);
    return &m_folders.back();
}

void CFootprint::Skip(const QString& strFolder, CFolderFault fault, const QString& strUnexpanded,
                      const CFolderOrigin& origin)
{
    if (m_skippedFolders.contains(strFolder))
        return;
    m_skippedFolders.insert(strFolder);
    m_report.skipped.append({strFolder, fault, strUnexpanded, origin});
}

// The folders of the path that can be searched, each once: a folder reached
// again through links (or the same folder written twice) is dropped, keeping
// the first. The others are noted with the reason. A folder whose
// remembered listing still holds comes with it and costs one stat. When
// asked, tells what each folder's stat gave, in path order.
std::vector<CFootprint::UsableFolder> CFootprint::UsableFolders(const CSearchPath& path,
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
    std::vector<UsableFolder> folders;
    const quint64 nGeneration = m_pCache->NextGeneration();
    const qint64 nTick = m_pCache->Tick();
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
            folder.pListing = m_pCache->Recall(folder.strFolder, folder.st, nGeneration);
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
            Skip(folder.strFolder, fault, path.unexpanded.value(i), path.origins.value(i));
            continue;
        }
        if (seen.insert({folder.st.st_dev, folder.st.st_ino}).second)
            folders.push_back(std::move(folder));
    }
    for (qsizetype i = 0; i < path.empty.size(); ++i)
        Skip(path.empty[i], {EFolderFault::kExpandsEmpty}, {}, path.emptyOrigins.value(i));
    if (bForListing)
        m_pCache->Trim(nGeneration);
    return folders;
}

void CFootprint::NoteHidden(const QString& strFolder, qsizetype nFiles)
{
    const auto it = std::find_if(m_report.hidden.begin(), m_report.hidden.end(),
                                 [&strFolder](const CHiddenFiles& hidden)
                                 { return hidden.strFolder == strFolder; });
    if (it == m_report.hidden.end())
        m_report.hidden.append({strFolder, nFiles});
}

// A path without a single folder searches nothing; the report says where
// it came from, so the user knows what to set.
void CFootprint::NotePath(const CSearchPath& path)
{
    if (!path.folders.isEmpty() || !path.empty.isEmpty())
        return;
    m_report.bEmptyPath = true;
    m_report.bPathFromProject = path.bFromProject;
    m_report.strProjectFile = path.strProjectFile;
    m_report.lineNotes = path.lineNotes;
}

bool CFootprint::Progress(const CListingProgress& progress)
{
    return !m_fnProgress || m_fnProgress(progress);
}

// Answers a listing from the remembered listing of the same path when every
// one of its folders still gives the stat it gave: a stat a folder, on two
// threads for a long path, and nothing per entry. 1 when answered, 0 when
// the path must be listed, -1 when the progress stopped it.
int CFootprint::ReuseListing(const CSearchPath& path, ListingScan& scan)
{
    qint64 nTick = 1;
    const std::shared_ptr<const CListingCache::RememberedPath> pPath =
        m_pCache->FindPath(path, nTick);
    if (!pPath)
        return 0;

    const std::size_t n = pPath->states.size();
    // Folders whose watches saw no change need no stat.
    const CListingCache::Watching checked = m_pCache->WatchingNow();
    const bool bQuiet = m_pCache->Unchanged(*pPath);
    const auto holds = [&pPath, nTick, bQuiet](std::size_t nFirst, std::size_t nEnd)
    {
        for (std::size_t i = nFirst; i < nEnd; ++i)
        {
            if (bQuiet && pPath->watched[i])
                continue;
            struct stat st;
            const CFolderFault fault = FolderStatProblem(pPath->encoded[i], st);
            const FolderState& then = pPath->states[i];
            if (fault != then.statFault || (!fault && !(CListingCache::StateOf(st, nTick) == then)))
                return false;
        }
        return true;
    };
    // Most of a stat is the kernel's: two threads take half the time.
    constexpr std::size_t kFoldersForTwoThreads = 512;
    bool bSecondHalf = true;
    CHelperThread helper(*m_pCache, !bQuiet && n >= kFoldersForTwoThreads,
                         [&] { bSecondHalf = holds(n / 2, n); });
    const bool bFirstHalf = holds(0, n / 2);
    helper.Finish();
    if (!m_pCache->ReusePath(pPath, bFirstHalf && bSecondHalf, checked))
        return 0;
    const auto& listings = pPath->pResult->listings;

    for (std::size_t i = 0; i < n; ++i)
    {
        if (const CFolderFault fault = pPath->states[i].statFault)
            Skip(path.folders[qsizetype(i)], fault, path.unexpanded.value(qsizetype(i)),
                 path.origins.value(qsizetype(i)));
    }
    for (qsizetype i = 0; i < path.empty.size(); ++i)
        Skip(path.empty[i], {EFolderFault::kExpandsEmpty}, {}, path.emptyOrigins.value(i));
    if (m_fnProgress)
    {
        CListingProgress progress{0, int(listings.size()), 0};
        for (const Listing& pListing : listings)
        {
            progress.nFound += qsizetype(pListing->entries.size());
            ++progress.nFoldersDone;
            if (!Progress(progress))
                return -1;
        }
    }
    scan.pResult = pPath->pResult;
    return 1;
}

int CFootprint::AddListing(const CSearchPath& path, const QString& strExt)
{
    const QString strLower = strExt.toLower();
    const bool bPsm = strLower == u".psm" || strLower == u"psm";
    const bool bDra = strLower == u".dra" || strLower == u"dra";
    if (!bPsm && !bDra)
        return 0;

    std::shared_ptr<ListingScan> pScan;
    for (auto it = m_pieces.rbegin(); it != m_pieces.rend() && !pScan; ++it)
        if (it->pScan)
            pScan = it->pScan;
    if (!pScan || pScan->folders != path.folders)
    {
        pScan = std::make_shared<ListingScan>();
        pScan->folders = path.folders;
        const int nReused = ReuseListing(path, *pScan);
        if (nReused == 0)
        {
            auto pPath = std::make_shared<CListingCache::RememberedPath>();
            // The watches are set before anything is looked at, so a change
            // made while the folders are read is seen as well.
            pPath->since = m_pCache->WatchingNow();
            const bool bWatch =
                pPath->since.nEra != 0 && m_pCache->WatchParents(path.folders, pPath->watches);
            std::vector<UsableFolder> folders = UsableFolders(path, true, &pPath->states);
            auto pResult = std::make_shared<ScanResult>();
            bool bAllKept = true;
            // The number of folders is known before the first is read.
            if (!folders.empty() && !Progress({0, int(folders.size()), 0}))
            {
                m_bCancelled = true;
                return 0;
            }
            if (!ListFolders(folders, *pResult, bAllKept, bWatch))
            {
                m_bCancelled = true;
                return 0;
            }
            pScan->pResult = pResult;
            const bool bRememberable =
                bAllKept &&
                std::none_of(pPath->states.begin(), pPath->states.end(),
                             [](const FolderState& state) { return state.bOtherProblem; });
            if (bRememberable)
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
                pPath->pResult = std::move(pResult);
                m_pCache->RememberPath(std::move(pPath));
            }
        }
        else if (nReused < 0)
        {
            m_bCancelled = true;
            return 0;
        }
        for (const Listing& pListing : pScan->pResult->listings)
            if (pListing->nHidden > 0)
                NoteHidden(pListing->strFolder, qsizetype(pListing->nHidden));
        m_pieces.push_back({pScan, 0, 0});
    }

    const quint8 nWanted = bPsm ? FlagsOfKind(1) : FlagsOfKind(2);
    std::size_t nAdded = 0;
    for (std::size_t nKind = 1; nKind < 4; ++nKind)
        if ((FlagsOfKind(nKind) & nWanted) && !(FlagsOfKind(nKind) & pScan->nMask))
            nAdded += pScan->pResult->counts[nKind];
    pScan->nMask |= nWanted;
    m_nListed += nAdded;
    return int(nAdded);
}

// Reads the folders that have no listing to reuse, on two threads when
// there are many: most of a folder's time is the kernel's, which runs on
// both at once. The listings are then taken in path order, telling the
// progress after each; false when it says stop. bAllKept tells whether
// every folder's listing is now remembered.
bool CFootprint::ListFolders(std::vector<UsableFolder>& folders, ScanResult& result, bool& bAllKept,
                             bool bWatch)
{
    struct Read
    {
        bool bRead = false; // not reused
        bool bLinks = false;
        int nError = 0;
        std::atomic<bool> bDone{false};
    };
    const std::size_t n = folders.size();
    const auto reads = std::make_unique<Read[]>(n);
    const std::chrono::milliseconds delay = m_pCache->FolderDelay();
    const std::function<void(const QString&)> onFolder = m_pCache->FolderHook();
    std::atomic<std::size_t> nNext{0};
    std::atomic<bool> bStop{false};
    const auto readNext = [&]
    {
        const std::size_t i = nNext++;
        if (i >= n)
            return false;
        if (delay.count() > 0)
            std::this_thread::sleep_for(delay);
        if (onFolder)
            onFolder(folders[i].strFolder);
        reads[i].bRead = !folders[i].pListing;
        if (reads[i].bRead)
        {
            const int nWatch = bWatch ? m_pCache->Watch(QFile::encodeName(folders[i].strFolder),
                                                        folders[i].st.st_dev)
                                      : -1;
            std::shared_ptr<FolderListing> pListing =
                ReadFolder(folders[i].strFolder, reads[i].bLinks, reads[i].nError);
            if (pListing)
                pListing->nWatch = nWatch;
            folders[i].pListing = std::move(pListing);
        }
        reads[i].bDone.store(true, std::memory_order_release);
        return true;
    };
    constexpr std::size_t kFoldersForTwoThreads = 16;
    const std::size_t nToRead =
        std::size_t(std::count_if(folders.begin(), folders.end(),
                                  [](const UsableFolder& folder) { return !folder.pListing; }));
    // Without a helper this thread reads every folder itself, in the loop
    // below: the helper's work, run here once stopped, then does nothing.
    CHelperThread helper(*m_pCache, nToRead >= kFoldersForTwoThreads,
                         [&]
                         {
                             while (!bStop.load(std::memory_order_relaxed) && readNext())
                             {
                             }
                         });
    const auto finish = [&helper, &bStop]
    {
        bStop = true;
        helper.Finish();
    };
    // Memory running out here stops the helper before it is waited for.
    struct StopOnThrow
    {
        std::atomic<bool>& bStop;
        ~StopOnThrow() { bStop = true; }
    } stopOnThrow{bStop};

    CListingProgress progress{0, int(n), 0};
    result.listings.reserve(n);
    for (std::size_t k = 0; k < n; ++k)
    {
        while (!reads[k].bDone.load(std::memory_order_acquire))
            if (!readNext())
            {
                // The helper may have ended on folder k without reading it.
                helper.RethrowIfFailed();
                std::this_thread::yield();
            }
        UsableFolder& folder = folders[k];
        if (!folder.pListing)
        {
            bAllKept = false;
            Skip(folder.strFolder, {EFolderFault::kUnreadable, reads[k].nError});
        }
        else if (reads[k].bRead)
        {
            // A link's target can change without its folder changing.
            if (!m_pCache->Remember(folder.strFolder, folder.st, folder.nStatTime, folder.pListing,
                                    !reads[k].bLinks, folder.nGeneration))
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
        if (!Progress(progress))
        {
            finish();
            return false;
        }
    }
    finish();
    return true;
}
