// SPDX-License-Identifier: MIT
#include "pellium/FootprintCachePrivate.h"

#include "pellium/FileCalls.h"

#include <QFile>
#include <QSet>

#include <algorithm>
#include <cstring>
#include <utility>

#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

using namespace pellium;

namespace
{
// Beyond this many entries the listings used longest ago are forgotten.
constexpr std::size_t kRememberedEntries = 3000000;
// Search paths remembered whole: a few projects browsed in turn.
constexpr std::size_t kRememberedPaths = 4;

// Leaves most of the user's watches to other programs.
std::size_t WatchesToUse()
{
    static constexpr char kLimit[] = "/proc/sys/fs/inotify/max_user_watches";
    NoteFileCall(EFileCall::kOpen, kLimit);
    QFile limit(QString::fromLatin1(kLimit));
    if (!limit.open(QIODevice::ReadOnly))
        return 0;
    NoteFileCall(EFileCall::kRead, kLimit);
    return std::size_t(std::clamp<qint64>(limit.readAll().trimmed().toLongLong() / 4, 0, 65536));
}

bool AllRemembered(const std::vector<Listing>& listings)
{
    return std::all_of(listings.begin(), listings.end(),
                       [](const Listing& p) { return p->bRemembered; });
}
} // namespace

CListingCache::CListingCache() = default;
CListingCache::~CListingCache()
{
    if (m_nNotifyFd >= 0)
        close(m_nNotifyFd);
}

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
    // Closing the descriptor ends every watch; the next era starts afresh.
    if (m_nNotifyFd >= 0)
        close(m_nNotifyFd);
    m_nNotifyFd = -1;
    m_changedAt.clear();
    m_wholeWatches.clear();
    m_parentNames.clear();
    m_nChanges = m_nOverflowAt = 0;
    m_watches.clear();
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

