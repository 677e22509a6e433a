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

COpenedFolder pellium::OpenFolder(const QByteArray& path, struct stat& st)
{
    NoteFileCall(EFileCall::kOpen, path.constData());
    const int nFd = open(path.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (nFd >= 0)
    {
        NoteFileCall(EFileCall::kFstat, path.constData());
        if (fstat(nFd, &st) == 0)
            return {nFd, {}, false};
        const int nError = errno;
        close(nFd);
        return {-1, {EFolderFault::kUnreachable, nError}, false};
    }
    const int nOpenError = errno;
    COpenedFolder closed;
    closed.fault = FolderStatProblem(path, st);
    closed.bStatFault = bool(closed.fault);
    if (!closed.fault)
        closed.fault = FolderAccessProblem(path);
    // Gone or changed between the calls, or out of descriptors.
    if (!closed.fault)
        closed.fault = {EFolderFault::kUnreadable, nOpenError};
    return closed;
}

namespace
{
// Whether the mode bits alone say that the effective user may search the
// folder. Root may when anyone may; the owner by the owner's bit, which an
// access list does not change; anyone else when both the group's and the
// others' bits allow it (only an access list naming that user or one of
// their groups could still refuse, which is rare enough to find out when
// a file is opened). Anything else, a refusal included, is asked.
bool SurelySearchable(const struct stat& st)
{
    const uid_t nUser = geteuid();
    if (nUser == 0)
        return (st.st_mode & (S_IXUSR | S_IXGRP | S_IXOTH)) != 0;
    if (nUser == st.st_uid)
        return (st.st_mode & S_IXUSR) != 0;
    return (st.st_mode & (S_IXGRP | S_IXOTH)) == (S_IXGRP | S_IXOTH);
}
} // namespace

CFolderFault pellium::SearchProblem(const QByteArray& path, const struct stat& st)
{
    if (SurelySearchable(st))
        return {};
    NoteFileCall(EFileCall::kAccess, path.constData());
    if (faccessat(AT_FDCWD, path.constData(), X_OK, AT_EACCESS) != 0)
        return {EFolderFault::kNotSearchable, errno};
    return {};
}

namespace
{
// A listing buffer as large as the C library's own.
constexpr std::size_t kDirBuffer = 32768;
} // namespace

CDirReader::CDirReader(int nFd, const QByteArray& folder)
    : m_nFd(nFd), m_folder(folder), m_pBuffer(new char[kDirBuffer])
{
    NoteFileCall(EFileCall::kReadDir, m_folder.constData());
}

const dirent64* CDirReader::Next()
{
    if (m_nAt >= m_nEnd)
    {
        if (m_bEnd)
            return nullptr;
        ssize_t nRead = 0;
        do
            nRead = getdents64(m_nFd, m_pBuffer.get(), kDirBuffer);
        while (nRead < 0 && errno == EINTR);
        if (nRead <= 0)
        {
            m_bEnd = true;
            m_nError = nRead < 0 ? errno : 0;
            return nullptr;
        }
        m_nAt = 0;
        m_nEnd = std::size_t(nRead);
    }
    const auto* pEntry = reinterpret_cast<const dirent64*>(m_pBuffer.get() + m_nAt);
    m_nAt += pEntry->d_reclen;
    return pEntry;
}

bool CDirReader::IsRegularFile(const dirent64* pEntry, bool* pLinkSeen) const
{
    if (pEntry->d_type == DT_REG)
        return true;
    if (pEntry->d_type != DT_LNK && pEntry->d_type != DT_UNKNOWN)
        return false;
    if (pEntry->d_type == DT_LNK && pLinkSeen)
        *pLinkSeen = true;
    if (detail::FileCallHookSet())
    {
        const std::string path = m_folder.toStdString() + '/' + pEntry->d_name;
        detail::CallFileCallHook(EFileCall::kStat, path.c_str());
    }
    struct stat st;
    return fstatat(m_nFd, pEntry->d_name, &st, 0) == 0 && S_ISREG(st.st_mode);
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
                                                               const QByteArray& encoded, int nFd,
                                                               bool& bLinks, int& nError)
{
    Items items;
    if (!Collect(encoded, nFd, items, bLinks, nError))
        return {};
    items.Sort();
    return MakeListing(strFolder, items);
}

bool CFolderReader::Collect(const QByteArray& encoded, int nFd, Items& items, bool& bLinks,
                            int& nError)
{
    CDirReader dir(nFd, encoded);
    items.arena.reserve(8192);
    items.items.reserve(128);
    while (const dirent64* pEntry = dir.Next())
    {
        const std::string_view name(pEntry->d_name);
        if (name.size() <= kExtLen) // a footprint needs a name before its extension
            continue;
        const bool bPsm = EndsWithExt(name, ".psm");
        if (!bPsm && !EndsWithExt(name, ".dra"))
            continue;
        if (!dir.IsRegularFile(pEntry, &bLinks))
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
    nError = dir.Error();
    return nError == 0;
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
