// SPDX-License-Identifier: MIT
#include "pellium/FootprintFolders.h"

#include "pellium/FileCalls.h"
#include "pellium/FootprintNames.h"

#include <algorithm>
#include <cerrno>
#include <string>
#include <string_view>

#include <unistd.h>

using namespace pellium;

CFolderFault pellium::FolderStatProblem(const QByteArray& path, struct stat& st)
{
    NoteFileCall(EFileCall::kStat, path.constData());
    if (stat(path.constData(), &st) != 0)
    {
        if (errno == ENOENT || errno == ENOTDIR)
            return {EFolderFault::kMissing};
        return {EFolderFault::kUnreachable, errno};
    }
    if (!S_ISDIR(st.st_mode))
        return {EFolderFault::kNotAFolder};
    return {};
}

CFolderFault pellium::FolderAccessProblem(const QByteArray& path)
{
    NoteFileCall(EFileCall::kAccess, path.constData());
    if (faccessat(AT_FDCWD, path.constData(), R_OK, AT_EACCESS) != 0)
        return {EFolderFault::kUnreadable, errno};
    NoteFileCall(EFileCall::kAccess, path.constData());
    if (faccessat(AT_FDCWD, path.constData(), X_OK, AT_EACCESS) != 0)
        return {EFolderFault::kNotSearchable, errno};
    return {};
}

qint64 pellium::WallClockNow()
{
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    return Nanoseconds(ts);
}

// The footprint files of a folder: their names and case-blind stems one
// after another in one text, sorted by stem.
struct CFolderReader::Items
{
    struct Item
    {
        std::size_t nName, nNameLen; // file name in the arena
        std::size_t nKey, nKeyLen;   // case-blind stem in the arena
        bool bPsm;
    };
    std::string arena;
    std::vector<Item> items;
    std::size_t nHidden = 0;

    std::string_view View(std::size_t nOff, std::size_t nLen) const
    {
        return {arena.data() + nOff, nLen};
    }
    std::string_view Name(std::size_t i) const { return View(items[i].nName, items[i].nNameLen); }
    bool SameKey(std::size_t a, std::size_t b) const
    {
        return View(items[a].nKey, items[a].nKeyLen) == View(items[b].nKey, items[b].nKeyLen);
    }
    // Name order; within one name the ".psm" files first, then byte order,
    // so every choice made of them is the same on every run.
    void Sort()
    {
        std::sort(items.begin(), items.end(),
                  [this](const Item& a, const Item& b)
                  {
                      const int n = View(a.nKey, a.nKeyLen).compare(View(b.nKey, b.nKeyLen));
                      if (n != 0)
                          return n < 0;
                      if (a.bPsm != b.bPsm)
                          return a.bPsm;
                      return View(a.nName, a.nNameLen) < View(b.nName, b.nNameLen);
                  });
    }
};

std::shared_ptr<CFootprint::FolderListing> CFolderReader::Read(const QString& strFolder,
                                                               bool& bLinks, int& nError)
{
    Items items;
    if (!Collect(strFolder, items, bLinks, nError))
        return {};
    items.Sort();
    return MakeListing(strFolder, items);
}

bool CFolderReader::Collect(const QString& strFolder, Items& items, bool& bLinks, int& nError)
{
    CDirReader dir(strFolder);
    if (!dir.IsOpen())
    {
        nError = errno;
        return false;
    }
    items.arena.reserve(8192);
    items.items.reserve(128);
    while (const dirent* pEntry = dir.Next())
    {
        const std::string_view name(pEntry->d_name);
        if (name.size() <= kExtLen) // a footprint needs a name before its extension
            continue;
        const bool bPsm = EndsWithExt(name, ".psm");
        if (!bPsm && !EndsWithExt(name, ".dra"))
            continue;
        if (!IsRegularFile(dir.Fd(), pEntry, &bLinks))
            continue;
        if (!DecodesExactly(name))
        {
            ++items.nHidden;
            continue;
        }
        Items::Item item{items.arena.size(), name.size(), 0, 0, bPsm};
        items.arena += name;
        item.nKey = items.arena.size();
        AppendFolded(items.arena, name.substr(0, name.size() - kExtLen));
        item.nKeyLen = items.arena.size() - item.nKey;
        items.items.push_back(item);
    }
    return true;
}

