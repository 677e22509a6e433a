#include "pellium/Footprint.h"

#include <QFile>
#include <QLoggingCategory>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <mutex>
#include <thread>
#include <cstring>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

namespace
{
Q_LOGGING_CATEGORY(lcSearch, "physprops.search")
} // namespace

namespace
{
constexpr std::size_t kExtLen = 4; // ".psm", ".dra"

bool IsAscii(std::string_view s)
{
    return std::all_of(s.begin(), s.end(), [](char c) { return (static_cast<unsigned char>(c) & 0x80) == 0; });
}

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

// Appends the case-blind form of a file name: plain ASCII folding for the
// usual names, full Unicode case folding for the rest.
void AppendFolded(std::string& out, std::string_view s)
{
    if (IsAscii(s))
    {
        const std::size_t nAt = out.size();
        out.resize(nAt + s.size());
        char* pOut = out.data() + nAt;
        for (std::size_t i = 0; i < s.size(); ++i)
            pOut[i] = AsciiLower(s[i]);
        return;
    }
    out += QString::fromUtf8(s.data(), qsizetype(s.size())).toCaseFolded().toUtf8().toStdString();
}

bool EndsWithExt(std::string_view s, const char* pszExt)
{
    if (s.size() < kExtLen)
        return false;
    for (std::size_t i = 0; i < kExtLen; ++i)
        if (AsciiLower(s[s.size() - kExtLen + i]) != pszExt[i])
            return false;
    return true;
}

// d_type answers for most file systems; links and unknown types are looked
// at through the link, so a linked drawing counts and a folder named
// "X.dra" does not.
bool IsRegularFile(int nDirFd, const dirent* pEntry, bool* pLinkSeen = nullptr)
{
#ifdef _DIRENT_HAVE_D_TYPE
    if (pEntry->d_type == DT_REG)
        return true;
    if (pEntry->d_type != DT_LNK && pEntry->d_type != DT_UNKNOWN)
        return false;
    if (pEntry->d_type == DT_LNK && pLinkSeen)
        *pLinkSeen = true;
#else
    if (pLinkSeen)
        *pLinkSeen = true;
#endif
    struct stat st;
    return fstatat(nDirFd, pEntry->d_name, &st, 0) == 0 && S_ISREG(st.st_mode);
}

// Closes the folder on every way out.
class CDirReader
{
public:
    explicit CDirReader(const QString& strFolder)
        : m_pDir(opendir(QFile::encodeName(strFolder).constData()))
    {
    }
    ~CDirReader()
    {
        if (m_pDir)
            closedir(m_pDir);
    }
    CDirReader(const CDirReader&) = delete;
    CDirReader& operator=(const CDirReader&) = delete;

    bool IsOpen() const { return m_pDir != nullptr; }
    int Fd() const { return dirfd(m_pDir); }
    const dirent* Next() { return readdir(m_pDir); }

private:
    DIR* m_pDir;
};

QString FromBytes(std::string_view s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }

QString JoinPath(const QString& strFolder, const QString& strFile)
{
    if (strFolder.endsWith(u'/'))
        return strFolder + strFile;
    return strFolder + u'/' + strFile;
}

// Why a folder cannot be searched, or an empty text when it can. A folder
// that may be listed but not searched gives names whose files cannot be
// opened, so it is not searched either.
QString FolderStatProblem(const QByteArray& path, struct stat& st)
{
    if (stat(path.constData(), &st) != 0)
    {
        if (errno == ENOENT || errno == ENOTDIR)
            return QStringLiteral("does not exist");
        return QStringLiteral("cannot be reached (%1)").arg(qt_error_string(errno));
    }
    if (!S_ISDIR(st.st_mode))
        return QStringLiteral("is not a folder");
    return {};
}

QString FolderAccessProblem(const QByteArray& path)
{
    if (faccessat(AT_FDCWD, path.constData(), R_OK, AT_EACCESS) != 0)
        return QStringLiteral("cannot be read (%1)").arg(qt_error_string(errno));
    if (faccessat(AT_FDCWD, path.constData(), X_OK, AT_EACCESS) != 0)
        return QStringLiteral("cannot be searched, its files cannot be opened (%1)")
            .arg(qt_error_string(errno));
    return {};
}
} // namespace

