#include "Footprint.h"

#include "ExpandEnvVars.h"
#include "ProjectFile.h"
#include "SpiProject.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

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
        for (char c : s)
            out += AsciiLower(c);
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
bool IsRegularFile(int nDirFd, const dirent* pEntry)
{
#ifdef _DIRENT_HAVE_D_TYPE
    if (pEntry->d_type == DT_REG)
        return true;
    if (pEntry->d_type != DT_LNK && pEntry->d_type != DT_UNKNOWN)
        return false;
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

void AppendProjectFolders(const CSpiProject& project, const QString& strProgram, const QDir& base,
                          QStringList& folders, bool& bDefined)
{
    for (const auto& pProgram : project.m_programs.m_nodes)
    {
        if (!pProgram || pProgram->m_strName.compare(strProgram, Qt::CaseInsensitive) != 0)
            continue;
        for (const auto& pDirective : pProgram->m_directives.m_nodes)
        {
            if (!pDirective || pDirective->m_strName.compare(u"psmpath", Qt::CaseInsensitive) != 0)
                continue;
            for (const auto& pList : pDirective->m_lists)
            {
                if (!pList)
                    continue;
                for (const QString& strValue : pList->m_values)
                {
                    bDefined = true;
                    // A folder whose name cannot be expanded is not searched:
                    // its unexpanded text names no folder the user meant.
                    QString strFolder;
                    QString strMessage;
                    if (!ExpandEnvVars(strValue, strFolder, strMessage) || strFolder.isEmpty())
                        continue;
                    folders.append(QDir::cleanPath(base.absoluteFilePath(strFolder)));
                }
            }
        }
    }
}

// Existing folders of the path, each once: a folder reached again through
// links (or the same folder written twice) is dropped, keeping the first.
QStringList ReadableFolders(const QStringList& candidates)
{
    struct IdHash
    {
        std::size_t operator()(const std::pair<dev_t, ino_t>& id) const
        {
            return std::hash<ino_t>()(id.second) ^ (std::hash<dev_t>()(id.first) << 1);
        }
    };
    std::unordered_set<std::pair<dev_t, ino_t>, IdHash> seen;
    QStringList folders;
    for (const QString& strFolder : candidates)
    {
        struct stat st;
        if (stat(QFile::encodeName(strFolder).constData(), &st) != 0 || !S_ISDIR(st.st_mode))
            continue;
        if (seen.insert({st.st_dev, st.st_ino}).second)
            folders.append(strFolder);
    }
    return folders;
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

// The folders read by the latest listing, kept so that the next listing
// call on the same path picks from them instead of reading them again.
struct CFootprint::ListingScan
{
    QStringList path;
    std::size_t nFirst = 0; // its entries in m_entries
    std::size_t nEnd = 0;
};

CFootprint::CFootprint() = default;
CFootprint::~CFootprint() = default;

void CFootprint::DeleteFootprintList()
{
    m_pScan.reset();
    m_entries.clear();
    m_folders.clear();
    m_nListed = 0;
}

QStringList CFootprint::SearchPath(const QString& strProjectPath)
{
    QStringList folders;
    bool bDefined = false;
    if (!strProjectPath.isEmpty())
    {
        CSpiProject project;
        if (LoadProjectFile(strProjectPath, project).bOk)
        {
            const QDir base = QFileInfo(strProjectPath).absoluteDir();
            AppendProjectFolders(project, QString(), base, folders, bDefined);
            AppendProjectFolders(project, QStringLiteral("Global"), base, folders, bDefined);
        }
    }
    if (bDefined)
        return folders;

    static const QRegularExpression separators(QStringLiteral("[:;]"));
    const QString strEnv = qEnvironmentVariable("PSMPATH");
    for (const QString& strPart : strEnv.split(separators, Qt::SkipEmptyParts))
        folders.append(QDir::cleanPath(QDir::current().absoluteFilePath(strPart)));
    return folders;
}

int CFootprint::CreateFootprintList(const QString& strProjectPath, const QString& strFileOrExt,
                                    PROPERTY_NAMES, SEARCH_OPTIONS nOption)
{
    const QStringList path = SearchPath(strProjectPath);
    if (nOption == SEARCH_VIEWING)
        return AddViewing(ReadableFolders(path), strFileOrExt);
    return AddListing(path, strFileOrExt);
}

void CFootprint::GetFootprintList(QList<CFootprintEntry*>& list) const
{
    list.reserve(list.size() + qsizetype(m_nListed));
    for (const CFootprintEntry& entry : m_entries)
        if (entry.m_nFlags & CFootprintEntry::kListed)
            list.append(const_cast<CFootprintEntry*>(&entry));
}

const QString* CFootprint::KeepFolder(const QString& strFolder)
{
    m_folders.push_back(strFolder);
    return &m_folders.back();
}

int CFootprint::AddListing(const QStringList& path, const QString& strExt)
{
    const QString strLower = strExt.toLower();
    const bool bPsm = strLower == u".psm" || strLower == u"psm";
    const bool bDra = strLower == u".dra" || strLower == u"dra";
    if (!bPsm && !bDra)
        return 0;

    if (!m_pScan || m_pScan->path != path)
    {
        m_pScan = std::make_unique<ListingScan>();
        m_pScan->path = path;
        m_pScan->nFirst = m_entries.size();
        for (const QString& strFolder : ReadableFolders(path))
            ScanFolderForListing(KeepFolder(strFolder));
        m_pScan->nEnd = m_entries.size();
    }

    const quint8 nWanted = bPsm ? CFootprintEntry::kHasPsm
                                : (CFootprintEntry::kDrawingNamed | CFootprintEntry::kDrawingStored);
    int nAdded = 0;
    for (std::size_t i = m_pScan->nFirst; i < m_pScan->nEnd; ++i)
    {
        CFootprintEntry& entry = m_entries[i];
        if ((entry.m_nFlags & CFootprintEntry::kListed) || !(entry.m_nFlags & nWanted))
            continue;
        entry.m_nFlags |= CFootprintEntry::kListed;
        ++nAdded;
    }
    m_nListed += std::size_t(nAdded);
    return nAdded;
}

// Reads one folder once and makes one entry per footprint name that has a
// ".psm" or a ".dra" there, in name order; the listing calls then choose
// which of them to hand out.
void CFootprint::ScanFolderForListing(const QString* pFolder)
{
    CDirReader dir(*pFolder);
    if (!dir.IsOpen())
        return;

    struct Item
    {
        std::size_t nName, nNameLen; // file name in the arena
        std::size_t nKey, nKeyLen;   // case-blind stem in the arena
        bool bPsm;
    };
    std::string arena;
    std::vector<Item> items;
    while (const dirent* pEntry = dir.Next())
    {
        const std::string_view name(pEntry->d_name);
        if (name.size() <= kExtLen) // a footprint needs a name before its extension
            continue;
        const bool bPsm = EndsWithExt(name, ".psm");
        if (!bPsm && !EndsWithExt(name, ".dra"))
            continue;
        if (!IsRegularFile(dir.Fd(), pEntry))
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

    for (std::size_t i = 0; i < items.size();)
    {
        std::size_t j = i + 1;
        while (j < items.size() &&
               view(items[j].nKey, items[j].nKeyLen) == view(items[i].nKey, items[i].nKeyLen))
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

        CFootprintEntry& entry = m_entries.emplace_back();
        entry.m_strName = FromBytes(stem);
        entry.m_pFolder = pFolder;
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
        i = j;
    }
}

int CFootprint::AddViewing(const QStringList& folders, const QString& strFileName)
{
    // A drawing is a file of the folder itself: a name with a separator
    // could reach outside the search path.
    if (strFileName.isEmpty() || strFileName.contains(u'/') || strFileName.contains(QChar(0)))
        return 0;
    const QByteArray wanted = QFile::encodeName(strFileName);
    const std::string_view wantedView(wanted.constData(), std::size_t(wanted.size()));
    std::string wantedKey;
    AppendFolded(wantedKey, wantedView);
    const bool bWantedAscii = IsAscii(wantedView);

    int nAdded = 0;
    std::string key;
    for (const QString& strFolder : folders)
    {
        CDirReader dir(strFolder);
        if (!dir.IsOpen())
            continue;
        // One hit per folder: the exact spelling when present, else the
        // first spelling in byte order.
        std::string best;
        bool bFound = false;
        while (const dirent* pEntry = dir.Next())
        {
            const std::string_view name(pEntry->d_name);
            bool bMatch;
            if (bWantedAscii && IsAscii(name))
                bMatch = name.size() == wantedView.size() &&
                         std::equal(name.begin(), name.end(), wantedView.begin(),
                                    [](char a, char b) { return AsciiLower(a) == AsciiLower(b); });
            else
            {
                key.clear();
                AppendFolded(key, name);
                bMatch = key == wantedKey;
            }
            if (!bMatch || !IsRegularFile(dir.Fd(), pEntry))
                continue;
            if (!bFound || name == wantedView || (best != wantedView && name < best))
                best.assign(name);
            bFound = true;
        }
        if (!bFound)
            continue;

        const QString strFile = FromBytes(best);
        CFootprintEntry& entry = m_entries.emplace_back();
        const qsizetype nDot = strFile.lastIndexOf(u'.');
        entry.m_strName = nDot >= 0 ? strFile.left(nDot) : strFile;
        entry.m_pFolder = KeepFolder(strFolder);
        if (strFile == entry.m_strName + QStringLiteral(".dra"))
            entry.m_nFlags |= CFootprintEntry::kDrawingNamed;
        else
        {
            entry.m_nFlags |= CFootprintEntry::kDrawingStored;
            entry.m_pTexts = std::make_unique<CFootprintEntry::Texts>();
            entry.m_pTexts->strLocation = strFile;
        }
        entry.m_nFlags |= CFootprintEntry::kListed;
        ++nAdded;
    }
    m_nListed += std::size_t(nAdded);
    return nAdded;
}
