// SPDX-License-Identifier: MIT
#pragma once

#include "pellium/FileFault.h"
#include "pellium/PelliumExport.h"

#include <QByteArray>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <string_view>
#include <thread>
#include <vector>

// What a search is made for. Every footprint serves every property, so the
// kind does not change what a search finds.
enum PROPERTY_NAMES
{
    PROP_JEDEC_TYPE = 0,
    PROP_ALT_SYMBOLS = 1,
    PROP_OTHER = 2,
};

enum SEARCH_OPTIONS
{
    SEARCH_LISTING = 0, // every footprint of the search path
    SEARCH_VIEWING = 1, // every place that holds one drawing
};

inline constexpr const char* kNotFoundLocation = "Not Found";

// What the way a folder's value is written suggests when the folder is
// not there.
enum class EFolderHint : quint8
{
    kNone,
    kTilde,        // it starts with '~', which is a folder name here, not the home folder
    kExpansionOff, // it holds an environment reference, and the project does not expand them
};

// Where a folder of the search path was named, and what its value suggests.
struct PELLIUM_EXPORT CFolderOrigin
{
    QString strWhere = {}; // "FILE:LINE" of its psmpath line; empty for PSMPATH
    EFolderHint eHint = EFolderHint::kNone;
};

// A line of the project file that looks as if it gave the search path but
// gives nothing to it.
struct PELLIUM_EXPORT CPathLineNote
{
    enum class EKind : quint8
    {
        kIndented,      // "NAME = VALUE" of a known directive, indented: a value of the line above
        kUnreadSection, // psmpath in a section the search path is not read from
    };
    EKind eKind = EKind::kIndented;
    QString strWhere; // "FILE:LINE"
    QString strName;  // the directive as written
    QString strSection = {};

    // "FILE:LINE: what it does instead", in English or the words fnText gives.
    QString Describe(TextFn fnText = nullptr) const;
};

// The folders of a footprint search path, in order, as absolute paths
// (folders that do not exist included), or why the project named gives none.
struct PELLIUM_EXPORT CSearchPath
{
    QStringList folders;
    // Per folder: why its value was kept as stored (the expansion's message),
    // else empty.
    QStringList unexpanded;
    QList<CFolderOrigin> origins; // per folder; may be shorter (no origin)
    // Values that name no folder at all (they expand to nothing), as stored.
    QStringList empty;
    QList<CFolderOrigin> emptyOrigins; // per value of empty
    // Lines of the project file that look as if they added to the path but do not.
    QList<CPathLineNote> lineNotes;
    // Where the path comes from: the project file named, when its psmpath
    // values give it; else PSMPATH (with or without a project file).
    QString strProjectFile;
    bool bFromProject = false;
    // Set when the project file cannot be read now; nothing else is then
    // set. A project that cannot be read has no search path: falling back
    // to PSMPATH would search another library without a word.
    CFileFault projectFault;
    QString strProjectError; // projectFault.Describe(), for logs and the host
};

// Why a folder of the search path was not searched. The dialogs word it in
// the user's language; Reason() gives the English for logs and the host.
enum class EFolderFault : quint8
{
    kNone,
    kMissing,       // does not exist (or a part of its path is no folder)
    kUnreachable,   // its stat failed otherwise (nErrno)
    kNotAFolder,    // a file or device, not a folder
    kUnreadable,    // cannot be listed (nErrno)
    kNotSearchable, // can be listed, but its files cannot be opened (nErrno)
    kExpandsEmpty,  // the value names no folder: it expands to an empty text
};

struct PELLIUM_EXPORT CFolderFault
{
    EFolderFault eKind = EFolderFault::kNone;
    int nErrno = 0; // the system's error, for the kinds that have one
    explicit operator bool() const { return eKind != EFolderFault::kNone; }
    bool operator==(const CFolderFault&) const = default;
};

// A folder of the search path that was not searched, and why.
struct PELLIUM_EXPORT CSkippedFolder
{
    QString strFolder;
    CFolderFault fault;
    // The expansion's message when the folder's value was used as stored,
    // else empty.
    QString strUnexpanded = {};
    CFolderOrigin origin = {};

    // Why: "does not exist; its value was used as stored: ...", in English
    // or in the words fnText gives.
    QString Reason(TextFn fnText = nullptr) const;
    // One line for a list: "FILE:LINE: FOLDER: why", without "FILE:LINE: "
    // for a folder of PSMPATH.
    QString Describe(TextFn fnText = nullptr) const;
};

// Files of a searched folder that were left out because their names are
// not valid UTF-8: such a name cannot be stored in a property, nor opened
// again from one.
struct PELLIUM_EXPORT CHiddenFiles
{
    QString strFolder;
    qsizetype nFiles = 0;
};