CFootprintEntry::CFootprintEntry(const QString& strName, const QString& strSecond,
                                 const QString& strLocation)
    : m_strName(strName), m_pTexts(std::make_unique<Texts>(Texts{strSecond, strLocation}))
{
}

// A copy holds its own texts, so it stays valid after the search that made
// the original has ended.
CFootprintEntry::CFootprintEntry(const CFootprintEntry& other)
    : CFootprintEntry(other.m_strName, other.GetSecond(), other.GetLocation())
{
}

CFootprintEntry& CFootprintEntry::operator=(const CFootprintEntry& other)
{
    if (this != &other)
    {
        m_pTexts = std::make_unique<Texts>(Texts{other.GetSecond(), other.GetLocation()});
        m_strName = other.m_strName;
        m_pFolder = nullptr;
        m_nFlags = 0;
    }
    return *this;
}

CFootprintEntry::~CFootprintEntry() = default;

QString CFootprintEntry::GetSecond() const
{
    if (m_pFolder)
        return *m_pFolder;
    return m_pTexts ? m_pTexts->strSecond : QString();
}

QString CFootprintEntry::GetLocation() const
{
    if (!m_pFolder)
        return m_pTexts ? m_pTexts->strLocation : QString();
    if (m_nFlags & kDrawingNamed)
        return JoinPath(*m_pFolder, m_strName + QStringLiteral(".dra"));
    if ((m_nFlags & kDrawingStored) && m_pTexts)
        return JoinPath(*m_pFolder, m_pTexts->strLocation);
    return QString::fromLatin1(kNotFoundLocation);
}

QString CSearchReport::ProjectErrorText() const
{
    return QStringLiteral("The footprint search path can't be read from the project file:\n%1")
        .arg(strProjectError);
}

QString CSearchReport::SkippedText() const
{
    if (skipped.isEmpty())
        return {};
    constexpr qsizetype kShown = 10;
    QString strText = QStringLiteral("\n\nSearch folders skipped:");
    for (qsizetype i = 0; i < skipped.size() && i < kShown; ++i)
        strText += u'\n' + skipped[i].strFolder + QStringLiteral(": ") + skipped[i].strReason;
    if (skipped.size() > kShown)
        strText += QStringLiteral("\nand %1 more").arg(skipped.size() - kShown);
    return strText;
}

struct CFootprint::FolderListing
{
    QString strFolder;
    std::vector<CFootprintEntry> entries; // name order, made once, never changed
    // Entries by kind: bit 0 has a ".psm", bit 1 has a drawing.
    std::array<std::size_t, 4> counts{};
};

// The folders read by a listing and the kinds asked of them so far.
struct CFootprint::ListingScan
{
    QStringList folders;
    std::vector<std::shared_ptr<const FolderListing>> listings;
    quint8 nMask = 0; // entry flags asked for
};

// A folder of the path that can be searched, with the stat that decided it
// and, for a listing, its remembered listing when that can be reused.
struct CFootprint::UsableFolder
{
    QString strFolder;
    struct stat st;
    qint64 nStatTime = 0; // ns, wall clock, right after the stat
    quint64 nGeneration = 0;
    std::shared_ptr<const CFootprint::FolderListing> pListing;
};

