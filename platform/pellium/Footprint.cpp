#include "pellium/Footprint.h"

#include <QFile>
#include <QLoggingCategory>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <system_error>
#include <thread>
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

// The same for a name already decoded: the listing's names are the
// decoded bytes of the file names.
void AppendFoldedName(std::string& out, const QString& strName)
{
    const bool bAscii = std::all_of(strName.begin(), strName.end(), [](QChar c) { return c.unicode() < 0x80; });
    if (!bAscii)
    {
        out += strName.toCaseFolded().toUtf8().toStdString();
        return;
    }
    const std::size_t nAt = out.size();
    out.resize(nAt + std::size_t(strName.size()));
    for (qsizetype i = 0; i < strName.size(); ++i)
        out[nAt + std::size_t(i)] = AsciiLower(char(strName[i].unicode()));
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

// Whether a file name read from a folder comes back as the same bytes once
// decoded: a name that does not (not valid UTF-8) would be shown with
// replacement characters and could never be opened again from the text.
bool DecodesExactly(std::string_view s)
{
    if (IsAscii(s))
        return true;
    return QFile::encodeName(FromBytes(s)) == QByteArray::fromRawData(s.data(), qsizetype(s.size()));
}

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
    : m_strName(strName), m_pTexts(std::make_unique<Texts>(Texts{strSecond, strLocation, {}}))
{
}

// A copy holds its own texts, so it stays valid after the search that made
// the original has ended.
CFootprintEntry::CFootprintEntry(const CFootprintEntry& other)
    : CFootprintEntry(other.m_strName, other.GetSecond(), other.GetLocation())
{
    m_pTexts->sharedFiles = other.GetSharedFiles();
}

CFootprintEntry& CFootprintEntry::operator=(const CFootprintEntry& other)
{
    if (this != &other)
    {
        m_pTexts = std::make_unique<Texts>(Texts{other.GetSecond(), other.GetLocation(), other.GetSharedFiles()});
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

QStringList CFootprintEntry::GetSharedFiles() const
{
    if (!m_pTexts || m_pTexts->sharedFiles.isEmpty())
        return {};
    if (!m_pFolder)
        return m_pTexts->sharedFiles;
    QStringList paths;
    paths.reserve(m_pTexts->sharedFiles.size());
    for (const QString& strFile : m_pTexts->sharedFiles)
        paths.append(JoinPath(*m_pFolder, strFile));
    return paths;
}

QString CSearchReport::ProjectErrorText() const
{
    return QStringLiteral("The footprint search path can't be read from the project file:\n%1")
        .arg(strProjectError);
}

QString CSearchReport::SkippedText() const
{
    constexpr qsizetype kShown = 10;
    QString strText;
    if (!skipped.isEmpty())
    {
        strText += QStringLiteral("\n\nSearch folders skipped:");
        for (qsizetype i = 0; i < skipped.size() && i < kShown; ++i)
            strText += u'\n' + skipped[i].strFolder + QStringLiteral(": ") + skipped[i].strReason;
        if (skipped.size() > kShown)
            strText += QStringLiteral("\nand %1 more").arg(skipped.size() - kShown);
    }
    if (!hidden.isEmpty())
    {
        strText += QStringLiteral("\n\nFiles left out, their names are not valid UTF-8:");
        for (qsizetype i = 0; i < hidden.size() && i < kShown; ++i)
            strText += u'\n' + hidden[i].strFolder + QStringLiteral(": %1").arg(hidden[i].nFiles);
        if (hidden.size() > kShown)
            strText += QStringLiteral("\nand %1 more folders").arg(hidden.size() - kShown);
    }
    if (bEmptyPath)
    {
        strText += QStringLiteral("\n\nThe footprint search path is empty: ");
        if (bPathFromProject)
            strText += QStringLiteral("the psmpath lines of %1 name no folder.").arg(strProjectFile);
        else if (!strProjectFile.isEmpty())
            strText += QStringLiteral("%1 has no psmpath line and PSMPATH names no folder.").arg(strProjectFile);
        else
            strText += QStringLiteral("there is no project file and PSMPATH names no folder.");
    }
    return strText;
}

struct CFootprint::FolderListing
{
    QString strFolder;
    std::vector<CFootprintEntry> entries; // name order, made once, never changed
    std::size_t nHidden = 0;              // files left out: names not valid UTF-8
    // Entries by kind: bit 0 has a ".psm", bit 1 has a drawing.
    std::array<std::size_t, 4> counts{};
    // Under the memory's lock: the listing generation that last used it, and
    // whether the remembered listings still hold it.
    mutable quint64 nUsed = 0;
    mutable bool bRemembered = false;
};

// The listings of the usable folders of a search path, in path order. Never
// changed once made, so searches share it; the list of all its entries is
// made the first time one asks for it.
struct CFootprint::ScanResult
{
    std::vector<std::shared_ptr<const FolderListing>> listings;
    std::array<std::size_t, 4> counts{}; // over all listings
    mutable std::once_flag allMade;
    mutable QList<CFootprintEntry*> all;

    const QList<CFootprintEntry*>& All() const
    {
        std::call_once(allMade, [this] {
            std::size_t nAll = 0;
            for (const auto& pListing : listings)
                nAll += pListing->entries.size();
            all.resize(qsizetype(nAll));
            CFootprintEntry** pOut = all.data();
            for (const auto& pListing : listings)
                for (const CFootprintEntry& entry : pListing->entries)
                    *pOut++ = const_cast<CFootprintEntry*>(&entry);
        });
        return all;
    }
};

// The folders read by a listing and the kinds asked of them so far.
struct CFootprint::ListingScan
{
    QStringList folders;
    std::shared_ptr<const ScanResult> pResult;
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

// What the stat of one folder of a path gave: the folder's identity and
// change times, or why it could not be used.
struct CFootprint::FolderState
{
    dev_t dev = 0;
    ino_t ino = 0;
    qint64 nModified = 0, nChanged = 0;
    QString strStatProblem;
    bool bOtherProblem = false; // found by more than the stat: not remembered
    bool operator==(const FolderState&) const = default;
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

using State = CFootprint::FolderState;

// What a folder's stat says of its contents: the same folder (device,
// inode), unchanged since (modified and changed times), read in steps of
// the tick.
State StateOf(const struct stat& st, qint64 nTick)
{
    const qint64 nStep = std::max<qint64>(1, nTick);
    State state;
    state.dev = st.st_dev;
    state.ino = st.st_ino;
    state.nModified = Nanoseconds(st.st_mtim) / nStep * nStep;
    state.nChanged = Nanoseconds(st.st_ctim) / nStep * nStep;
    return state;
}

struct Remembered
{
    State id;
    Listing pListing;
};

// A whole search path's listing: the path as given, what every folder's
// stat gave, and the listings of its usable folders. Reused while every
// stat gives the same and every listing is still remembered on its own.
struct RememberedPath
{
    QStringList folders, unexpanded, empty;
    std::vector<QByteArray> encoded; // the folders' names for the stat
    std::vector<State> states;
    std::shared_ptr<const CFootprint::ScanResult> pResult;
    mutable quint64 nUsed = 0; // under the memory's lock
};

// Beyond this many entries the listings used longest ago are forgotten.
constexpr std::size_t kRememberedEntries = 3000000;
// Search paths remembered whole: a few projects browsed in turn.
constexpr std::size_t kRememberedPaths = 4;

struct ListingMemory
{
    std::mutex mutex;
    std::unordered_map<QString, Remembered> folders;
    std::vector<std::shared_ptr<const RememberedPath>> paths;
    std::size_t nEntries = 0;
    quint64 nGeneration = 0;
    CFolderListings::Stats stats;
    CFolderListings::Tuning tuning;
};

// Never destroyed: a listing left behind on a stuck folder may still use
// it while the program ends.
ListingMemory& Memory()
{
    static ListingMemory* s_pMemory = new ListingMemory;
    return *s_pMemory;
}

// Under the lock.
void ForgetFolder(ListingMemory& memory, std::unordered_map<QString, Remembered>::iterator it)
{
    memory.nEntries -= it->second.pListing->entries.size();
    it->second.pListing->bRemembered = false;
    memory.folders.erase(it);
}

void ForgetAll(ListingMemory& memory)
{
    for (auto& [strFolder, remembered] : memory.folders)
        remembered.pListing->bRemembered = false;
    memory.folders.clear();
    memory.paths.clear();
    memory.nEntries = 0;
}

// A path whose listings are no longer all remembered would hold more than
// the bound allows, or a listing that no longer holds.
void DropStalePaths(ListingMemory& memory)
{
    std::erase_if(memory.paths, [](const std::shared_ptr<const RememberedPath>& pPath) {
        const auto& listings = pPath->pResult->listings;
        return !std::all_of(listings.begin(), listings.end(), [](const Listing& p) { return p->bRemembered; });
    });
}

Listing Recall(const QString& strFolder, const struct stat& st, quint64 nGeneration)
{
    ListingMemory& memory = Memory();
    std::lock_guard lock(memory.mutex);
    const auto it = memory.folders.find(strFolder);
    if (it == memory.folders.end())
        return {};
    if (!(it->second.id == StateOf(st, memory.tuning.tick.count())))
    {
        ForgetFolder(memory, it);
        return {};
    }
    it->second.pListing->nUsed = nGeneration;
    ++memory.stats.nReused;
    return it->second.pListing;
}

// Keeps a fresh listing unless the folder changed so shortly before its
// stat that a change after it may carry the same times; true when kept.
bool Remember(const QString& strFolder, const struct stat& st, qint64 nStatTime, const Listing& pListing,
              bool bReusable, quint64 nGeneration)
{
    ListingMemory& memory = Memory();
    std::lock_guard lock(memory.mutex);
    ++memory.stats.nRead;
    const State id = StateOf(st, memory.tuning.tick.count());
    if (const auto it = memory.folders.find(strFolder); it != memory.folders.end())
        ForgetFolder(memory, it);
    if (!bReusable || nStatTime - std::max(id.nModified, id.nChanged) < memory.tuning.quiet.count())
        return false;
    memory.folders[strFolder] = {id, pListing};
    pListing->nUsed = nGeneration;
    pListing->bRemembered = true;
    memory.nEntries += pListing->entries.size();
    return true;
}

// Forgets the listings used longest ago while there are too many entries,
// never those of the listing under way, then the paths that held them.
void TrimMemory(quint64 nGeneration)
{
    ListingMemory& memory = Memory();
    std::lock_guard lock(memory.mutex);
    if (memory.nEntries > kRememberedEntries)
    {
        std::vector<std::pair<quint64, QString>> byAge;
        for (const auto& [strFolder, remembered] : memory.folders)
            if (remembered.pListing->nUsed != nGeneration)
                byAge.emplace_back(remembered.pListing->nUsed, strFolder);
        std::sort(byAge.begin(), byAge.end());
        for (const auto& [nUsed, strFolder] : byAge)
        {
            if (memory.nEntries <= kRememberedEntries)
                break;
            ForgetFolder(memory, memory.folders.find(strFolder));
        }
    }
    DropStalePaths(memory);
}

void RememberPath(std::shared_ptr<RememberedPath> pPath)
{
    ListingMemory& memory = Memory();
    std::lock_guard lock(memory.mutex);
    const auto& listings = pPath->pResult->listings;
    if (!std::all_of(listings.begin(), listings.end(), [](const Listing& p) { return p->bRemembered; }))
        return;
    std::erase_if(memory.paths, [&pPath](const std::shared_ptr<const RememberedPath>& pOld) {
        return pOld->folders == pPath->folders;
    });
    pPath->nUsed = ++memory.nGeneration;
    if (memory.paths.size() >= kRememberedPaths)
        memory.paths.erase(std::min_element(memory.paths.begin(), memory.paths.end(),
                                            [](const auto& a, const auto& b) { return a->nUsed < b->nUsed; }));
    memory.paths.push_back(std::move(pPath));
}

void CountRead()
{
    std::lock_guard lock(Memory().mutex);
    ++Memory().stats.nRead;
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

std::function<void(const QString&)> FolderHook()
{
    std::lock_guard lock(Memory().mutex);
    return Memory().tuning.onFolder;
}

constexpr quint8 kDrawing = 1 | 2; // kDrawingNamed | kDrawingStored

quint8 FlagsOfKind(std::size_t nKind) { return quint8(((nKind & 1) ? 4 : 0) | ((nKind & 2) ? kDrawing : 0)); }
} // namespace

void CFolderListings::Forget()
{
    ListingMemory& memory = Memory();
    std::lock_guard lock(memory.mutex);
    ForgetAll(memory);
}

CFolderListings::Stats CFolderListings::GetStats()
{
    std::lock_guard lock(Memory().mutex);
    return Memory().stats;
}

std::thread TryStartThread(std::function<void()> fn)
{
    {
        std::lock_guard lock(Memory().mutex);
        if (Memory().tuning.bThreadsFail)
            return {};
    }
    try
    {
        return std::thread(std::move(fn));
    }
    catch (const std::system_error&)
    {
        return {};
    }
}

CFolderListings::Tuning CFolderListings::SetTuning(const Tuning& tuning)
{
    ListingMemory& memory = Memory();
    std::lock_guard lock(memory.mutex);
    const Tuning old = memory.tuning;
    memory.tuning = tuning;
    // Times already remembered were read with the old tick.
    ForgetAll(memory);
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
    NotePath(path);
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
    NotePath(path);
    return AddViewing(path, fileNames);
}

void CFootprint::GetFootprintList(QList<CFootprintEntry*>& list) const
{
    // The usual Browse: one listing of every kind. Its list of all entries
    // is made once and shared by every search that lists the same.
    if (m_pieces.size() == 1 && m_pieces[0].pScan && m_pieces[0].pScan->nMask == (FlagsOfKind(1) | FlagsOfKind(2)))
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

void CFootprint::Skip(const QString& strFolder, const QString& strReason)
{
    if (m_skippedFolders.contains(strFolder))
        return;
    m_skippedFolders.insert(strFolder);
    m_report.skipped.append({strFolder, strReason});
}

// The folders of the path that can be searched, each once: a folder reached
// again through links (or the same folder written twice) is dropped, keeping
// the first. The others are noted with the reason. A folder whose
// remembered listing still holds comes with it and costs one stat. When
// asked, tells what each folder's stat gave, in path order.
std::vector<CFootprint::UsableFolder> CFootprint::UsableFolders(const CSearchPath& path, bool bForListing,
                                                                std::vector<FolderState>* pStates)
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
    const quint64 nGeneration = NextGeneration();
    qint64 nTick = 1;
    {
        std::lock_guard lock(Memory().mutex);
        nTick = Memory().tuning.tick.count();
    }
    for (qsizetype i = 0; i < path.folders.size(); ++i)
    {
        UsableFolder folder;
        folder.strFolder = path.folders[i];
        const QByteArray encoded = QFile::encodeName(folder.strFolder);
        QString strProblem = FolderStatProblem(encoded, folder.st);
        folder.nStatTime = WallClockNow();
        folder.nGeneration = nGeneration;
        if (pStates)
        {
            pStates->push_back(strProblem.isEmpty() ? StateOf(folder.st, nTick) : State{});
            pStates->back().strStatProblem = strProblem;
        }
        if (strProblem.isEmpty())
            folder.pListing = Recall(folder.strFolder, folder.st, nGeneration);
        // A remembered listing was made when the folder could be read; its
        // mode and owner have not changed since (that would change its times).
        if (strProblem.isEmpty() && !folder.pListing)
        {
            strProblem = FolderAccessProblem(encoded);
            if (pStates && !strProblem.isEmpty())
                pStates->back().bOtherProblem = true;
        }
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

void CFootprint::NoteHidden(const QString& strFolder, qsizetype nFiles)
{
    const auto it = std::find_if(m_report.hidden.begin(), m_report.hidden.end(),
                                 [&strFolder](const CHiddenFiles& hidden) { return hidden.strFolder == strFolder; });
    if (it == m_report.hidden.end())
        m_report.hidden.append({strFolder, nFiles});
}

// A path without a single folder searches nothing; the report says where
// it came from, so the user knows what to set.
void CFootprint::NotePath(const CSearchPath& path)
{
    if (!path.folders.isEmpty() || !path.empty.isEmpty())
        return;
    m_report.bEmptyPath = true;
    m_report.bPathFromProject = path.bFromProject;
    m_report.strProjectFile = path.strProjectFile;
}

bool CFootprint::Progress(const CListingProgress& progress)
{
    return !m_fnProgress || m_fnProgress(progress);
}

// Answers a listing from the remembered listing of the same path when every
// one of its folders still gives the stat it gave: a stat a folder, on two
// threads for a long path, and nothing per entry. 1 when answered, 0 when
// the path must be listed, -1 when the progress stopped it.
int CFootprint::ReuseListing(const CSearchPath& path, ListingScan& scan)
{
    std::shared_ptr<const RememberedPath> pPath;
    qint64 nTick = 1;
    {
        ListingMemory& memory = Memory();
        std::lock_guard lock(memory.mutex);
        // The delay stands for slow storage, which every folder pays.
        if (memory.tuning.folderDelay.count() > 0 || memory.tuning.onFolder)
            return 0;
        nTick = memory.tuning.tick.count();
        for (const auto& pCandidate : memory.paths)
            if (pCandidate->folders == path.folders && pCandidate->unexpanded == path.unexpanded &&
                pCandidate->empty == path.empty)
                pPath = pCandidate;
    }
    if (!pPath)
        return 0;

    const std::size_t n = pPath->states.size();
    const auto holds = [&pPath, nTick](std::size_t nFirst, std::size_t nEnd) {
        for (std::size_t i = nFirst; i < nEnd; ++i)
        {
            struct stat st;
            const QString strProblem = FolderStatProblem(pPath->encoded[i], st);
            const State& then = pPath->states[i];
            if (strProblem != then.strStatProblem || (strProblem.isEmpty() && !(StateOf(st, nTick) == then)))
                return false;
        }
        return true;
    };
    // Most of a stat is the kernel's: two threads take half the time.
    constexpr std::size_t kFoldersForTwoThreads = 512;
    bool bHolds = true;
    if (n >= kFoldersForTwoThreads && std::thread::hardware_concurrency() > 1)
    {
        bool bSecondHalf = true;
        std::thread helper = TryStartThread([&] { bSecondHalf = holds(n / 2, n); });
        bHolds = holds(0, n / 2);
        if (helper.joinable())
            helper.join();
        else
            bSecondHalf = holds(n / 2, n);
        bHolds = bHolds && bSecondHalf;
    }
    else
        bHolds = holds(0, n);

    const auto& listings = pPath->pResult->listings;
    {
        ListingMemory& memory = Memory();
        std::lock_guard lock(memory.mutex);
        bHolds = bHolds && std::all_of(listings.begin(), listings.end(), [](const Listing& p) { return p->bRemembered; });
        if (!bHolds)
        {
            std::erase(memory.paths, pPath);
            return 0;
        }
        const quint64 nGeneration = ++memory.nGeneration;
        pPath->nUsed = nGeneration;
        for (const Listing& pListing : listings)
            pListing->nUsed = nGeneration;
        memory.stats.nReused += listings.size();
        ++memory.stats.nPathsReused;
    }

    for (std::size_t i = 0; i < n; ++i)
    {
        QString strProblem = pPath->states[i].strStatProblem;
        if (strProblem.isEmpty())
            continue;
        if (qsizetype(i) < path.unexpanded.size() && !path.unexpanded[qsizetype(i)].isEmpty())
            strProblem += QStringLiteral("; its value was used as stored: ") + path.unexpanded[qsizetype(i)];
        Skip(path.folders[qsizetype(i)], strProblem);
    }
    for (const QString& strValue : path.empty)
        Skip(strValue, QStringLiteral("names no folder: it expands to an empty text"));
    if (m_fnProgress)
    {
        CListingProgress progress{0, int(listings.size()), 0};
        for (const Listing& pListing : listings)
        {
            progress.nFound += qsizetype(pListing->entries.size());
            ++progress.nFoldersDone;
            if (!Progress(progress))
                return -1;
        }
    }
    scan.pResult = pPath->pResult;
    return 1;
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
        const int nReused = ReuseListing(path, *pScan);
        if (nReused == 0)
        {
            auto pPath = std::make_shared<RememberedPath>();
            std::vector<UsableFolder> folders = UsableFolders(path, true, &pPath->states);
            auto pResult = std::make_shared<ScanResult>();
            bool bAllKept = true;
            // The number of folders is known before the first is read.
            if (!folders.empty() && !Progress({0, int(folders.size()), 0}))
            {
                m_bCancelled = true;
                return 0;
            }
            if (!ListFolders(folders, *pResult, bAllKept))
            {
                m_bCancelled = true;
                return 0;
            }
            pScan->pResult = pResult;
            const bool bRememberable = bAllKept && std::none_of(pPath->states.begin(), pPath->states.end(),
                                                               [](const State& state) { return state.bOtherProblem; });
            if (bRememberable)
            {
                pPath->folders = path.folders;
                pPath->unexpanded = path.unexpanded;
                pPath->empty = path.empty;
                pPath->encoded.reserve(std::size_t(path.folders.size()));
                for (const QString& strFolder : path.folders)
                    pPath->encoded.push_back(QFile::encodeName(strFolder));
                pPath->pResult = std::move(pResult);
                RememberPath(std::move(pPath));
            }
        }
        else if (nReused < 0)
        {
            m_bCancelled = true;
            return 0;
        }
        for (const Listing& pListing : pScan->pResult->listings)
            if (pListing->nHidden > 0)
                NoteHidden(pListing->strFolder, qsizetype(pListing->nHidden));
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

// Reads the folders that have no listing to reuse, on two threads when
// there are many: most of a folder's time is the kernel's, which runs on
// both at once. The listings are then taken in path order, telling the
// progress after each; false when it says stop. bAllKept tells whether
// every folder's listing is now remembered.
bool CFootprint::ListFolders(std::vector<UsableFolder>& folders, ScanResult& result, bool& bAllKept)
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
    const std::function<void(const QString&)> onFolder = FolderHook();
    std::atomic<std::size_t> nNext{0};
    std::atomic<bool> bStop{false};
    const auto readNext = [&] {
        const std::size_t i = nNext++;
        if (i >= n)
            return false;
        if (delay.count() > 0)
            std::this_thread::sleep_for(delay);
        if (onFolder)
            onFolder(folders[i].strFolder);
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
        // Without a helper this thread reads every folder itself.
        helper = TryStartThread([&] {
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
    result.listings.reserve(n);
    for (std::size_t k = 0; k < n; ++k)
    {
        while (!reads[k].bDone.load(std::memory_order_acquire))
            if (!readNext())
                std::this_thread::yield();
        UsableFolder& folder = folders[k];
        if (!folder.pListing)
        {
            bAllKept = false;
            Skip(folder.strFolder, QStringLiteral("cannot be read (%1)").arg(qt_error_string(reads[k].nError)));
        }
        else if (reads[k].bRead)
        {
            // A link's target can change without its folder changing.
            if (!Remember(folder.strFolder, folder.st, folder.nStatTime, folder.pListing, !reads[k].bLinks,
                          folder.nGeneration))
                bAllKept = false;
        }
        if (folder.pListing)
        {
            progress.nFound += qsizetype(folder.pListing->entries.size());
            for (std::size_t nKind = 0; nKind < 4; ++nKind)
                result.counts[nKind] += folder.pListing->counts[nKind];
            result.listings.push_back(std::move(folder.pListing));
        }
        ++progress.nFoldersDone;
        if (!Progress(progress))
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
    pListing->nHidden = nHidden;
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
        entry.m_strName = FromBytes(stem);
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
                entry.m_pTexts = std::make_unique<CFootprintEntry::Texts>();
                entry.m_pTexts->strLocation = FromBytes(file);
            }
        }
        // Letter case lets several files of a kind answer this name: the
        // entry names them all, so the user learns of every one.
        if (nDrawings > 1 || std::size_t(j - i) - std::size_t(nDrawings) > 1)
        {
            if (!entry.m_pTexts)
                entry.m_pTexts = std::make_unique<CFootprintEntry::Texts>();
            for (std::size_t k = i; k < j; ++k)
                entry.m_pTexts->sharedFiles.append(FromBytes(view(items[k].nName, items[k].nNameLen)));
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
    std::vector<Listing> listings;
    for (UsableFolder& folder : UsableFolders(path, false))
    {
        folders.append(std::move(folder.strFolder));
        listings.push_back(std::move(folder.pListing));
    }
    // A remembered listing knows the drawings ("NAME.dra" in any case) of
    // its folder, and of each name whether the folder spells its drawing in
    // more than one way; other files it does not know.
    const bool bDrawingsOnly = std::all_of(byKey.begin(), byKey.end(), [](const auto& wantedKey) {
        return wantedKey.first.size() > kExtLen && std::string_view(wantedKey.first).ends_with(".dra");
    });
    using Found = std::unordered_map<std::string, std::vector<std::string>>; // in one folder, by key
    const auto AddHits = [&](std::size_t f, const Found& found) {
        for (const auto& [strKey, files] : found)
            for (const std::size_t nName : byKey.at(strKey))
            {
                // Every file that answers the name is a place of its own
                // (UPPER.dra and upper.dra): the exact spelling first, then
                // the others in byte order.
                const std::string_view spelling(wanted[nName].constData(), std::size_t(wanted[nName].size()));
                std::vector<const std::string*> ordered;
                ordered.reserve(files.size());
                for (const std::string& file : files)
                    ordered.push_back(&file);
                std::sort(ordered.begin(), ordered.end(), [&spelling](const std::string* a, const std::string* b) {
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
    const auto FindDrawings = [&key, &byKey](const FolderListing& listing, Found& found) {
        for (const CFootprintEntry& entry : listing.entries)
        {
            if (!(entry.m_nFlags & kDrawing))
                continue;
            key.clear();
            AppendFoldedName(key, entry.m_strName);
            key += ".dra";
            if (byKey.find(key) == byKey.end())
                continue;
            if (entry.m_nFlags & CFootprintEntry::kSeveralDrawings)
                return false;
            const QString strFile = (entry.m_nFlags & CFootprintEntry::kDrawingNamed)
                                        ? entry.m_strName + QStringLiteral(".dra")
                                        : entry.m_pTexts->strLocation;
            found[key].push_back(strFile.toUtf8().toStdString());
        }
        return true;
    };
    Found found;
    const std::chrono::milliseconds delay = FolderDelay();
    const std::function<void(const QString&)> onFolder = FolderHook();
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
        CountRead();
        CDirReader dir(folders[qsizetype(f)]);
        if (!dir.IsOpen())
        {
            const int nError = errno;
            Skip(folders[qsizetype(f)], QStringLiteral("cannot be read (%1)").arg(qt_error_string(nError)));
            continue;
        }
        while (const dirent* pEntry = dir.Next())
        {
            const std::string_view name(pEntry->d_name);
            key.clear();
            AppendFolded(key, name);
            // A name that is not valid UTF-8 folds to replacement characters
            // and could match a name that merely holds them.
            if (byKey.find(key) == byKey.end() || !DecodesExactly(name) || !IsRegularFile(dir.Fd(), pEntry))
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
