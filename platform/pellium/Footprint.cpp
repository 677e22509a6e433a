// SPDX-License-Identifier: MIT
#include "pellium/Footprint.h"

#include "pellium/DrawingLookup.h"
#include "pellium/FootprintCachePrivate.h"
#include "pellium/FootprintFolders.h"
#include "pellium/FootprintLister.h"
#include "pellium/FootprintNames.h"
#include "pellium/SearchNotes.h"

#include <QLoggingCategory>

#include <utility>
#include <vector>

using namespace pellium;

namespace
{
Q_LOGGING_CATEGORY(lcSearch, "physprops.search")
} // namespace

// The folders read by a listing and the kinds asked of them so far.
struct CFootprint::ListingScan
{
    QStringList folders;
    std::shared_ptr<const ScanResult> pResult;
    quint8 nMask = 0; // entry flags asked for
};

CFootprint::CFootprint() : m_pCache(DefaultListingCache()) {}
CFootprint::CFootprint(SearchPathSource fnSource)
    : m_fnSource(std::move(fnSource)), m_pCache(DefaultListingCache())
{
}
CFootprint::CFootprint(SearchPathSource fnSource, std::shared_ptr<CListingCache> pCache)
    : m_fnSource(std::move(fnSource)), m_pCache(std::move(pCache))
{
    if (!m_pCache)
        m_pCache = DefaultListingCache();
}
CFootprint::~CFootprint() = default;

void CFootprint::DeleteFootprintList()
{
    m_pieces.clear();
    m_entries.clear();
    m_folders.clear();
    m_nListed = 0;
    m_bCancelled = false;
    m_report = {};
    m_skippedFolders.clear();
}

CSearchPath CFootprint::SearchPathOf(const QString& strProjectPath) const
{
    if (m_fnSource)
        return m_fnSource(strProjectPath);
    qCWarning(lcSearch) << "a search by project path on a footprint search made without a"
                           " search path source:"
                        << strProjectPath;
    CSearchPath path;
    path.projectFault = {.eKind = EFileFault::kNoPathSource, .strFile = strProjectPath};
    path.strProjectError = path.projectFault.Describe();
    return path;
}

int CFootprint::CreateFootprintList(const QString& strProjectPath, const QString& strFileOrExt,
                                    PROPERTY_NAMES nKind, SEARCH_OPTIONS nOption)
{
    return CreateFootprintList(SearchPathOf(strProjectPath), strFileOrExt, nKind, nOption);
}

int CFootprint::CreateFootprintList(const QString& strProjectPath, const QStringList& fileNames,
                                    PROPERTY_NAMES nKind)
{
    return CreateFootprintList(SearchPathOf(strProjectPath), fileNames, nKind);
}

int CFootprint::CreateFootprintList(const CSearchPath& path, const QString& strFileOrExt,
                                    PROPERTY_NAMES nKind, SEARCH_OPTIONS nOption)
{
    if (nOption == SEARCH_VIEWING)
        return CreateFootprintList(path, QStringList{strFileOrExt}, nKind);
    CSearchNotes notes(m_report, m_skippedFolders, m_fnProgress);
    if (!notes.NoteProjectError(path))
        return 0;
    notes.NotePath(path);
    return AddListing(path, strFileOrExt, notes);
}

int CFootprint::CreateFootprintList(const CSearchPath& path, const QStringList& fileNames,
                                    PROPERTY_NAMES)
{
    CSearchNotes notes(m_report, m_skippedFolders, m_fnProgress);
    if (!notes.NoteProjectError(path))
        return 0;
    notes.NotePath(path);
    return AddViewing(path, fileNames, notes);
}