namespace
{
using Listing = std::shared_ptr<const CFootprint::FolderListing>;

qint64 Nanoseconds(const timespec& ts) { return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec; }

qint64 WallClockNow()
{
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    return Nanoseconds(ts);
}

// What a folder's stat says of its contents: the same folder (device,
// inode), unchanged since (modified and changed times).
struct FolderId
{
    dev_t dev = 0;
    ino_t ino = 0;
    qint64 nModified = 0, nChanged = 0;
    bool operator==(const FolderId&) const = default;
};

struct Remembered
{
    FolderId id;
    Listing pListing;
    quint64 nUsed = 0; // the listing generation that last used it
};

// Beyond this many entries the listings used longest ago are forgotten.
constexpr std::size_t kRememberedEntries = 3000000;

struct ListingMemory
{
    std::mutex mutex;
    std::unordered_map<QString, Remembered> folders;
    std::size_t nEntries = 0;
    quint64 nGeneration = 0;
    CFolderListings::Stats stats;
    CFolderListings::Tuning tuning;
};

ListingMemory& Memory()
{
    static ListingMemory s_memory;
    return s_memory;
}

FolderId IdOf(const struct stat& st, qint64 nTick)
{
    const qint64 nStep = std::max<qint64>(1, nTick);
    return {st.st_dev, st.st_ino, Nanoseconds(st.st_mtim) / nStep * nStep,
            Nanoseconds(st.st_ctim) / nStep * nStep};
}

Listing Recall(const QString& strFolder, const struct stat& st, quint64 nGeneration)
{
    ListingMemory& memory = Memory();
    std::lock_guard lock(memory.mutex);
    const auto it = memory.folders.find(strFolder);
    if (it == memory.folders.end())
        return {};
    if (!(it->second.id == IdOf(st, memory.tuning.tick.count())))
    {
        memory.nEntries -= it->second.pListing->entries.size();
        memory.folders.erase(it);
        return {};
    }
    it->second.nUsed = nGeneration;
    ++memory.stats.nReused;
    return it->second.pListing;
}

// Keeps a fresh listing unless the folder changed so shortly before its
// stat that a change after it may carry the same times.
void Remember(const QString& strFolder, const struct stat& st, qint64 nStatTime, const Listing& pListing,
              bool bReusable, quint64 nGeneration)
{
    ListingMemory& memory = Memory();
    std::lock_guard lock(memory.mutex);
    ++memory.stats.nRead;
    const FolderId id = IdOf(st, memory.tuning.tick.count());
    if (const auto it = memory.folders.find(strFolder); it != memory.folders.end())
    {
        memory.nEntries -= it->second.pListing->entries.size();
        memory.folders.erase(it);
    }
    if (!bReusable || nStatTime - std::max(id.nModified, id.nChanged) < memory.tuning.quiet.count())
        return;
    memory.folders[strFolder] = {id, pListing, nGeneration};
    memory.nEntries += pListing->entries.size();
}

// Forgets the listings used longest ago while there are too many entries,
// never those of the listing under way.
void TrimMemory(quint64 nGeneration)
{
    ListingMemory& memory = Memory();
    std::lock_guard lock(memory.mutex);
    if (memory.nEntries <= kRememberedEntries)
        return;
    std::vector<std::pair<quint64, QString>> byAge;
    for (const auto& [strFolder, remembered] : memory.folders)
        if (remembered.nUsed != nGeneration)
            byAge.emplace_back(remembered.nUsed, strFolder);
    std::sort(byAge.begin(), byAge.end());
    for (const auto& [nUsed, strFolder] : byAge)
    {
        if (memory.nEntries <= kRememberedEntries)
            break;
        const auto it = memory.folders.find(strFolder);
        memory.nEntries -= it->second.pListing->entries.size();
        memory.folders.erase(it);
    }
}

quint64 NextGeneration()
{
    std::lock_guard lock(Memory().mutex);
    return ++Memory().nGeneration;
}

std::chrono::milliseconds FolderDelay()
{
    std::lock_guard lock(Memory().mutex);
    return Memory().tuning.folderDelay;
}

constexpr quint8 kDrawing = 1 | 2; // kDrawingNamed | kDrawingStored

quint8 FlagsOfKind(std::size_t nKind) { return quint8(((nKind & 1) ? 4 : 0) | ((nKind & 2) ? kDrawing : 0)); }
} // namespace

