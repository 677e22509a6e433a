// SPDX-License-Identifier: MIT
#pragma once

// The search for drawings by file name in the folders of a search path. The
// library's own; not installed.

#include "pellium/FolderWalk.h"
#include "pellium/Footprint.h"
#include "pellium/FootprintFolders.h"

#include <QByteArray>
#include <QStringList>

#include <cstddef>
#include <string>
#include <unordered_map>
#include <vector>

class CListingCache;

namespace pellium
{
class CSearchNotes;

// Looks for every name given in one pass over each folder, so a long
// ALT_SYMBOLS value costs about what one name costs. A folder's remembered
// listing answers for drawings when it can tell them apart; other folders
// are read. Names and files match ignoring case; a name with a separator is
// never looked for, as it could reach outside the search path.
class CDrawingLookup
{
public:
    struct Hit
    {
        std::size_t nName;   // in the names given
        std::size_t nFolder; // in the folders searched
        std::string file;    // the file's name as the folder spells it
    };

    CDrawingLookup(CListingCache& cache, CSearchNotes& notes, const QStringList& fileNames);

    // The hits in the usable folders of the path, which go to folders in
    // path order: the hits of each name in path order, the names in the
    // order given. False when the progress stopped the search.
    bool Find(const CSearchPath& path, QStringList& folders, std::vector<Hit>& hits);

private:
    // The files that answer the names wanted in one folder, by case-blind name.
    using Found = std::unordered_map<std::string, std::vector<std::string>>;

    // Whether every name wanted is a drawing ("NAME.dra" in any case), which
    // a remembered listing knows of.
    bool DrawingsOnly() const;
    // The files that answer the names in one folder, from its remembered
    // listing when that can tell, else read from nFd. On any of the walk's
    // threads.
    void LookInto(WalkedFolder& walked, int nFd, bool bDrawingsOnly, Found& found) const;
    // The drawings of the names wanted, from a folder's remembered listing;
    // false when one of them is spelt in several ways there, which only
    // reading the folder tells apart.
    bool FindInListing(const CFootprint::FolderListing& listing, Found& found) const;
    // False, with the system's error in walked.nError, when the folder's
    // entries cannot be read.
    bool FindInFolder(WalkedFolder& walked, int nFd, Found& found) const;
    void AddHits(std::size_t nFolder, const Found& found, std::vector<Hit>& hits) const;

    CListingCache& m_cache;
    CSearchNotes& m_notes;
    std::vector<QByteArray> m_wanted; // the names given, encoded; empty when never looked for
    std::unordered_map<std::string, std::vector<std::size_t>> m_byKey; // case-blind -> names
};
} // namespace pellium
