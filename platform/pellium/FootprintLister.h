// SPDX-License-Identifier: MIT
#pragma once

// The listing of a search path's folders: which folders can be used, and
// their listings, remembered or read. The library's own; not installed.

#include "pellium/Footprint.h"
#include "pellium/FootprintCachePrivate.h"
#include "pellium/FootprintFolders.h"

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

    // The folders of the path that can be searched, each once: a folder
    // reached again through links (or the same folder written twice) is
    // dropped, keeping the first. The others are noted with the reason. A
    // folder whose remembered listing still holds comes with it and costs
    // one stat. When asked, tells what each folder's stat gave, in path order.
    std::vector<UsableFolder>
    UsableFolders(const CSearchPath& path, bool bForListing,
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
    std::shared_ptr<const CFootprint::ScanResult> ListAnew(const CSearchPath& path);
    void RememberPath(const CSearchPath& path, std::shared_ptr<CListingCache::RememberedPath> pPath,
                      const std::vector<UsableFolder>& folders, bool bWatch);
    bool ListFolders(std::vector<UsableFolder>& folders, CFootprint::ScanResult& result,
                     bool& bAllKept, bool bWatch);

    CListingCache& m_cache;
    CSearchNotes& m_notes;
};
} // namespace pellium
