// SPDX-License-Identifier: MIT
#include "pellium/DrawingLookup.h"

#include "pellium/FootprintCachePrivate.h"
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

bool CDrawingLookup::Find(const QStringList& folders, const std::vector<Listing>& listings,
                          std::vector<Hit>& hits)
{
    const bool bDrawingsOnly = DrawingsOnly();
    const std::chrono::milliseconds delay = m_cache.FolderDelay();
    const std::function<void(const QString&)> onFolder = m_cache.FolderHook();
    const std::size_t nFolders = m_byKey.empty() ? 0 : std::size_t(folders.size());
    CListingProgress progress{0, int(nFolders), 0};
    if (nFolders > 0 && !m_notes.Progress(progress))
        return false;
    Found found;
    for (std::size_t f = 0; f < nFolders; ++f)
    {
        if (f > 0)
        {
            progress.nFoldersDone = int(f);
            progress.nFound = qsizetype(hits.size());
            if (!m_notes.Progress(progress))
                return false;
        }
        if (delay.count() > 0)
            std::this_thread::sleep_for(delay);
        if (onFolder)
            onFolder(folders[qsizetype(f)]);
        found.clear();
        const bool bFound = bDrawingsOnly && listings[f] && FindInListing(*listings[f], found);
        if (!bFound)
        {
            found.clear();
            if (!FindInFolder(folders[qsizetype(f)], found))
                continue;
        }
        AddHits(f, found, hits);
    }
    if (nFolders > 0 && !m_notes.Progress({int(nFolders), int(nFolders), qsizetype(hits.size())}))
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

// A remembered listing knows the drawings ("NAME.dra" in any case) of its
// folder, and of each name whether the folder spells its drawing in more
// than one way; other files it does not know.
bool CDrawingLookup::FindInListing(const CFootprint::FolderListing& listing, Found& found)
{
    for (const CFootprintEntry& entry : listing.entries)
    {
        if (!(entry.m_nFlags & kDrawing))
            continue;
        m_key.clear();
        AppendFolded(m_key, entry.Utf8Name());
        m_key += ".dra";
        if (m_byKey.find(m_key) == m_byKey.end())
            continue;
        if (entry.m_nFlags & CFootprintEntry::kSeveralDrawings)
            return false;
        if (entry.m_nFlags & CFootprintEntry::kDrawingNamed)
            found[m_key].push_back(std::string(entry.Utf8Name()) + ".dra");
        else
            found[m_key].push_back(entry.OwnTexts()->strLocation.toUtf8().toStdString());
    }
    return true;
}

bool CDrawingLookup::FindInFolder(const QString& strFolder, Found& found)
{
    m_cache.CountRead();
    CDirReader dir(strFolder);
    if (!dir.IsOpen())
    {
        const int nError = errno;
        m_notes.Skip(strFolder, {EFolderFault::kUnreadable, nError});
        return false;
    }
    while (const dirent* pEntry = dir.Next())
    {
        const std::string_view name(pEntry->d_name);
        m_key.clear();
        AppendFolded(m_key, name);
        // A name that is not valid UTF-8 folds to replacement characters
        // and could match a name that merely holds them.
        if (m_byKey.find(m_key) == m_byKey.end() || !DecodesExactly(name) ||
            !IsRegularFile(dir.Fd(), pEntry))
            continue;
        found[m_key].emplace_back(name);
    }
    return true;
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