// What stood in the way of the searches made since the last
// DeleteFootprintList.
struct PELLIUM_EXPORT CSearchReport
{
    CFileFault projectFault; // see CSearchPath; nothing was searched
    QString strProjectError;
    QList<CSkippedFolder> skipped; // in path order, each folder once
    QList<CHiddenFiles> hidden;    // in path order, each folder once
    // The path searched had no folder at all, and where it came from.
    bool bEmptyPath = false;
    bool bPathFromProject = false;
    QString strProjectFile;
    // With an empty path: the project's lines that look as if they gave one.
    QList<CPathLineNote> lineNotes;

    // Whether anything above is worth telling besides what was found.
    bool HasNotes() const { return !skipped.isEmpty() || !hidden.isEmpty() || bEmptyPath; }

    // The message for a project file that cannot be read.
    QString ProjectErrorText() const;
    // Lines to add after a "nothing found" message: which folders were
    // skipped and why, at most ten, then how many more, the files left out,
    // and why the path is empty; empty when there is nothing to add.
    QString SkippedText() const;
};

namespace pellium
{
class CDrawingLookup;
class CFolderReader;
class CSearchNotes;
} // namespace pellium

// One footprint found on the search path: its name, the search folder it was
// found in (the second string) and the full path of its drawing, or
// "Not Found" when that folder has no drawing of that name.
class PELLIUM_EXPORT CFootprintEntry
{
public:
    CFootprintEntry() = default;
    CFootprintEntry(const QString& strName, const QString& strSecond, const QString& strLocation);
    CFootprintEntry(const CFootprintEntry& other);
    CFootprintEntry& operator=(const CFootprintEntry& other);
    virtual ~CFootprintEntry();

    QString GetName() const;
    // The name's UTF-8 bytes without a copy, for callers that read a million
    // of them; valid as long as the entry.
    std::string_view Utf8Name() const { return {m_pName, m_nNameLen}; }
    QString GetSecond() const;
    QString GetLocation() const;
    // The full paths of the files of the entry's folder that answer its
    // name, when letter case lets more than one file of a kind do so
    // (UPPER.psm and upper.psm); empty otherwise.
    QStringList GetSharedFiles() const;

private:
    // The search makes entries: the façade, the reading of a folder, and
    // the drawing lookup, which reads remembered entries.
    friend class CFootprint;
    friend class pellium::CFolderReader;
    friend class pellium::CDrawingLookup;

    // Plain: bits combined in one quint8.
    enum Flag : quint8
    {
        kDrawingNamed = 1,  // the drawing is the folder's NAME.dra, with the name's own case
        kDrawingStored = 2, // the drawing's file name is held in the texts
        kHasPsm = 4,
        kSeveralDrawings = 8, // the folder has more than one spelling of the drawing's file name
        kOwnTexts = 16,       // m_pTexts, not m_pFolder, is set
    };

    // Texts an entry needs only now and then: all of an entry made by hand,
    // the drawing's file name when it is not spelt like the footprint.
    struct Texts
    {
        const QString* pFolder = nullptr; // the folder of an entry a search made
        QString strName;                  // the name of an entry made by hand, as given
        QByteArray name;                  // the name's bytes when no listing holds them
        QString strSecond;
        QString strLocation;
        QStringList sharedFiles; // file names in the folder, see GetSharedFiles
    };

    const QString* Folder() const
    {
        if (m_nFlags & kOwnTexts)
            return m_pTexts ? m_pTexts->pFolder : nullptr;
        return m_pFolder;
    }
    const Texts* OwnTexts() const { return (m_nFlags & kOwnTexts) ? m_pTexts : nullptr; }
    Texts& MakeTexts();
    // Names the entry by bytes it keeps itself.
    void KeepName(QByteArray name);

    // Entries the search makes point into their folder's block of names and
    // share their folder's text with the other entries of that folder, and
    // compose the location when asked, so a list of a million footprints
    // stays small.
    const char* m_pName = "";
    union
    {
        const QString* m_pFolder = nullptr;
        Texts* m_pTexts; // owned
    };
    quint32 m_nNameLen = 0;
    quint8 m_nFlags = 0;
};

// How far a listing has come: folders done of all, footprints found so far.
struct CListingProgress
{
    int nFoldersDone = 0;
    int nFolders = 0;
    qsizetype nFound = 0;
};

// Told after every folder of a listing; returning false stops it.
using ListingProgressFn = std::function<bool(const CListingProgress&)>;

// Runs fn on a thread of its own; an empty thread when none can be started
// (a process limit, or the default listing cache's tuning says so), and the
// caller does the work itself.
PELLIUM_EXPORT std::thread TryStartThread(std::function<void()> fn);

// The listings a search remembers and reuses (FootprintCachePrivate.h).
class CListingCache;