void CFolderListings::Forget()
{
    ListingMemory& memory = Memory();
    std::lock_guard lock(memory.mutex);
    memory.folders.clear();
    memory.nEntries = 0;
}

CFolderListings::Stats CFolderListings::GetStats()
{
    std::lock_guard lock(Memory().mutex);
    return Memory().stats;
}

CFolderListings::Tuning CFolderListings::SetTuning(const Tuning& tuning)
{
    ListingMemory& memory = Memory();
    std::lock_guard lock(memory.mutex);
    const Tuning old = memory.tuning;
    memory.tuning = tuning;
    // Times already remembered were read with the old tick.
    memory.folders.clear();
    memory.nEntries = 0;
    return old;
}

CFootprint::CFootprint() = default;
CFootprint::CFootprint(SearchPathSource fnSource) : m_fnSource(std::move(fnSource)) {}
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
                           " search path source:" << strProjectPath;
    CSearchPath path;
    path.strProjectError =
        (strProjectPath.isEmpty() ? QStringLiteral("(no project file)") : strProjectPath) +
        QStringLiteral(": the footprint search was given no way to read a project's search path");
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
    if (!path.strProjectError.isEmpty())
    {
        m_report.strProjectError = path.strProjectError;
        return 0;
    }
    return AddListing(path, strFileOrExt);
}

int CFootprint::CreateFootprintList(const CSearchPath& path, const QStringList& fileNames,
                                    PROPERTY_NAMES)
{
    if (!path.strProjectError.isEmpty())
    {
        m_report.strProjectError = path.strProjectError;
        return 0;
    }
    return AddViewing(path, fileNames);
}

