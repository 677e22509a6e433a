// SPDX-License-Identifier: MIT
#include "pellium/FootprintCachePrivate.h"

#include <algorithm>
#include <utility>

using namespace pellium;

namespace
{
// Beyond this many entries the listings used longest ago are forgotten.
constexpr std::size_t kRememberedEntries = 3000000;
// Search paths remembered whole: a few projects browsed in turn.
constexpr std::size_t kRememberedPaths = 4;

bool AllRemembered(const std::vector<Listing>& listings)
{
    return std::all_of(listings.begin(), listings.end(),
                       [](const Listing& p) { return p->bRemembered; });
}
} // namespace

CListingCache::CListingCache() = default;
CListingCache::~CListingCache() = default;

CListingCache::State CListingCache::StateOf(const struct stat& st, qint64 nTick)
{
    const qint64 nStep = std::max<qint64>(1, nTick);
    State state;
    state.dev = st.st_dev;
    state.ino = st.st_ino;
    state.nModified = Nanoseconds(st.st_mtim) / nStep * nStep;
    state.nChanged = Nanoseconds(st.st_ctim) / nStep * nStep;
    return state;
}

void CListingCache::ForgetFolder(Folders::iterator it)
{
    m_nEntries -= it->second.pListing->entries.size();
    it->second.pListing->bRemembered = false;
    m_folders.erase(it);
}

void CListingCache::ForgetAll()
{
    for (auto& [strFolder, remembered] : m_folders)
        remembered.pListing->bRemembered = false;
    m_folders.clear();
    m_paths.clear();
    m_nEntries = 0;
}

// A path whose listings are no longer all remembered would hold more than
// the bound allows, or a listing that no longer holds.
void CListingCache::DropStalePaths()
{
    std::erase_if(m_paths, [](const std::shared_ptr<const RememberedPath>& pPath)
                  { return !AllRemembered(pPath->pResult->listings); });
}

void CListingCache::Forget()
{
    std::lock_guard lock(m_mutex);
    ForgetAll();
}

CListingCache::Stats CListingCache::GetStats() const
{
    std::lock_guard lock(m_mutex);
    return m_stats;
}

CListingCache::Tuning CListingCache::SetTuning(const Tuning& tuning)
{
    std::lock_guard lock(m_mutex);
    Tuning old = m_tuning;
    m_tuning = tuning;
    // Times already remembered were read with the old tick.
    ForgetAll();
    return old;
}

qint64 CListingCache::Tick() const
{
    std::lock_guard lock(m_mutex);
    return m_tuning.tick.count();
}

std::chrono::milliseconds CListingCache::FolderDelay() const
{
    std::lock_guard lock(m_mutex);
    return m_tuning.folderDelay;
}

std::function<void(const QString&)> CListingCache::FolderHook() const
{
    std::lock_guard lock(m_mutex);
    return m_tuning.onFolder;
}

bool CListingCache::ThreadsFail() const
{
    std::lock_guard lock(m_mutex);
    return m_tuning.bThreadsFail;
}

quint64 CListingCache::NextGeneration()
{
    std::lock_guard lock(m_mutex);
    return ++m_nGeneration;
}

Listing CListingCache::Recall(const QString& strFolder, const struct stat& st, quint64 nGeneration)
{
    std::lock_guard lock(m_mutex);
    const auto it = m_folders.find(strFolder);
    if (it == m_folders.end())
        return {};
    if (!(it->second.id == StateOf(st, m_tuning.tick.count())))
    {
        ForgetFolder(it);
        return {};
    }
    it->second.pListing->nUsed = nGeneration;
    ++m_stats.nReused;
    return it->second.pListing;
}