std::shared_ptr<CFootprint::FolderListing> CFolderReader::MakeListing(const QString& strFolder,
                                                                      const Items& items)
{
    auto pListing = std::make_shared<CFootprint::FolderListing>();
    pListing->strFolder = strFolder;
    pListing->nHidden = items.nHidden;
    // One allocation for the entries and one for their names: the entries
    // are made in place and never move, which keeps their pointers right,
    // and a pass over the names in list order reads memory in order.
    const std::size_t n = items.items.size();
    std::size_t nFootprints = 0, nNameBytes = 0;
    for (std::size_t i = 0; i < n; ++i)
        if (i == 0 || !items.SameKey(i, i - 1))
        {
            ++nFootprints;
            nNameBytes += items.items[i].nNameLen - kExtLen;
        }
    pListing->entries.reserve(nFootprints);
    pListing->pNames.reset(new char[nNameBytes]);
    char* pName = pListing->pNames.get();
    for (std::size_t i = 0; i < n;)
    {
        std::size_t j = i + 1;
        while (j < n && items.SameKey(j, i))
            ++j;
        AddEntry(*pListing, items, i, j, pName);
        i = j;
    }
    return pListing;
}

void CFolderReader::AddEntry(CFootprint::FolderListing& listing, const Items& items,
                             std::size_t nFirst, std::size_t nEnd, char*& pName)
{
    // The footprint takes its name from its ".psm" when there is one.
    const Items::Item& first = items.items[nFirst];
    const std::string_view stem = items.View(first.nName, first.nNameLen - kExtLen);
    auto isNamedDrawing = [&stem](std::string_view file)
    {
        return file.size() == stem.size() + kExtLen && file.starts_with(stem) &&
               file.ends_with(".dra");
    };
    const Items::Item* pDrawing = nullptr;
    int nDrawings = 0;
    for (std::size_t k = nFirst; k < nEnd; ++k)
        nDrawings += items.items[k].bPsm ? 0 : 1;
    for (std::size_t k = nFirst; k < nEnd; ++k)
    {
        if (items.items[k].bPsm)
            continue;
        const std::string_view file = items.Name(k);
        if (!pDrawing || isNamedDrawing(file))
            pDrawing = &items.items[k];
        if (isNamedDrawing(file))
            break;
    }

    CFootprintEntry& entry = listing.entries.emplace_back();
    std::copy(stem.begin(), stem.end(), pName);
    entry.m_pName = pName;
    entry.m_nNameLen = quint32(stem.size());
    pName += stem.size();
    entry.m_pFolder = &listing.strFolder;
    if (first.bPsm)
        entry.m_nFlags |= CFootprintEntry::kHasPsm;
    if (nDrawings > 1)
        entry.m_nFlags |= CFootprintEntry::kSeveralDrawings;
    if (pDrawing)
    {
        const std::string_view file = items.View(pDrawing->nName, pDrawing->nNameLen);
        if (isNamedDrawing(file))
            entry.m_nFlags |= CFootprintEntry::kDrawingNamed;
        else
        {
            entry.m_nFlags |= CFootprintEntry::kDrawingStored;
            entry.MakeTexts().strLocation = FromBytes(file);
        }
    }
    // Letter case lets several files of a kind answer this name: the entry
    // names them all, so the user learns of every one.
    if (nDrawings > 1 || (nEnd - nFirst) - std::size_t(nDrawings) > 1)
    {
        CFootprintEntry::Texts& texts = entry.MakeTexts();
        for (std::size_t k = nFirst; k < nEnd; ++k)
            texts.sharedFiles.append(FromBytes(items.Name(k)));
    }
    ++listing.counts[(first.bPsm ? 1 : 0) | (pDrawing ? 2 : 0)];
}
