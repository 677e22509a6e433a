#pragma once

#include <QList>
#include <QString>

#include <memory>
#include <vector>

// What a search is made for.
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

// One footprint found on the search path.
class CFootprintEntry
{
public:
    CFootprintEntry() = default;
    CFootprintEntry(const QString& strName, const QString& strSecond, const QString& strLocation);
    virtual ~CFootprintEntry();

    QString GetName() const { return m_strName; }
    QString GetSecond() const { return m_strSecond; }
    // Full path of the drawing, or "Not Found".
    QString GetLocation() const { return m_strLocation; }

private:
    QString m_strName;
    QString m_strSecond;
    QString m_strLocation;
};

inline constexpr const char* kNotFoundLocation = "Not Found";

// Searches the footprint search path of a project.
class CFootprint
{
public:
    CFootprint();
    virtual ~CFootprint();
    CFootprint(const CFootprint&) = delete;
    CFootprint& operator=(const CFootprint&) = delete;

    void DeleteFootprintList();
    // Appends what the search finds to the list; returns the number of
    // entries added.
    int CreateFootprintList(const QString& strProjectPath, const QString& strFileOrExt,
                            PROPERTY_NAMES nKind, SEARCH_OPTIONS nOption);
    // Puts pointers to the entries into the array, in list order. The entries
    // stay owned by this object.
    void GetFootprintList(QList<CFootprintEntry*>& list) const;

private:
    std::vector<std::unique_ptr<CFootprintEntry>> m_entries;
};
