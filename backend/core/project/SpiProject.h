#pragma once

#include "core/CoreExport.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

// A list with a current position, as programs and directives are kept.
// Names are found through an index (case folded), so filling a list of n
// names costs n lookups, not n times the list's length; add nodes through
// Append only, so the index stays whole.
template <class T> class CSpiList
{
public:
    std::vector<std::unique_ptr<T>> m_nodes;
    qsizetype m_nCurrent = -1; // index into m_nodes, -1 when none

    // The current node's element, else the first one, else null.
    T* CurrentOrFirst() const
    {
        if (m_nCurrent >= 0 && m_nCurrent < qsizetype(m_nodes.size()))
            return m_nodes[std::size_t(m_nCurrent)].get();
        return m_nodes.empty() ? nullptr : m_nodes.front().get();
    }
    T* Append(std::unique_ptr<T> p)
    {
        // The first node of a name is the one found, as a walk from the front finds it.
        const QString strKey = p->m_strName.toCaseFolded();
        if (!m_index.contains(strKey))
            m_index.insert(strKey, qsizetype(m_nodes.size()));
        m_nodes.push_back(std::move(p));
        return m_nodes.back().get();
    }
    // Index of the first node whose name equals strName ignoring case, -1 when none.
    qsizetype Find(const QString& strName) const
    {
        return m_index.value(strName.toCaseFolded(), -1);
    }

private:
    QHash<QString, qsizetype> m_index;
};

// The values of one directive line group, read with a cursor.
class PHYSPROPS_CORE_EXPORT CSpiValueList
{
public:
    QStringList m_values;
    qsizetype m_nCursor = 0; // index of the next value; past the end means "at the end"
};

class PHYSPROPS_CORE_EXPORT CSpiDirective
{
public:
    explicit CSpiDirective(const QString& strName = {}) : m_strName(strName) {}

    std::vector<std::unique_ptr<CSpiValueList>> m_lists;
    QString m_strName;
    qint32 m_nActiveList = 0;

    // The list that value operations work on; null when the index is out of range.
    CSpiValueList* ActiveList() const
    {
        if (m_nActiveList < 0 || std::size_t(m_nActiveList) >= m_lists.size())
            return nullptr;
        return m_lists[std::size_t(m_nActiveList)].get();
    }
};

class PHYSPROPS_CORE_EXPORT CSpiProgram
{
public:
    explicit CSpiProgram(const QString& strName = {}) : m_strName(strName) {}

    CSpiList<CSpiDirective> m_directives;
    QString m_strName;
};

// The host's project: the project file's path and its settings, as programs
// with named directives, each with lists of values.
class PHYSPROPS_CORE_EXPORT CSpiProject
{
public:
    CSpiProject() = default;
    CSpiProject(const CSpiProject&) = delete;
    CSpiProject& operator=(const CSpiProject&) = delete;

    CSpiList<CSpiProgram> m_programs;
    QString m_strProjectPath;
    quint32 m_bExpandVars = 0;
    CSpiProgram* m_pCurrentProgram = nullptr;
    CSpiDirective* m_pCurrentDirective = nullptr;

    QString GetProjectPath() const { return m_strProjectPath; }

    // Directive access.
    int SelectProgram(const QString& strName);
    int SelectDirective(const QString& strName);
    void RewindValues();
    int NextValue(QString& strValue);
    int ReadDirective(const QString& strName, QString& strValue);

    // Message session set-up.
    int GetSessionName(QString& strSession);
    int InitMessageSession(const char* pszAppName, int* pArgc, char*** pArgv);

    // Host-side filling helpers.
    CSpiProgram* AddProgram(const QString& strName);
    static CSpiDirective* AddValue(CSpiProgram* pProgram, const QString& strDirective,
                                   const QString& strValue);
};

// The note left by the latest failed program or directive lookup.
PHYSPROPS_CORE_EXPORT QString GetLastSpiNote();