void CFootprint::GetFootprintList(QList<CFootprintEntry*>& list) const
{
    // The usual Browse: one listing of every kind. Its list of all entries
    // is made once and shared by every search that lists the same.
    if (m_pieces.size() == 1 && m_pieces[0].pScan &&
        m_pieces[0].pScan->nMask == (FlagsOfKind(1) | FlagsOfKind(2)))
    {
        const QList<CFootprintEntry*>& all = m_pieces[0].pScan->pResult->All();
        if (list.isEmpty())
            list = all;
        else
            list.append(all);
        return;
    }
    list.reserve(list.size() + qsizetype(m_nListed));
    for (const Piece& piece : m_pieces)
    {
        if (!piece.pScan)
        {
            for (std::size_t i = piece.nFirst; i < piece.nEnd; ++i)
                list.append(const_cast<CFootprintEntry*>(&m_entries[i]));
            continue;
        }
        const quint8 nMask = piece.pScan->nMask;
        for (const Listing& pListing : piece.pScan->pResult->listings)
        {
            if (nMask == (FlagsOfKind(1) | FlagsOfKind(2)))
            {
                // Every entry is asked for: no flag to read.
                for (const CFootprintEntry& entry : pListing->entries)
                    list.append(const_cast<CFootprintEntry*>(&entry));
                continue;
            }
            for (const CFootprintEntry& entry : pListing->entries)
                if (entry.m_nFlags & nMask)
                    list.append(const_cast<CFootprintEntry*>(&entry));
        }
    }
}

const QString* CFootprint::KeepFolder(const QString& strFolder)
{
    m_folders.push_back(strFolder);
    return &m_folders.back();
}

int CFootprint::AddListing(const CSearchPath& path, const QString& strExt, CSearchNotes& notes)
{
    const QString strLower = strExt.toLower();
    const bool bPsm = strLower == u".psm" || strLower == u"psm";
    const bool bDra = strLower == u".dra" || strLower == u"dra";
    if (!bPsm && !bDra)
        return 0;

    std::shared_ptr<ListingScan> pScan;
    for (auto it = m_pieces.rbegin(); it != m_pieces.rend() && !pScan; ++it)
        if (it->pScan)
            pScan = it->pScan;
    if (!pScan || pScan->folders != path.folders)
    {
        std::shared_ptr<const ScanResult> pResult = CFootprintLister(*m_pCache, notes).List(path);
        if (!pResult)
        {
            m_bCancelled = true;
            return 0;
        }
        pScan = std::make_shared<ListingScan>();
        pScan->folders = path.folders;
        pScan->pResult = std::move(pResult);
        for (const Listing& pListing : pScan->pResult->listings)
            if (pListing->nHidden > 0)
                notes.NoteHidden(pListing->strFolder, qsizetype(pListing->nHidden));
        m_pieces.push_back({pScan, 0, 0});
    }

    const quint8 nWanted = bPsm ? FlagsOfKind(1) : FlagsOfKind(2);
    std::size_t nAdded = 0;
    for (std::size_t nKind = 1; nKind < 4; ++nKind)
        if ((FlagsOfKind(nKind) & nWanted) && !(FlagsOfKind(nKind) & pScan->nMask))
            nAdded += pScan->pResult->counts[nKind];
    pScan->nMask |= nWanted;
    m_nListed += nAdded;
    return int(nAdded);
}

int CFootprint::AddViewing(const CSearchPath& path, const QStringList& fileNames,
                           CSearchNotes& notes)
{
    QStringList folders;
    std::vector<CDrawingLookup::Hit> hits;
    if (!CDrawingLookup(*m_pCache, notes, fileNames).Find(path, folders, hits))
    {
        m_bCancelled = true;
        return 0;
    }

    std::vector<const QString*> kept(std::size_t(folders.size()), nullptr);
    for (const CDrawingLookup::Hit& hit : hits)
    {
        if (!kept[hit.nFolder])
            kept[hit.nFolder] = KeepFolder(folders[qsizetype(hit.nFolder)]);
        AddViewingEntry(kept[hit.nFolder], FromBytes(hit.file));
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

void CFootprint::AddViewingEntry(const QString* pFolder, const QString& strFile)
{
    CFootprintEntry& entry = m_entries.emplace_back();
    const qsizetype nDot = strFile.lastIndexOf(u'.');
    const QString strName = nDot >= 0 ? strFile.left(nDot) : strFile;
    entry.m_pFolder = pFolder;
    entry.KeepName(strName.toUtf8());
    if (strFile == strName + QStringLiteral(".dra"))
        entry.m_nFlags |= CFootprintEntry::kDrawingNamed;
    else
    {
        entry.m_nFlags |= CFootprintEntry::kDrawingStored;
        entry.m_pTexts->strLocation = strFile;
    }
}