bool CListingCache::TreatsAsShare() const
{
    std::lock_guard lock(m_mutex);
    return m_tuning.bTreatAsShare;
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

bool CListingCache::ReusePath(const std::shared_ptr<const RememberedPath>& pPath, bool bHolds,
                              Watching checked)
{
    const auto& listings = pPath->pResult->listings;
    std::lock_guard lock(m_mutex);
    if (!bHolds || !AllRemembered(listings))
    {
        std::erase(m_paths, pPath);
        return false;
    }
    if (checked.nEra == pPath->since.nEra)
        pPath->nCheckedAt = std::max(pPath->nCheckedAt, checked.nSeen);
    const quint64 nGeneration = ++m_nGeneration;
    pPath->nUsed = nGeneration;
    for (const Listing& pListing : listings)
        pListing->nUsed = nGeneration;
    m_stats.nReused += listings.size();
    ++m_stats.nPathsReused;
    return true;
}

// Reads what the kernel has queued: every change counts for its watch.
void CListingCache::ReadChanges()
{
    if (m_nNotifyFd < 0)
        return;
    alignas(inotify_event) char buffer[16384];
    for (;;)
    {
        const ssize_t nRead = read(m_nNotifyFd, buffer, sizeof(buffer));
        if (nRead <= 0)
            return;
        for (ssize_t nAt = 0; nAt < nRead;)
        {
            inotify_event event;
            std::memcpy(&event, buffer + nAt, sizeof(event));
            const char* pszName = event.len ? buffer + nAt + sizeof(inotify_event) : nullptr;
            nAt += ssize_t(sizeof(inotify_event) + event.len);
            if (event.mask & IN_Q_OVERFLOW)
            {
                m_nOverflowAt = ++m_nChanges;
                continue;
            }
            // A parent tells of every entry of its own (a busy /tmp or home
            // folder): only those on the way to a folder count.
            if (pszName && !m_wholeWatches.contains(event.wd))
            {
                const auto it = m_parentNames.find(event.wd);
                if (it != m_parentNames.end() && !it->second.contains(std::string(pszName)))
                    continue;
            }
            m_changedAt[event.wd] = ++m_nChanges;
        }
    }
}

bool IsLocalFileSystemType(unsigned long nType)
{
    switch (nType)
    {
    case 0xEF53:     // ext2, ext3, ext4
    case 0x58465342: // xfs
    case 0x9123683E: // btrfs
    case 0x01021994: // tmpfs
    case 0xF2F52010: // f2fs
    case 0x794C7630: // overlayfs: every container's root
    case 0x2FC12FC1: // zfs
    case 0xCA451A4E: // bcachefs
        return true;
    default:
        return false;
    }
}

// File systems whose every change passes through this kernel: a network
// file system changed by another machine tells no watch. Asked outside the
// lock: on a share the call is a round trip.
bool CListingCache::IsLocalDevice(dev_t dev, int nFd, const QByteArray& encoded)
{
    {
        std::lock_guard lock(m_mutex);
        if (m_tuning.bTreatAsShare)
            return false;
        const auto it = m_localDevices.find(dev);
        if (it != m_localDevices.end())
            return it->second;
    }
    struct statfs fs;
    NoteFileCall(EFileCall::kStatFs, encoded.constData());
    const int nResult = nFd >= 0 ? fstatfs(nFd, &fs) : statfs(encoded.constData(), &fs);
    const bool bLocal =
        nResult == 0 && IsLocalFileSystemType(static_cast<unsigned long>(fs.f_type));
    std::lock_guard lock(m_mutex);
    m_localDevices[dev] = bLocal;
    return bLocal;
}

CListingCache::Watching CListingCache::WatchingNow()
{
    std::lock_guard lock(m_mutex);
    if (m_nNotifyFd < 0)
    {
        m_nNotifyFd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        ++m_nEra;
        m_nMostWatches = WatchesToUse();
    }
    if (m_nNotifyFd < 0)
        return {};
    ReadChanges();
    return {m_nEra, m_nChanges};
}

int CListingCache::Watch(const QByteArray& encoded, dev_t dev, bool bWhole)
{
    // Entries added, removed or renamed, the folder moved or removed. A link
    // is not watched: what it points to may change without a word. A folder's
    // own mode or owner (whether it can be read) is told by its parent's
    // watch: asking a folder for attribute changes asks for those of every
    // entry in it too, and the kernel then marks each entry it has cached, a
    // hundred or more per footprint folder. Masks only add up, so a folder
    // that is also a parent keeps both.
    constexpr quint32 kMask = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_DELETE_SELF |
                              IN_MOVE_SELF | IN_DONT_FOLLOW | IN_ONLYDIR | IN_MASK_ADD;
    const quint32 nMask = bWhole ? kMask : kMask | IN_ATTRIB;
    if (!IsLocalDevice(dev, -1, encoded))
        return -1;
    int nFd = -1;
    {
        std::lock_guard lock(m_mutex);
        if (m_nNotifyFd < 0 || m_watches.size() >= m_nMostWatches)
            return -1;
        nFd = m_nNotifyFd;
    }
    const int nWatch = inotify_add_watch(nFd, encoded.constData(), nMask);
    if (nWatch >= 0)
    {
        std::lock_guard lock(m_mutex);
        if (nFd != m_nNotifyFd)
            return -1; // forgotten meanwhile: the watch ended with its descriptor
        m_watches.insert(nWatch);
        if (bWhole)
            m_wholeWatches.insert(nWatch);
    }
    return nWatch;
}

bool CListingCache::WatchParents(const QStringList& folders, std::vector<int>& watches)
{
    // Each parent up to the root, once, with the names on the way from it
    // to a folder: the entries whose change can lead a path elsewhere.
    std::unordered_map<QString, std::unordered_set<std::string>> names;
    QStringList parents;
    QStringView last;
    std::unordered_set<std::string>* pLastNames = nullptr;
    for (const QString& strFolder : folders)
    {
        QStringView child(strFolder);
        for (;;)
        {
            const qsizetype nSlash = child.lastIndexOf(u'/');
            if (nSlash < 0 || nSlash + 1 == child.size())
                break;
            const QStringView parent = nSlash > 0 ? child.left(nSlash) : QStringView(u"/");
            const std::string name =
                QFile::encodeName(child.mid(nSlash + 1).toString()).toStdString();
            // Folders of one library share their parent.
            if (pLastNames && parent == last)
            {
                pLastNames->insert(name);
                break;
            }
            auto [it, bNew] = names.try_emplace(parent.toString());
            it->second.insert(name);
            last = parent;
            pLastNames = &it->second;
            if (!bNew)
                break; // and so are its own parents
            parents.append(it->first);
            child = parent;
        }
    }
    for (const QString& strParent : std::as_const(parents))
    {
        const QByteArray encoded = QFile::encodeName(strParent);
        struct stat st;
        NoteFileCall(EFileCall::kStat, encoded.constData());
        if (stat(encoded.constData(), &st) != 0)
            return false;
        const int nWatch = Watch(encoded, st.st_dev, false);
        if (nWatch < 0)
            return false;
        {
            std::lock_guard lock(m_mutex);
            m_parentNames[nWatch].merge(names[strParent]);
        }
        watches.push_back(nWatch);
    }
    return true;
}

bool CListingCache::Unchanged(const RememberedPath& path)
{
    std::lock_guard lock(m_mutex);
    if (path.since.nEra == 0 || path.since.nEra != m_nEra || m_nNotifyFd < 0)
        return false;
    ReadChanges();
    if (m_nOverflowAt > path.nCheckedAt)
        return false;
    if (m_nChanges == path.nCheckedAt)
        return true;
    for (const int nWatch : path.watches)
    {
        const auto it = m_changedAt.find(nWatch);
        if (it != m_changedAt.end() && it->second > path.nCheckedAt)
            return false;
    }
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
