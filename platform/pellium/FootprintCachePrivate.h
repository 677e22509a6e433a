// SPDX-License-Identifier: MIT
#pragma once

// The cache of folder listings a footprint search is given, with the tuning
// and the statistics tests and benchmarks reach it by. Not installed: only
// this library, its tests and its benchmarks include it.

#include "pellium/Footprint.h"
#include "pellium/FootprintFolders.h"

#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include <sys/stat.h>

// What the stat of one folder of a path gave: the folder's identity and
// change times, or why it could not be used.
struct CFootprint::FolderState
{
    dev_t dev = 0;
    ino_t ino = 0;
    qint64 nModified = 0, nChanged = 0;
    CFolderFault statFault;
    bool bOtherProblem = false; // found by more than the stat: not remembered
    bool operator==(const FolderState&) const = default;
};

// The listings of the folders read, reused while a folder's identity and
// change times (one stat) are those seen when it was read. A folder changed
// shortly before it was read may change again within the same tick of its
// clock, so its listing is not kept. The combined listing of a whole search
// path is kept too and handed out again while every one of its folders
// still gives the same stat. Safe to use from several threads.
class PELLIUM_EXPORT CListingCache
{
public:
    struct Stats
    {
        quint64 nRead = 0;        // folders read from the disk
        quint64 nReused = 0;      // folders answered from memory
        quint64 nPathsReused = 0; // whole search paths answered from memory, one stat a folder
    };
    // Clocks and delays; tests change them to make coarse clocks, reuse
    // right away, or slow storage.
    struct Tuning
    {
        // A folder changed this recently is not reused.
        std::chrono::nanoseconds quiet{std::chrono::seconds(2)};
        std::chrono::nanoseconds tick{1};         // change times read in steps of this
        std::chrono::milliseconds folderDelay{0}; // added to every folder listed
        // Called, on the searching thread, before every folder is listed or
        // looked into; a test holds it to stand for a folder that hangs.
        std::function<void(const QString& strFolder)> onFolder;

        bool bThreadsFail = false; // no thread can be started, as under a process limit
        // Every folder counts as one on a network share: no watches, and
        // many calls in flight.
        bool bTreatAsShare = false;
    };

    using State = CFootprint::FolderState;

    // Where the change watches stood: which set of watches, and how many
    // changes they had seen.
    struct Watching
    {
        quint64 nEra = 0; // 0: no watches
        quint64 nSeen = 0;
    };

    // A whole search path's listing: the path as given, what every folder's
    // stat gave, and the listings of its usable folders. Reused while every
    // stat gives the same and every listing is still remembered on its own.
    struct RememberedPath
    {
        QStringList folders, unexpanded, empty;
        std::vector<QByteArray> encoded; // the folders' names for the stat
        std::vector<State> states;
        std::shared_ptr<const CFootprint::ScanResult> pResult;
        mutable quint64 nUsed = 0; // under the cache's lock
        // Folders (by path index) whose changes the watches tell, so they
        // need no stat while no watch of the path has seen a change since
        // the last check; the watches include the folders' parents.
        std::vector<bool> watched;
        std::vector<int> watches;
        Watching since;
        mutable quint64 nCheckedAt = 0; // under the cache's lock
    };

    CListingCache();
    ~CListingCache();
    CListingCache(const CListingCache&) = delete;
    CListingCache& operator=(const CListingCache&) = delete;

    void Forget();
    Stats GetStats() const;
    // Returns the tuning it replaces, and forgets every listing.
    Tuning SetTuning(const Tuning& tuning);

    // What a folder's stat says of its contents: the same folder (device,
    // inode), unchanged since (modified and changed times), read in steps of
    // the tick.
    static State StateOf(const struct stat& st, qint64 nTick);

    // The parts of the tuning a search reads as it goes.
    qint64 Tick() const;
    std::chrono::milliseconds FolderDelay() const;
    std::function<void(const QString&)> FolderHook() const;
    bool ThreadsFail() const;
    bool TreatsAsShare() const;

    // Whether the file system of a device sees every change made to it
    // (IsLocalFileSystemType), asked once per device of fstatfs on nFd, or
    // of statfs on the path encoded when nFd is -1; never under the
    // tuning's bTreatAsShare.
    bool IsLocalDevice(dev_t dev, int nFd, const QByteArray& encoded);

