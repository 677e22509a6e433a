// SPDX-License-Identifier: MIT
#pragma once

// Reading one folder of the search path: why a folder cannot be searched,
// the folder's listing of footprints, and the listings of a whole path.

#include "pellium/FileCalls.h"
#include "pellium/Footprint.h"

#include <QByteArray>
#include <QFile>
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
    struct stat st;
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
    // Null, with the system's error in nError, when the folder cannot be
    // opened; bLinks is set when a file was looked at through a link.
    static std::shared_ptr<CFootprint::FolderListing> Read(const QString& strFolder, bool& bLinks,
                                                           int& nError);

private:
    struct Items;
    static bool Collect(const QString& strFolder, Items& items, bool& bLinks, int& nError);
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

// d_type answers for most file systems; links and unknown types are looked
// at through the link, so a linked drawing counts and a folder named
// "X.dra" does not.
inline bool IsRegularFile(int nDirFd, const dirent* pEntry, bool* pLinkSeen = nullptr)
{
#ifdef _DIRENT_HAVE_D_TYPE
    if (pEntry->d_type == DT_REG)
        return true;
    if (pEntry->d_type != DT_LNK && pEntry->d_type != DT_UNKNOWN)
        return false;
    if (pEntry->d_type == DT_LNK && pLinkSeen)
        *pLinkSeen = true;
#else
    if (pLinkSeen)
        *pLinkSeen = true;
#endif
    struct stat st;
    return fstatat(nDirFd, pEntry->d_name, &st, 0) == 0 && S_ISREG(st.st_mode);
}

// Closes the folder on every way out.
class CDirReader
{
public:
    explicit CDirReader(const QString& strFolder) : m_encoded(QFile::encodeName(strFolder))
    {
        NoteFileCall(EFileCall::kOpen, m_encoded.constData());
        m_pDir = opendir(m_encoded.constData());
        if (m_pDir)
            NoteFileCall(EFileCall::kReadDir, m_encoded.constData());
    }
    ~CDirReader()
    {
        if (m_pDir)
            closedir(m_pDir);
    }
    CDirReader(const CDirReader&) = delete;
    CDirReader& operator=(const CDirReader&) = delete;

    bool IsOpen() const { return m_pDir != nullptr; }
    int Fd() const { return dirfd(m_pDir); }
    const dirent* Next() { return readdir(m_pDir); }

private:
    QByteArray m_encoded;
    DIR* m_pDir = nullptr;
};

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
