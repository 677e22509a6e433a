// SPDX-License-Identifier: MIT
#pragma once

// The listing of a search path's folders: which folders can be used, and
// their listings, remembered or read. The library's own; not installed.

#include "pellium/FolderWalk.h"
#include "pellium/Footprint.h"
#include "pellium/FootprintCachePrivate.h"
#include "pellium/FootprintFolders.h"

#include <cstddef>
#include <memory>
#include <vector>

namespace pellium
{
class CSearchNotes;

// Lists the folders of a search path into one result, with the listings the
// cache remembers: the whole path's when every folder still gives the stat
// it gave, else each folder's that still holds, reading the others. Skipped
// folders, files left out and the progress go to the notes.
class CFootprintLister
{
public:
    CFootprintLister(CListingCache& cache, CSearchNotes& notes) : m_cache(cache), m_notes(notes) {}

    // The listings of the path's usable folders, in path order; null when
    // the progress stopped the listing.
    std::shared_ptr<const CFootprint::ScanResult> List(const CSearchPath& path);

    // The folders of the walk over the path that can be searched, each
    // once, by index in the path: a folder reached again through links (or
    // the same folder written twice) is dropped, keeping the first. The
    // others are noted with the reason. A folder whose remembered listing
    // still holds comes with it. When asked, tells what each folder's stat
    // gave, in path order.
    std::vector<std::size_t> UsableFolders(CFolderWalk& walk, const CSearchPath& path,
                                           bool bForListing,
                                           std::vector<CFootprint::FolderState>* pStates = nullptr);

private:
    enum class EReuse : quint8
    {
        kReused,
        kNotHeld, // the path must be listed
        kStopped, // the progress said stop
    };
    EReuse ReuseListing(const CSearchPath& path,
                        std::shared_ptr<const CFootprint::ScanResult>& pResult);
    // Whether every folder of the remembered path still gives its stat.
    bool PathHolds(const CListingCache::RememberedPath& remembered, qint64 nTick, bool bQuiet);
    // The threads that check a remembered path's folders besides the caller.
    std::size_t HelpersToCheck(const CListingCache::RememberedPath& remembered, bool bQuiet);
    std::shared_ptr<const CFootprint::ScanResult> ListAnew(const CSearchPath& path);
    // Reads a folder for a listing, unless its remembered listing stands.
    void ReadListing(WalkedFolder& walked, int nFd, bool bWatch);
    void RememberPath(const CSearchPath& path, std::shared_ptr<CListingCache::RememberedPath> pPath,
                      const CFolderWalk& walk, const std::vector<std::size_t>& usable, bool bWatch);
    bool ListFolders(CFolderWalk& walk, const std::vector<std::size_t>& usable,
                     CFootprint::ScanResult& result, bool& bAllKept);

    CListingCache& m_cache;
    CSearchNotes& m_notes;
};
} // namespace pellium