    quint64 NextGeneration();
    // The folder's listing when its stat still matches the one it was read
    // with; forgets one that does not.
    pellium::Listing Recall(const QString& strFolder, const struct stat& st, quint64 nGeneration);
    // Keeps a fresh listing unless the folder changed so shortly before its
    // stat that a change after it may carry the same times; true when kept.
    bool Remember(const QString& strFolder, const struct stat& st, qint64 nStatTime,
                  const pellium::Listing& pListing, bool bReusable, quint64 nGeneration);
    // Forgets the listings used longest ago while there are too many entries,
    // never those of the listing under way, then the paths that held them.
    void Trim(quint64 nGeneration);
    void RememberPath(std::shared_ptr<RememberedPath> pPath);
    // A folder read for viewing: counted, not kept.
    void CountRead();

    // Change watches: on a local file system the kernel tells of every entry
    // added, removed or renamed in a watched folder, and of the folder
    // itself moved or removed, so a remembered path whose watches saw
    // nothing needs no stat of its folders. Where the time of the changes
    // seen so far stands; take it before the folders are looked at.
    Watching WatchingNow();
    // Watches a folder (encoded, on device dev) before it is read; -1 when
    // it cannot be watched: a link, a file system that may change without
    // this kernel seeing it, or no watches left. Every change of a whole
    // watch counts; a parent's only for the entries on a path.
    int Watch(const QByteArray& encoded, dev_t dev, bool bWhole = true);
    // Watches the parents of the folders, up to the root; false when one
    // cannot be watched.
    bool WatchParents(const QStringList& folders, std::vector<int>& watches);
    // Whether none of the path's watches has seen a change since it was
    // last checked, within the same set of watches.
    bool Unchanged(const RememberedPath& path);

    // The remembered listing of the same path, with the tick its states were
    // read with; null when there is none or the tuning stands for storage
    // that every folder pays for.
    std::shared_ptr<const RememberedPath> FindPath(const CSearchPath& path, qint64& nTick) const;
    // Hands a found path out again when bHolds (every stat still gives what
    // it gave) and its listings are all still kept, and counts the reuse;
    // otherwise forgets it. True when handed out. checked: the watches as
    // they stood before the check.
    bool ReusePath(const std::shared_ptr<const RememberedPath>& pPath, bool bHolds,
                   Watching checked);

private:
    struct Remembered
    {
        State id;
        pellium::Listing pListing;
    };
    using Folders = std::unordered_map<QString, Remembered>;

    // Under the lock.
    void ForgetFolder(Folders::iterator it);
    void ForgetAll();
    void DropStalePaths();
    void ReadChanges();

    mutable std::mutex m_mutex;
    Folders m_folders;
    std::vector<std::shared_ptr<const RememberedPath>> m_paths;
    std::size_t m_nEntries = 0;
    quint64 m_nGeneration = 0;
    Stats m_stats;
    Tuning m_tuning;
    // The change watches, made when first asked for and dropped with
    // everything remembered.
    int m_nNotifyFd = -1;
    quint64 m_nEra = 0;
    quint64 m_nChanges = 0;                       // changes seen in this era
    quint64 m_nOverflowAt = 0;                    // the kernel dropped changes: trust none before
    std::unordered_map<int, quint64> m_changedAt; // watch -> m_nChanges at its last change
    std::unordered_map<dev_t, bool> m_localDevices;
    std::unordered_set<int> m_watches;
    std::unordered_set<int> m_wholeWatches;
    std::unordered_map<int, std::unordered_set<std::string>> m_parentNames;
    std::size_t m_nMostWatches = 0;
};

// Whether a file system of this type (statfs's f_type) sees every change
// made to it: then a watch tells of them. A network share (NFS, SMB, sshfs
// and other FUSE file systems) is changed by other machines too, and a type
// not known here is taken to be one.
PELLIUM_EXPORT bool IsLocalFileSystemType(unsigned long nType);

// The cache of the searches made without one of their own, shared by the
// whole process. Never destroyed: a listing left behind on a stuck folder
// may still use it while the program ends.
PELLIUM_EXPORT const std::shared_ptr<CListingCache>& DefaultListingCache();

// The process-wide cache (DefaultListingCache) as tests reach it.
struct PELLIUM_EXPORT CFolderListings
{
    using Stats = CListingCache::Stats;
    using Tuning = CListingCache::Tuning;

    static void Forget();
    static Stats GetStats();
    // Returns the tuning it replaces.
    static Tuning SetTuning(const Tuning& tuning);
};
