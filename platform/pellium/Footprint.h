#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <deque>
#include <memory>

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

// One footprint found on the search path: its name, the search folder it was
// found in (the second string) and the full path of its drawing, or
// "Not Found" when that folder has no drawing of that name.
class CFootprintEntry
{
public:
    CFootprintEntry() = default;
    CFootprintEntry(const QString& strName, const QString& strSecond, const QString& strLocation);
    CFootprintEntry(const CFootprintEntry& other);
    CFootprintEntry& operator=(const CFootprintEntry& other);
    virtual ~CFootprintEntry();

    QString GetName() const { return m_strName; }
    // The name without a copy, for callers that read a million of them.
    const QString& Name() const { return m_strName; }
    QString GetSecond() const;
    QString GetLocation() const;

private:
    friend class CFootprint;

    enum Flag : quint8
    {
        kDrawingNamed = 1,  // the drawing is the folder's NAME.dra, with the name's own case
        kDrawingStored = 2, // the drawing's file name is held in the texts
        kHasPsm = 4,
        kListed = 8, // handed out by GetFootprintList
    };

    // Texts an entry needs only now and then: both of an entry made by hand,
    // the drawing's file name when it is not spelt like the footprint.
    struct Texts
    {
        QString strSecond;
        QString strLocation;
    };

    // Entries the search makes share their folder's text with the other
    // entries of that folder and compose the location when asked, so a list
    // of a million footprints stays small.
    QString m_strName;
    const QString* m_pFolder = nullptr;
    std::unique_ptr<Texts> m_pTexts;
    quint8 m_nFlags = 0;
};

// Searches the footprint search path of a project: the project file's
// "psmpath" values (project level, then [Global]), else the PSMPATH
// environment variable. Only the folders themselves are read, never their
// subfolders; a folder reached twice (through links) is read once.
class CFootprint
{
public:
    CFootprint();
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

    // Puts pointers to the entries into the array, in list order: search
    // path order, then name order within a folder.
    void GetFootprintList(QList<CFootprintEntry*>& list) const;

    // The folders a search reads, in order, as absolute paths; folders that
    // do not exist are included (the search skips them).
    static QStringList SearchPath(const QString& strProjectPath);

private:
    struct ListingScan;

    int AddListing(const QStringList& path, const QString& strExt);
    int AddViewing(const QStringList& folders, const QString& strFileName);
    const QString* KeepFolder(const QString& strFolder);
    void ScanFolderForListing(const QString* pFolder);

    std::deque<CFootprintEntry> m_entries;
    std::deque<QString> m_folders;
    std::unique_ptr<ListingScan> m_pScan;
    std::size_t m_nListed = 0;
};