void CFootprint::GetFootprintList(QList<CFootprintEntry*>& list) const
{
    list.reserve(list.size() + qsizetype(m_nListed));
    // The usual Browse: one listing of every kind; written straight in.
    if (m_pieces.size() == 1 && m_pieces[0].pScan && m_pieces[0].pScan->nMask == (FlagsOfKind(1) | FlagsOfKind(2)))
    {
        qsizetype nAt = list.size();
        list.resize(nAt + qsizetype(m_nListed));
        CFootprintEntry** pOut = list.data();
        for (const Listing& pListing : m_pieces[0].pScan->listings)
            for (const CFootprintEntry& entry : pListing->entries)
                pOut[nAt++] = const_cast<CFootprintEntry*>(&entry);
        return;
    }
    for (const Piece& piece : m_pieces)
    {
        if (!piece.pScan)
        {
            for (std::size_t i = piece.nFirst; i < piece.nEnd; ++i)
                list.append(const_cast<CFootprintEntry*>(&m_entries[i]));
            continue;
        }
        const quint8 nMask = piece.pScan->nMask;
        for (const Listing& pListing : piece.pScan->listings)
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

void CFootprint::Skip(const QString& strFolder, const QString& strReason)
{
    if (m_skippedFolders.contains(strFolder))
        return;
    m_skippedFolders.insert(strFolder);
    m_report.skipped.append({strFolder, strReason});
}

// The folders of the path that can be searched, each once: a folder reached
// again through links (or the same folder written twice) is dropped, keeping
// the first. The others are noted with the reason. For a listing, a folder
// whose remembered listing still holds comes with it and costs one stat.
std::vector<CFootprint::UsableFolder> CFootprint::UsableFolders(const CSearchPath& path, bool bForListing)
{
    struct IdHash
    {
        std::size_t operator()(const std::pair<dev_t, ino_t>& id) const
        {
            return std::hash<ino_t>()(id.second) ^ (std::hash<dev_t>()(id.first) << 1);
        }
    };
    std::unordered_set<std::pair<dev_t, ino_t>, IdHash> seen;
    std::vector<UsableFolder> folders;
    const quint64 nGeneration = bForListing ? NextGeneration() : 0;
    for (qsizetype i = 0; i < path.folders.size(); ++i)
    {
        UsableFolder folder;
        folder.strFolder = path.folders[i];
        const QByteArray encoded = QFile::encodeName(folder.strFolder);
        QString strProblem = FolderStatProblem(encoded, folder.st);
        folder.nStatTime = WallClockNow();
        folder.nGeneration = nGeneration;
        if (strProblem.isEmpty() && bForListing)
            folder.pListing = Recall(folder.strFolder, folder.st, nGeneration);
        // A remembered listing was made when the folder could be read; its
        // mode and owner have not changed since (that would change its times).
        if (strProblem.isEmpty() && !folder.pListing)
            strProblem = FolderAccessProblem(encoded);
        if (!strProblem.isEmpty())
        {
            if (i < path.unexpanded.size() && !path.unexpanded[i].isEmpty())
                strProblem += QStringLiteral("; its value was used as stored: ") + path.unexpanded[i];
            Skip(folder.strFolder, strProblem);
            continue;
        }
        if (seen.insert({folder.st.st_dev, folder.st.st_ino}).second)
            folders.push_back(std::move(folder));
    }
    for (const QString& strValue : path.empty)
        Skip(strValue, QStringLiteral("names no folder: it expands to an empty text"));
    if (bForListing)
        TrimMemory(nGeneration);
    return folders;
}

int CFootprint::AddListing(const CSearchPath& path, const QString& strExt)
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
        pScan = std::make_shared<ListingScan>();
        pScan->folders = path.folders;
        std::vector<UsableFolder> folders = UsableFolders(path, true);
        if (!ListFolders(folders, *pScan))
        {
            m_bCancelled = true;
            return 0;
        }
        m_pieces.push_back({pScan, 0, 0});
    }

    const quint8 nWanted = bPsm ? FlagsOfKind(1) : FlagsOfKind(2);
    std::size_t nAdded = 0;
    for (const Listing& pListing : pScan->listings)
        for (std::size_t nKind = 1; nKind < 4; ++nKind)
            if ((FlagsOfKind(nKind) & nWanted) && !(FlagsOfKind(nKind) & pScan->nMask))
                nAdded += pListing->counts[nKind];
    pScan->nMask |= nWanted;
    m_nListed += nAdded;
    return int(nAdded);
}

// Reads the folders that have no listing to reuse, on two threads when
// there are many: most of a folder's time is the kernel's, which runs on
// both at once. The listings are then taken in path order, telling the
// progress after each; false when it says stop.
bool CFootprint::ListFolders(std::vector<UsableFolder>& folders, ListingScan& scan)
{
    struct Read
    {
        bool bRead = false; // not reused
        bool bLinks = false;
        int nError = 0;
        std::atomic<bool> bDone{false};
    };
    const std::size_t n = folders.size();
    const auto reads = std::make_unique<Read[]>(n);
    const std::chrono::milliseconds delay = FolderDelay();
    std::atomic<std::size_t> nNext{0};
    std::atomic<bool> bStop{false};
    const auto readNext = [&] {
        const std::size_t i = nNext++;
        if (i >= n)
            return false;
        if (delay.count() > 0)
            std::this_thread::sleep_for(delay);
        reads[i].bRead = !folders[i].pListing;
        if (reads[i].bRead)
            folders[i].pListing = ReadFolder(folders[i].strFolder, reads[i].bLinks, reads[i].nError);
        reads[i].bDone.store(true, std::memory_order_release);
        return true;
    };
    constexpr std::size_t kFoldersForTwoThreads = 16;
    const std::size_t nToRead = std::size_t(std::count_if(
        folders.begin(), folders.end(), [](const UsableFolder& folder) { return !folder.pListing; }));
    std::thread helper;
    if (nToRead >= kFoldersForTwoThreads && std::thread::hardware_concurrency() > 1)
        helper = std::thread([&] {
            while (!bStop.load(std::memory_order_relaxed) && readNext())
            {
            }
        });
    const auto finish = [&helper, &bStop] {
        bStop = true;
        if (helper.joinable())
            helper.join();
    };

    CListingProgress progress{0, int(n), 0};
    for (std::size_t k = 0; k < n; ++k)
    {
        while (!reads[k].bDone.load(std::memory_order_acquire))
            if (!readNext())
                std::this_thread::yield();
        UsableFolder& folder = folders[k];
        if (!folder.pListing)
            Skip(folder.strFolder, QStringLiteral("cannot be read (%1)").arg(qt_error_string(reads[k].nError)));
        else if (reads[k].bRead)
        {
            // A link's target can change without its folder changing.
            Remember(folder.strFolder, folder.st, folder.nStatTime, folder.pListing, !reads[k].bLinks,
                     folder.nGeneration);
        }
        if (folder.pListing)
        {
            progress.nFound += qsizetype(folder.pListing->entries.size());
            scan.listings.push_back(std::move(folder.pListing));
        }
        ++progress.nFoldersDone;
        if (m_fnProgress && !m_fnProgress(progress))
        {
            finish();
            return false;
        }
    }
    finish();
    return true;
}