bool CListingCache::Remember(const QString& strFolder, const struct stat& st, qint64 nStatTime,
                             const Listing& pListing, bool bReusable, quint64 nGeneration)
{
    std::lock_guard lock(m_mutex);
    ++m_stats.nRead;
    const State id = StateOf(st, m_tuning.tick.count());
    if (const auto it = m_folders.find(strFolder); it != m_folders.end())
        ForgetFolder(it);
    if (!bReusable || nStatTime - std::max(id.nModified, id.nChanged) < m_tuning.quiet.count())
        return false;
    m_folders[strFolder] = {id, pListing};
    pListing->nUsed = nGeneration;
    pListing->bRemembered = true;
    m_nEntries += pListing->entries.size();
    return true;
}

void CListingCache::Trim(quint64 nGeneration)
{
    std::lock_guard lock(m_mutex);
    if (m_nEntries > kRememberedEntries)
    {
        std::vector<std::pair<quint64, QString>> byAge;
        for (const auto& [strFolder, remembered] : m_folders)
            if (remembered.pListing->nUsed != nGeneration)
                byAge.emplace_back(remembered.pListing->nUsed, strFolder);
        std::sort(byAge.begin(), byAge.end());
        for (const auto& [nUsed, strFolder] : byAge)
        {
            if (m_nEntries <= kRememberedEntries)
                break;
            ForgetFolder(m_folders.find(strFolder));
        }
    }
    DropStalePaths();
}

void CListingCache::RememberPath(std::shared_ptr<RememberedPath> pPath)
{
    std::lock_guard lock(m_mutex);
    if (!AllRemembered(pPath->pResult->listings))
        return;
    std::erase_if(m_paths, [&pPath](const std::shared_ptr<const RememberedPath>& pOld)
                  { return pOld->folders == pPath->folders; });
    pPath->nUsed = ++m_nGeneration;
    if (m_paths.size() >= kRememberedPaths)
        m_paths.erase(std::min_element(m_paths.begin(), m_paths.end(),
                                       [](const auto& a, const auto& b)
                                       { return a->nUsed < b->nUsed; }));
    m_paths.push_back(std::move(pPath));
}

void CListingCache::CountRead()
{
    std::lock_guard lock(m_mutex);
    ++m_stats.nRead;
}

std::shared_ptr<const CListingCache::RememberedPath>
CListingCache::FindPath(const CSearchPath& path, qint64& nTick) const
{
    std::lock_guard lock(m_mutex);
    // The delay stands for slow storage, which every folder pays.
    if (m_tuning.folderDelay.count() > 0 || m_tuning.onFolder)
        return {};
    nTick = m_tuning.tick.count();
    std::shared_ptr<const RememberedPath> pPath;
    for (const auto& pCandidate : m_paths)
        if (pCandidate->folders == path.folders && pCandidate->unexpanded == path.unexpanded &&
            pCandidate->empty == path.empty)
            pPath = pCandidate;
    return pPath;
}

bool CListingCache::ReusePath(const std::shared_ptr<const RememberedPath>& pPath, bool bHolds)
{
    const auto& listings = pPath->pResult->listings;
    std::lock_guard lock(m_mutex);
    if (!bHolds || !AllRemembered(listings))
    {
        std::erase(m_paths, pPath);
        return false;
    }
    const quint64 nGeneration = ++m_nGeneration;
    pPath->nUsed = nGeneration;
    for (const Listing& pListing : listings)
        pListing->nUsed = nGeneration;
    m_stats.nReused += listings.size();
    ++m_stats.nPathsReused;
    return true;
}

const std::shared_ptr<CListingCache>& DefaultListingCache()
{
    static const auto* s_pCache =
        new std::shared_ptr<CListingCache>(std::make_shared<CListingCache>());
    return *s_pCache;
}

void CFolderListings::Forget()
{
    DefaultListingCache()->Forget();
}

CFolderListings::Stats CFolderListings::GetStats()
{
    return DefaultListingCache()->GetStats();
}

CFolderListings::Tuning CFolderListings::SetTuning(const Tuning& tuning)
{
    return DefaultListingCache()->SetTuning(tuning);
}
