// SPDX-License-Identifier: MIT
#include "pellium/FootprintFolders.h"

#include "pellium/FootprintNames.h"

#include <algorithm>
#include <cerrno>
#include <string>
#include <string_view>

#include <unistd.h>

using namespace pellium;

CFolderFault pellium::FolderStatProblem(const QByteArray& path, struct stat& st)
{
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
    if (faccessat(AT_FDCWD, path.constData(), R_OK, AT_EACCESS) != 0)
        return {EFolderFault::kUnreadable, errno};
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

// Reads one folder once and makes one entry per footprint name that has a
// ".psm" or a ".dra" there, in name order; the listing calls then choose
// which of them to hand out. Null when the folder cannot be opened.
std::shared_ptr<CFootprint::FolderListing> CFootprint::ReadFolder(const QString& strFolder,
                                                                  bool& bLinks, int& nError)
{
    CDirReader dir(strFolder);
    if (!dir.IsOpen())
    {
        nError = errno;
        return {};
    }

    struct Item
    {
        std::size_t nName, nNameLen; // file name in the arena
        std::size_t nKey, nKeyLen;   // case-blind stem in the arena
        bool bPsm;
    };
    std::string arena;
    std::vector<Item> items;
    std::size_t nHidden = 0;
    arena.reserve(8192);
    items.reserve(128);
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
            ++nHidden;
            continue;
        }
        Item item{arena.size(), name.size(), 0, 0, bPsm};
        arena += name;
        item.nKey = arena.size();
        AppendFolded(arena, name.substr(0, name.size() - kExtLen));
        item.nKeyLen = arena.size() - item.nKey;
        items.push_back(item);
    }

    auto view = [&arena](std::size_t nOff, std::size_t nLen)
    { return std::string_view(arena.data() + nOff, nLen); };
    // Name order; within one name the ".psm" files first, then byte order,
    // so every choice below is the same on every run.
    std::sort(items.begin(), items.end(),
              [&](const Item& a, const Item& b)
              {
                  const int n = view(a.nKey, a.nKeyLen).compare(view(b.nKey, b.nKeyLen));
                  if (n != 0)
                      return n < 0;
                  if (a.bPsm != b.bPsm)
                      return a.bPsm;
                  return view(a.nName, a.nNameLen) < view(b.nName, b.nNameLen);
              });
    auto sameKey = [&](std::size_t a, std::size_t b)
    { return view(items[a].nKey, items[a].nKeyLen) == view(items[b].nKey, items[b].nKeyLen); };

    auto pListing = std::make_shared<FolderListing>();
    pListing->strFolder = strFolder;
    pListing->nHidden = nHidden;
    // One allocation for the entries and one for their names: the entries
    // are made in place and never move, which keeps their pointers right,
    // and a pass over the names in list order reads memory in order.
    std::size_t nFootprints = 0, nNameBytes = 0;
    for (std::size_t i = 0; i < items.size(); ++i)
        if (i == 0 || !sameKey(i, i - 1))
        {
            ++nFootprints;
            nNameBytes += items[i].nNameLen - kExtLen;
        }
    pListing->entries.reserve(nFootprints);
    pListing->pNames.reset(new char[nNameBytes]);
    char* pName = pListing->pNames.get();

    for (std::size_t i = 0; i < items.size();)
    {
        std::size_t j = i + 1;
        while (j < items.size() && sameKey(j, i))
            ++j;

        // The footprint takes its name from its ".psm" when there is one.
        const Item& first = items[i];
        const std::string_view stem = view(first.nName, first.nNameLen - kExtLen);
        auto isNamedDrawing = [&stem](std::string_view file)
        {
            return file.size() == stem.size() + kExtLen && file.starts_with(stem) &&
                   file.ends_with(".dra");
        };
        const Item* pDrawing = nullptr;
        int nDrawings = 0;
        for (std::size_t k = i; k < j; ++k)
            nDrawings += items[k].bPsm ? 0 : 1;
        for (std::size_t k = i; k < j; ++k)
        {
            if (items[k].bPsm)
                continue;
            const std::string_view file = view(items[k].nName, items[k].nNameLen);
            if (!pDrawing || isNamedDrawing(file))
                pDrawing = &items[k];
            if (isNamedDrawing(file))
                break;
        }

        CFootprintEntry& entry = pListing->entries.emplace_back();
        std::copy(stem.begin(), stem.end(), pName);
        entry.m_pName = pName;
        entry.m_nNameLen = quint32(stem.size());
        pName += stem.size();
        entry.m_pFolder = &pListing->strFolder;
        if (first.bPsm)
            entry.m_nFlags |= CFootprintEntry::kHasPsm;
        if (nDrawings > 1)
            entry.m_nFlags |= CFootprintEntry::kSeveralDrawings;
        if (pDrawing)
        {
            const std::string_view file = view(pDrawing->nName, pDrawing->nNameLen);
            if (isNamedDrawing(file))
                entry.m_nFlags |= CFootprintEntry::kDrawingNamed;
            else
            {
                entry.m_nFlags |= CFootprintEntry::kDrawingStored;
                entry.MakeTexts().strLocation = FromBytes(file);
            }
        }
        // Letter case lets several files of a kind answer this name: the
        // entry names them all, so the user learns of every one.
        if (nDrawings > 1 || std::size_t(j - i) - std::size_t(nDrawings) > 1)
        {
            CFootprintEntry::Texts& texts = entry.MakeTexts();
            for (std::size_t k = i; k < j; ++k)
                texts.sharedFiles.append(FromBytes(view(items[k].nName, items[k].nNameLen)));
        }
        ++pListing->counts[(first.bPsm ? 1 : 0) | (pDrawing ? 2 : 0)];
        i = j;
    }
    return pListing;
}
