// SPDX-License-Identifier: MIT
#pragma once

// Reading one folder of the search path: why a folder cannot be searched,
// the folder's listing of footprints, and the listings of a whole path.

#include "pellium/Footprint.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <cstddef>
#include <memory>
#include <mutex>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>

struct CFootprint::FolderListing
{
    QString strFolder;
    std::vector<CFootprintEntry> entries; // name order, made once, never changed
    std::unique_ptr<char[]> pNames;       // the entries' names, one after another
    std::size_t nHidden = 0;              // files left out: names not valid UTF-8
    int nWatch = -1;                      // the change watch set before it was read
    // Entries by kind: bit 0 has a ".psm", bit 1 has a drawing.
    std::array<std::size_t, 4> counts{};
    // Under the cache's lock: the listing generation that last used it, and
    // whether the cache still holds it.
    mutable quint64 nUsed = 0;
    mutable bool bRemembered = false;
};

// The listings of the usable folders of a search path, in path order. Never
// changed once made, so searches share it; the list of all its entries is
// made the first time one asks for it.
struct CFootprint::ScanResult
{
    std::vector<std::shared_ptr<const FolderListing>> listings;
    std::array<std::size_t, 4> counts{}; // over all listings
    mutable std::once_flag allMade;
    mutable QList<CFootprintEntry*> all;

    const QList<CFootprintEntry*>& All() const
    {
        std::call_once(allMade,
                       [this]
                       {
                           std::size_t nAll = 0;
                           for (const auto& pListing : listings)
                               nAll += pListing->entries.size();
                           all.resize(qsizetype(nAll));
                           CFootprintEntry** pOut = all.data();
                           for (const auto& pListing : listings)
                               for (const CFootprintEntry& entry : pListing->entries)
                                   *pOut++ = const_cast<CFootprintEntry*>(&entry);
                       });
        return all;
    }
};

namespace pellium
{
using Listing = std::shared_ptr<const CFootprint::FolderListing>;

// A folder of the path that can be searched, with the stat that decided it
// and, for a listing, its remembered listing when that can be reused.
struct UsableFolder
{
    QString strFolder;
    qsizetype nIndex = 0; // in the search path
    struct stat st
    {
    };
    qint64 nStatTime = 0; // ns, wall clock, right after the stat
    quint64 nGeneration = 0;
    Listing pListing;
};

// Reads one folder once and makes one entry per footprint name that has a
// ".psm" or a ".dra" there, in name order; the listing calls then choose
// which of them to hand out.
class CFolderReader
{
public:
    // Reads the folder open on nFd (encoded: its name, for the call hook).
    // Null, with the system's error in nError, when its entries cannot be
    // read; bLinks is set when a file was looked at through a link.
    static std::shared_ptr<CFootprint::FolderListing>
    Read(const QString& strFolder, const QByteArray& encoded, int nFd, bool& bLinks, int& nError);

private:
    struct Items;
    static bool Collect(const QByteArray& encoded, int nFd, Items& items, bool& bLinks,
                        int& nError);
    static std::shared_ptr<CFootprint::FolderListing> MakeListing(const QString& strFolder,
                                                                  const Items& items);
    // The entry of the files [nFirst, nEnd) of the items, which answer one
    // name; its name goes to pName, which moves past it.
    static void AddEntry(CFootprint::FolderListing& listing, const Items& items, std::size_t nFirst,
                         std::size_t nEnd, char*& pName);
};

constexpr quint8 kDrawing = 1 | 2; // kDrawingNamed | kDrawingStored

// The entry flags of a kind of the listing's counts.
constexpr quint8 FlagsOfKind(std::size_t nKind)
{
    return quint8(((nKind & 1) ? 4 : 0) | ((nKind & 2) ? kDrawing : 0));
}

// The entries of a folder open on a descriptor, read many at a time; the
// descriptor stays the caller's. The reading is told to the call hook once.
class CDirReader
{
public:
    CDirReader(int nFd, const QByteArray& folder);
    CDirReader(const CDirReader&) = delete;
    CDirReader& operator=(const CDirReader&) = delete;

    // The next entry; null at the end, or when the system failed (Error).
    const dirent64* Next();
    int Error() const { return m_nError; }

    // Whether an entry is a file: d_type answers for most file systems;
    // links and unknown types are looked at through the link, so a linked
    // drawing counts and a folder named "X.dra" does not.
    bool IsRegularFile(const dirent64* pEntry, bool* pLinkSeen = nullptr) const;

private:
    const int m_nFd;
    const QByteArray& m_folder;
    std::unique_ptr<char[]> m_pBuffer;
    std::size_t m_nAt = 0, m_nEnd = 0;
    int m_nError = 0;
    bool m_bEnd = false;
};

// A folder opened to be read, or why it could not be: its descriptor, or -1
// with the fault, and whether the stat found that fault (missing, not a
// folder, out of reach) or something after it.
struct COpenedFolder
{
    int nFd = -1;
    CFolderFault fault;
    bool bStatFault = false;
};

// Opens a folder to be read and fstats it into st: what its stat and access
// by path would tell, the open and the fstat tell, in two calls. Only a
// folder that does not open is asked why, by path, so that its fault is the
// same as a stat and access checks give.
COpenedFolder OpenFolder(const QByteArray& path, struct stat& st);
// Why a folder opened (so readable) with this fstat cannot be searched: its
// files could not be opened. The mode bits answer when they are sure; an
// access check by path when they are not.
CFolderFault SearchProblem(const QByteArray& path, const struct stat& st);

// Why a folder cannot be searched, or no fault when it can. A folder that
// may be listed but not searched gives names whose files cannot be opened,
// so it is not searched either.
CFolderFault FolderStatProblem(const QByteArray& path, struct stat& st);
CFolderFault FolderAccessProblem(const QByteArray& path);

inline qint64 Nanoseconds(const timespec& ts)
{
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

qint64 WallClockNow();
} // namespace pellium