// Works out a project's search path; an empty project path means no project.
using SearchPathSource = std::function<CSearchPath(const QString& strProjectPath)>;

// Searches the folders of a footprint search path: given directly, or worked
// out from a project by the source the search was made with. Only the
// folders themselves are read, never their subfolders; a folder reached
// twice (through links) is read once. Folders that cannot be used are
// skipped and noted in Report().
//
// The listings of the folders read are remembered in the search's listing
// cache and reused while a folder's identity and change times (one stat) are
// those seen when it was read. A folder changed shortly before it was read
// may change again within the same tick of its clock, so its listing is not
// reused. The combined listing of a whole search path is remembered too and
// handed out again while every one of its folders still gives the same
// stat. Viewing looks for drawings in the remembered listings as well.
// Searches made without a cache share one for the whole process; a cache is
// safe to use from several threads.
class PELLIUM_EXPORT CFootprint
{
public:
    // Without a source a search by project path is a project error: this
    // library cannot read a project, and guessing a path would search
    // another library without a word.
    CFootprint();
    explicit CFootprint(SearchPathSource fnSource);
    // The same with the listing cache given; a null one means the process's.
    CFootprint(SearchPathSource fnSource, std::shared_ptr<CListingCache> pCache);
    virtual ~CFootprint();
    CFootprint(const CFootprint&) = delete;
    CFootprint& operator=(const CFootprint&) = delete;

    // Ends every entry handed out so far.
    void DeleteFootprintList();

    // Listing (".psm" or ".dra"): adds one entry per footprint name and folder
    // that has a file with that extension, unless an earlier listing call
    // since the last DeleteFootprintList already listed it; so ".psm" then
    // ".dra" lists every footprint once. Viewing (a file name such as
    // "SOIC8.dra"): adds one entry per folder that holds that file. Names
    // and extensions match ignoring case. Returns the number of entries
    // added. Entries stay valid until DeleteFootprintList or the object's end.
    int CreateFootprintList(const QString& strProjectPath, const QString& strFileOrExt,
                            PROPERTY_NAMES nKind, SEARCH_OPTIONS nOption);

    // Viewing of several file names in one pass over the search path: adds
    // the entries that one viewing call per name, in order, would add (the
    // hits of the first name in path order, then those of the second, ...).
    int CreateFootprintList(const QString& strProjectPath, const QStringList& fileNames,
                            PROPERTY_NAMES nKind);

    // The same over the folders given (a path with strProjectError set
    // searches nothing and reports that error).
    int CreateFootprintList(const CSearchPath& path, const QString& strFileOrExt,
                            PROPERTY_NAMES nKind, SEARCH_OPTIONS nOption);
    int CreateFootprintList(const CSearchPath& path, const QStringList& fileNames,
                            PROPERTY_NAMES nKind);

    // Told once the number of folders is known and after every folder a
    // listing or viewing call goes through; a call stopped by it adds
    // nothing and Cancelled() says so until DeleteFootprintList.
    void SetProgress(ListingProgressFn fnProgress) { m_fnProgress = std::move(fnProgress); }
    bool Cancelled() const { return m_bCancelled; }

    // What the searches since the last DeleteFootprintList could not do.
    const CSearchReport& Report() const { return m_report; }

    // Puts pointers to the entries into the array, in list order: search
    // path order, then name order within a folder.
    void GetFootprintList(QList<CFootprintEntry*>& list) const;

    struct FolderListing; // one folder's entries, shared with the remembered listings
    struct FolderState;   // what one folder's stat gave, remembered with a search path
    struct ScanResult;    // the listings of a search path's folders, shared likewise

private:
    struct ListingScan;
    // A run of the list: a listing scan, or viewing entries of m_entries.
    struct Piece
    {
        std::shared_ptr<ListingScan> pScan;
        std::size_t nFirst = 0, nEnd = 0;
    };

    CSearchPath SearchPathOf(const QString& strProjectPath) const;

    // The folders are listed by a CFootprintLister and the drawings looked
    // for by a CDrawingLookup, over this search's cache; these keep what
    // they find as entries.
    int AddListing(const CSearchPath& path, const QString& strExt, pellium::CSearchNotes& notes);
    int AddViewing(const CSearchPath& path, const QStringList& fileNames,
                   pellium::CSearchNotes& notes);
    void AddViewingEntry(const QString* pFolder, const QString& strFile);
    const QString* KeepFolder(const QString& strFolder);

    SearchPathSource m_fnSource;
    std::shared_ptr<CListingCache> m_pCache;
    ListingProgressFn m_fnProgress;
    std::deque<CFootprintEntry> m_entries;
    std::deque<QString> m_folders;
    std::vector<Piece> m_pieces;
    std::size_t m_nListed = 0;
    bool m_bCancelled = false;
    CSearchReport m_report;
    QSet<QString> m_skippedFolders;
};