// Reads one folder once and makes one entry per footprint name that has a
// ".psm" or a ".dra" there, in name order; the listing calls then choose
// which of them to hand out. Null when the folder cannot be opened.
std::shared_ptr<CFootprint::FolderListing> CFootprint::ReadFolder(const QString& strFolder, bool& bLinks,
                                                                  int& nError)
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
        Item item{arena.size(), name.size(), 0, 0, bPsm};
        arena += name;
        item.nKey = arena.size();
        AppendFolded(arena, name.substr(0, name.size() - kExtLen));
        item.nKeyLen = arena.size() - item.nKey;
        items.push_back(item);
    }

    auto view = [&arena](std::size_t nOff, std::size_t nLen) {
        return std::string_view(arena.data() + nOff, nLen);
    };
    // Name order; within one name the ".psm" files first, then byte order,
    // so every choice below is the same on every run.
    std::sort(items.begin(), items.end(), [&](const Item& a, const Item& b) {
        const int n = view(a.nKey, a.nKeyLen).compare(view(b.nKey, b.nKeyLen));
        if (n != 0)
            return n < 0;
        if (a.bPsm != b.bPsm)
            return a.bPsm;
        return view(a.nName, a.nNameLen) < view(b.nName, b.nNameLen);
    });
    auto sameKey = [&](std::size_t a, std::size_t b) {
        return view(items[a].nKey, items[a].nKeyLen) == view(items[b].nKey, items[b].nKeyLen);
    };

    auto pListing = std::make_shared<FolderListing>();
    pListing->strFolder = strFolder;
    // One allocation: the entries are made in place and never move, which
    // also keeps their folder pointers right.
    std::size_t nFootprints = 0;
    for (std::size_t i = 0; i < items.size(); ++i)
        nFootprints += (i == 0 || !sameKey(i, i - 1)) ? 1 : 0;
    pListing->entries.reserve(nFootprints);

    for (std::size_t i = 0; i < items.size();)
    {
        std::size_t j = i + 1;
        while (j < items.size() && sameKey(j, i))
            ++j;

        // The footprint takes its name from its ".psm" when there is one.
        const Item& first = items[i];
        const std::string_view stem = view(first.nName, first.nNameLen - kExtLen);
        auto isNamedDrawing = [&stem](std::string_view file) {
            return file.size() == stem.size() + kExtLen && file.starts_with(stem) &&
                   file.ends_with(".dra");
        };
        const Item* pDrawing = nullptr;
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
        entry.m_strName = FromBytes(stem);
        entry.m_pFolder = &pListing->strFolder;
        if (first.bPsm)
            entry.m_nFlags |= CFootprintEntry::kHasPsm;
        if (pDrawing)
        {
            const std::string_view file = view(pDrawing->nName, pDrawing->nNameLen);
            if (isNamedDrawing(file))
                entry.m_nFlags |= CFootprintEntry::kDrawingNamed;
            else
            {
                entry.m_nFlags |= CFootprintEntry::kDrawingStored;
                entry.m_pTexts = std::make_unique<CFootprintEntry::Texts>();
                entry.m_pTexts->strLocation = FromBytes(file);
            }
        }
        ++pListing->counts[(first.bPsm ? 1 : 0) | (pDrawing ? 2 : 0)];
        i = j;
    }
    return pListing;
}

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
    for (UsableFolder& folder : UsableFolders(path, false))
        folders.append(std::move(folder.strFolder));
    std::unordered_map<std::string, std::vector<std::string>> found; // in one folder, by key
    std::string key;
    for (std::size_t f = 0; f < std::size_t(folders.size()) && !byKey.empty(); ++f)
    {
        CDirReader dir(folders[qsizetype(f)]);
        if (!dir.IsOpen())
        {
            const int nError = errno;
            Skip(folders[qsizetype(f)], QStringLiteral("cannot be read (%1)").arg(qt_error_string(nError)));
            continue;
        }
        found.clear();
        while (const dirent* pEntry = dir.Next())
        {
            const std::string_view name(pEntry->d_name);
            key.clear();
            AppendFolded(key, name);
            if (byKey.find(key) == byKey.end() || !IsRegularFile(dir.Fd(), pEntry))
                continue;
            found[key].emplace_back(name);
        }
        for (const auto& [strKey, files] : found)
            for (const std::size_t nName : byKey.at(strKey))
            {
                // One hit per folder: the exact spelling when present, else
                // the first spelling in byte order.
                const std::string_view spelling(wanted[nName].constData(), std::size_t(wanted[nName].size()));
                const std::string* pBest = nullptr;
                for (const std::string& file : files)
                {
                    if (file == spelling)
                    {
                        pBest = &file;
                        break;
                    }
                    if (!pBest || file < *pBest)
                        pBest = &file;
                }
                hits.push_back({nName, f, *pBest});
            }
    }
    // The hits of each name in path order, the names in the order given.
    std::stable_sort(hits.begin(), hits.end(), [](const Hit& a, const Hit& b) { return a.nName < b.nName; });

    std::vector<const QString*> kept(std::size_t(folders.size()), nullptr);
    for (const Hit& hit : hits)
    {
        const QString strFile = FromBytes(hit.file);
        CFootprintEntry& entry = m_entries.emplace_back();
        const qsizetype nDot = strFile.lastIndexOf(u'.');
        entry.m_strName = nDot >= 0 ? strFile.left(nDot) : strFile;
        if (!kept[hit.nFolder])
            kept[hit.nFolder] = KeepFolder(folders[qsizetype(hit.nFolder)]);
        entry.m_pFolder = kept[hit.nFolder];
        if (strFile == entry.m_strName + QStringLiteral(".dra"))
            entry.m_nFlags |= CFootprintEntry::kDrawingNamed;
        else
        {
            entry.m_nFlags |= CFootprintEntry::kDrawingStored;
            entry.m_pTexts = std::make_unique<CFootprintEntry::Texts>();
            entry.m_pTexts->strLocation = strFile;
        }
    }
    if (!hits.empty())
    {
        if (!m_pieces.empty() && !m_pieces.back().pScan && m_pieces.back().nEnd == m_entries.size() - hits.size())
            m_pieces.back().nEnd = m_entries.size();
        else
            m_pieces.push_back({nullptr, m_entries.size() - hits.size(), m_entries.size()});
    }
    m_nListed += hits.size();
    return int(hits.size());
}
