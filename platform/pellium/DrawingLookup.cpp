// SPDX-License-Identifier: MIT
#include "pellium/Footprint.h"

#include "pellium/FootprintCachePrivate.h"
#include "pellium/FootprintFolders.h"
#include "pellium/FootprintNames.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <string>
#include <string_view>
#include <thread>
#include <unordered_map>
#include <utility>
#include <vector>

using namespace pellium;

int CFootprint::AddViewing(const CSearchPath& path, const QStringList& fileNames)
{
    // Every name is looked for in one pass over each folder: a long
    // ALT_SYMBOLS value costs about what one name costs.
    std::vector<QByteArray> wanted(std::size_t(fileNames.size()));
    std::unordered_map<std::string, std::vector<std::size_t>> byKey; // case-blind name -> names
    for (std::size_t i = 0; i < wanted.size(); ++i)
    {
        const QString& strFileName = fileNames[qsizetype(i)];
        // A drawing is a file of the folder itself: a name with a separator
        // could reach outside the search path.
        if (strFileName.isEmpty() || strFileName.contains(u'/') || strFileName.contains(QChar(0)))
            continue;
        wanted[i] = QFile::encodeName(strFileName);
        std::string key;
        AppendFolded(key, std::string_view(wanted[i].constData(), std::size_t(wanted[i].size())));
        byKey[key].push_back(i);
    }

    struct Hit
    {
        std::size_t nName;
        std::size_t nFolder;
        std::string file;
    };
    std::vector<Hit> hits;
    QStringList folders;
    std::vector<Listing> listings;
    for (UsableFolder& folder : UsableFolders(path, false))
    {
        folders.append(std::move(folder.strFolder));
        listings.push_back(std::move(folder.pListing));
    }
    // A remembered listing knows the drawings ("NAME.dra" in any case) of
    // its folder, and of each name whether the folder spells its drawing in
    // more than one way; other files it does not know.
    const bool bDrawingsOnly =
        std::all_of(byKey.begin(), byKey.end(),
                    [](const auto& wantedKey)
                    {
                        return wantedKey.first.size() > kExtLen &&
                               std::string_view(wantedKey.first).ends_with(".dra");
                    });
    using Found =
        std::unordered_map<std::string, std::vector<std::string>>; // in one folder, by key
    const auto AddHits = [&](std::size_t f, const Found& found)
    {
        for (const auto& [strKey, files] : found)
            for (const std::size_t nName : byKey.at(strKey))
            {
                // Every file that answers the name is a place of its own
                // (UPPER.dra and upper.dra): the exact spelling first, then
                // the others in byte order.
                const std::string_view spelling(wanted[nName].constData(),
                                                std::size_t(wanted[nName].size()));
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
                    hits.push_back({nName, f, *pFile});
            }
    };
    // The drawings of the names wanted, from a folder's remembered listing;
    // false when one of them is spelt in several ways there, which only
    // reading the folder tells apart.
    std::string key;
    const auto FindDrawings = [&key, &byKey](const FolderListing& listing, Found& found)
    {
        for (const CFootprintEntry& entry : listing.entries)
        {
            if (!(entry.m_nFlags & kDrawing))
                continue;
            key.clear();
            AppendFolded(key, entry.Utf8Name());
            key += ".dra";
            if (byKey.find(key) == byKey.end())
                continue;
            if (entry.m_nFlags & CFootprintEntry::kSeveralDrawings)
                return false;
            if (entry.m_nFlags & CFootprintEntry::kDrawingNamed)
                found[key].push_back(std::string(entry.Utf8Name()) + ".dra");
            else
                found[key].push_back(entry.OwnTexts()->strLocation.toUtf8().toStdString());
        }
        return true;
    };
    Found found;
    const std::chrono::milliseconds delay = m_pCache->FolderDelay();
    const std::function<void(const QString&)> onFolder = m_pCache->FolderHook();
    const std::size_t nFolders = byKey.empty() ? 0 : std::size_t(folders.size());
    CListingProgress progress{0, int(nFolders), 0};
    if (nFolders > 0 && !Progress(progress))
    {
        m_bCancelled = true;
        return 0;
    }
    for (std::size_t f = 0; f < nFolders; ++f)
    {
        if (f > 0)
        {
            progress.nFoldersDone = int(f);
            progress.nFound = qsizetype(hits.size());
            if (!Progress(progress))
            {
                m_bCancelled = true;
                return 0;
            }
        }
        if (delay.count() > 0)
            std::this_thread::sleep_for(delay);
        if (onFolder)
            onFolder(folders[qsizetype(f)]);
        found.clear();
        if (bDrawingsOnly && listings[f] && FindDrawings(*listings[f], found))
        {
            AddHits(f, found);
            continue;
        }
        found.clear();
        m_pCache->CountRead();
        CDirReader dir(folders[qsizetype(f)]);
        if (!dir.IsOpen())
        {
            const int nError = errno;
            Skip(folders[qsizetype(f)], {EFolderFault::kUnreadable, nError});
            continue;
        }
        while (const dirent* pEntry = dir.Next())
        {
            const std::string_view name(pEntry->d_name);
            key.clear();
            AppendFolded(key, name);
            // A name that is not valid UTF-8 folds to replacement characters
            // and could match a name that merely holds them.
            if (byKey.find(key) == byKey.end() || !DecodesExactly(name) ||
                !IsRegularFile(dir.Fd(), pEntry))
                continue;
            found[key].emplace_back(name);
        }
        AddHits(f, found);
    }
    if (nFolders > 0 && !Progress({int(nFolders), int(nFolders), qsizetype(hits.size())}))
    {
        m_bCancelled = true;
        return 0;
    }
    // The hits of each name in path order, the names in the order given.
    std::stable_sort(hits.begin(), hits.end(),
                     [](const Hit& a, const Hit& b) { return a.nName < b.nName; });

    std::vector<const QString*> kept(std::size_t(folders.size()), nullptr);
    for (const Hit& hit : hits)
    {
        const QString strFile = FromBytes(hit.file);
        CFootprintEntry& entry = m_entries.emplace_back();
        const qsizetype nDot = strFile.lastIndexOf(u'.');
        const QString strName = nDot >= 0 ? strFile.left(nDot) : strFile;
        if (!kept[hit.nFolder])
            kept[hit.nFolder] = KeepFolder(folders[qsizetype(hit.nFolder)]);
        entry.m_pFolder = kept[hit.nFolder];
        entry.KeepName(strName.toUtf8());
        if (strFile == strName + QStringLiteral(".dra"))
            entry.m_nFlags |= CFootprintEntry::kDrawingNamed;
        else
        {
            entry.m_nFlags |= CFootprintEntry::kDrawingStored;
            entry.m_pTexts->strLocation = strFile;
        }
    }
    if (!hits.empty())
    {
        if (!m_pieces.empty() && !m_pieces.back().pScan &&
            m_pieces.back().nEnd == m_entries.size() - hits.size())
            m_pieces.back().nEnd = m_entries.size();
        else
            m_pieces.push_back({nullptr, m_entries.size() - hits.size(), m_entries.size()});
    }
    m_nListed += hits.size();
    return int(hits.size());
}
