// SPDX-License-Identifier: MIT
#include "pellium/DrawingLookup.h"

#include "pellium/FootprintCachePrivate.h"
#include "pellium/FootprintLister.h"
#include "pellium/FootprintNames.h"
#include "pellium/SearchNotes.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <string_view>
#include <thread>

using pellium::CDrawingLookup;

CDrawingLookup::CDrawingLookup(CListingCache& cache, CSearchNotes& notes,
                               const QStringList& fileNames)
    : m_cache(cache), m_notes(notes), m_wanted(std::size_t(fileNames.size()))
{
    for (std::size_t i = 0; i < m_wanted.size(); ++i)
    {
        const QString& strFileName = fileNames[qsizetype(i)];
        // A drawing is a file of the folder itself: a name with a separator
        // could reach outside the search path.
        if (strFileName.isEmpty() || strFileName.contains(u'/') || strFileName.contains(QChar(0)))
            continue;
        m_wanted[i] = QFile::encodeName(strFileName);
        std::string key;
        AppendFolded(key,
                     std::string_view(m_wanted[i].constData(), std::size_t(m_wanted[i].size())));
        m_byKey[key].push_back(i);
    }
}

bool CDrawingLookup::Find(const CSearchPath& path, QStringList& folders, std::vector<Hit>& hits)
{
    const bool bDrawingsOnly = DrawingsOnly();
    const bool bLook = !m_byKey.empty();
    std::vector<Found> found(std::size_t(path.folders.size()));
    CFolderWalk walk(m_cache, path.folders, {.bKeepRemembered = true, .bPace = bLook},
                     [this, bLook, bDrawingsOnly, &found](WalkedFolder& walked, int nFd)
                     {
                         if (bLook)
                             LookInto(walked, nFd, bDrawingsOnly,
                                      found[std::size_t(walked.folder.nIndex)]);
                     });
    const std::vector<std::size_t> usable =
        CFootprintLister(m_cache, m_notes).UsableFolders(walk, path, false);
    for (const std::size_t i : usable)
        folders.append(walk.Folder(i).folder.strFolder);
    const std::size_t nFolders = bLook ? usable.size() : 0;
    CListingProgress progress{0, int(nFolders), 0};
    if (nFolders > 0 && !m_notes.Progress(progress))
        return false;
    for (std::size_t f = 0; f < nFolders; ++f)
    {
        const WalkedFolder& walked = walk.WaitRead(usable[f]);
        if (walked.nError != 0)
            m_notes.Skip(walked.folder.strFolder, {EFolderFault::kUnreadable, walked.nError});
        else
            AddHits(f, found[usable[f]], hits);
        progress.nFoldersDone = int(f + 1);
        progress.nFound = qsizetype(hits.size());
        // The last folder's is told once the hits are in order.
        if (f + 1 < nFolders && !m_notes.Progress(progress))
        {
            walk.Stop();
            return false;
        }
    }
    if (nFolders > 0 && !m_notes.Progress(progress))
        return false;
    // The hits of each name in path order, the names in the order given.
    std::stable_sort(hits.begin(), hits.end(),
                     [](const Hit& a, const Hit& b) { return a.nName < b.nName; });
    return true;
}

bool CDrawingLookup::DrawingsOnly() const
{
    return std::all_of(m_byKey.begin(), m_byKey.end(),
                       [](const auto& wantedKey)
                       {
                           return wantedKey.first.size() > kExtLen &&
                                  std::string_view(wantedKey.first).ends_with(".dra");
                       });
}

void CDrawingLookup::LookInto(WalkedFolder& walked, int nFd, bool bDrawingsOnly, Found& found) const
{
    if (bDrawingsOnly && walked.folder.pListing && FindInListing(*walked.folder.pListing, found))
        return;
    found.clear();
    if (!FindInFolder(walked, nFd, found))
        found.clear();
}

// A remembered listing knows the drawings ("NAME.dra" in any case) of its
// folder, and of each name whether the folder spells its drawing in more
// than one way; other files it does not know.
bool CDrawingLookup::FindInListing(const CFootprint::FolderListing& listing, Found& found) const
{
    std::string key;
    for (const CFootprintEntry& entry : listing.entries)
    {
        if (!(entry.m_nFlags & kDrawing))
            continue;
        key.clear();
        AppendFolded(key, entry.Utf8Name());
        key += ".dra";
        if (m_byKey.find(key) == m_byKey.end())
            continue;
        if (entry.m_nFlags & CFootprintEntry::kSeveralDrawings)
            return false;
        if (entry.m_nFlags & CFootprintEntry::kDrawingNamed)
            found[key].push_back(std::string(entry.Utf8Name()) + ".dra");
        else
            found[key].push_back(entry.OwnTexts()->strLocation.toUtf8().toStdString());
    }
    return true;
}

bool CDrawingLookup::FindInFolder(WalkedFolder& walked, int nFd, Found& found) const
{
    m_cache.CountRead();
    CDirReader dir(nFd, walked.encoded);
    std::string key;
    while (const dirent64* pEntry = dir.Next())
    {
        const std::string_view name(pEntry->d_name);
        key.clear();
        AppendFolded(key, name);
        // A name that is not valid UTF-8 folds to replacement characters
        // and could match a name that merely holds them.
        if (m_byKey.find(key) == m_byKey.end() || !DecodesExactly(name) ||
            !dir.IsRegularFile(pEntry))
            continue;
        found[key].emplace_back(name);
    }
    walked.nError = dir.Error();
    return walked.nError == 0;
}

void CDrawingLookup::AddHits(std::size_t nFolder, const Found& found, std::vector<Hit>& hits) const
{
    for (const auto& [strKey, files] : found)
        for (const std::size_t nName : m_byKey.at(strKey))
        {
            // Every file that answers the name is a place of its own
            // (UPPER.dra and upper.dra): the exact spelling first, then the
            // others in byte order.
            const std::string_view spelling(m_wanted[nName].constData(),
                                            std::size_t(m_wanted[nName].size()));
            std::vector<const std::string*> ordered;
            ordered.reserve(files.size());
            for (const std::string& file : files)
                ordered.push_back(&file);
            std::sort(ordered.begin(), ordered.end(),
                      [&spelling](const std::string* a, const std::string* b)
                      {
                          const bool bExactA = *a == spelling, bExactB = *b == spelling;
                          return bExactA != bExactB ? bExactA : *a < *b;
                      });
            for (const std::string* pFile : ordered)
                hits.push_back({nName, nFolder, *pFile});
        }
}
