// SPDX-License-Identifier: MIT
#pragma once

#include "core/CoreExport.h"

#include <QString>
#include <QStringList>
#include <QStringView>

#include <algorithm>
#include <cstddef>
#include <memory>
#include <vector>

// Names compared ignoring case as QString::toCaseFolded() folds them, a code
// point at a time, without building the folded text: a hash for an index and
// the equality that goes with it.
PHYSPROPS_CORE_EXPORT std::size_t SpiNameHash(QStringView name) noexcept;
PHYSPROPS_CORE_EXPORT bool SpiNamesEqual(QStringView a, QStringView b) noexcept;

// Where the first node of each name lies in a list: open addressing over
// (hash, node) pairs, so growing never hashes a name again and a probe looks
// at a name only when the whole hash matches.
class PHYSPROPS_CORE_EXPORT CSpiNameIndex
{
public:
    struct Slot
    {
        std::size_t nHash = 0;
        qsizetype nNode = -1; // -1: empty
    };

    // The slot holding a name equal to name (nameOf(node) gives a node's
    // name), else the empty slot where it belongs. Room for one more name is
    // made first, so the empty slot can be filled without looking again.
    template <class NameOf> Slot& Probe(std::size_t nHash, QStringView name, NameOf nameOf)
    {
        if ((m_nUsed + 1) * 2 > qsizetype(m_slots.size()))
            Reserve(m_nUsed + 1);
        return m_slots[Position(nHash, name, nameOf)];
    }
    // The node of the first name equal to name, -1 when none.
    template <class NameOf>
    qsizetype Lookup(std::size_t nHash, QStringView name, NameOf nameOf) const
    {
        return m_slots.empty() ? -1 : m_slots[Position(nHash, name, nameOf)].nNode;
    }
    void Fill(Slot& slot, std::size_t nHash, qsizetype nNode)
    {
        slot = {nHash, nNode};
        ++m_nUsed;
    }
    // Room for nNames names in all, so that filling up to them moves nothing.
    void Reserve(qsizetype nNames);
    // Brings the slot where a name of that hash is looked for into the cache:
    // a large index misses it on every new name, and a reader can wait for
    // that while it reads the next lines.
    void Prefetch(std::size_t nHash) const
    {
        if (!m_slots.empty())
            __builtin_prefetch(&m_slots[nHash & (m_slots.size() - 1)]);
    }

private:
    template <class NameOf>
    std::size_t Position(std::size_t nHash, QStringView name, NameOf nameOf) const
    {
        const std::size_t nMask = m_slots.size() - 1;
        for (std::size_t i = nHash & nMask;; i = (i + 1) & nMask)
        {
            const Slot& slot = m_slots[i];
            if (slot.nNode < 0 || (slot.nHash == nHash && SpiNamesEqual(nameOf(slot.nNode), name)))
                return i;
        }
    }

    // Lookups land anywhere in a large index; with small pages nearly each
    // one would miss the TLB as well as the cache, so a large one asks for
    // huge pages.
    struct SlotAllocator
    {
        using value_type = Slot;
        template <class U> struct rebind
        {
            using other = SlotAllocator;
        };
        Slot* allocate(std::size_t n);
        void deallocate(Slot* p, std::size_t) noexcept;
        bool operator==(const SlotAllocator&) const noexcept { return true; }
    };

    std::vector<Slot, SlotAllocator> m_slots; // a power of two in size, at most half full
    qsizetype m_nUsed = 0;
};

// A list with a current position, as programs and directives are kept.
// The host may fill, empty or rename m_nodes directly, so a lookup (Find)
// walks from the front and trusts nothing else. The fill helpers (Append,
// FindOrAppend) keep an index of names, so filling a list of n names costs n
// probes, not n times the list's length; it is built again whenever the list
// holds another number of nodes than it knows of. A host that renames or
// replaces nodes in place and then fills through the helpers calls Reindex.
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
        const std::size_t nHash = SpiNameHash(p->m_strName);
        CSpiNameIndex::Slot& slot = Index().Probe(nHash, p->m_strName, NameOf());
        m_nodes.push_back(std::move(p));
        ++m_nIndexed;
        // The first node of a name is the one found, as a walk from the front finds it.
        if (slot.nNode < 0)
            m_index.Fill(slot, nHash, qsizetype(m_nodes.size()) - 1);
        return m_nodes.back().get();
    }
    // The first node named name ignoring case; else make() is appended.
    // The name is hashed once for both (nHash: its SpiNameHash).
    template <class Make> T* FindOrAppend(QStringView name, Make make)
    {
        return FindOrAppend(name, SpiNameHash(name), make);
    }
    template <class Make> T* FindOrAppend(QStringView name, std::size_t nHash, Make make)
    {
        CSpiNameIndex::Slot& slot = Index().Probe(nHash, name, NameOf());
        if (slot.nNode >= 0)
            return m_nodes[std::size_t(slot.nNode)].get();
        m_nodes.push_back(make());
        ++m_nIndexed;
        m_index.Fill(slot, nHash, qsizetype(m_nodes.size()) - 1);
        return m_nodes.back().get();
    }
    // Room for nNodes nodes in all: a reader that knows how many may come
    // saves the growing of the list and its index on the way.
    void Reserve(qsizetype nNodes)
    {
        // Doubling at least, so that many small reservations stay linear.
        if (std::size_t(nNodes) > m_nodes.capacity())
            m_nodes.reserve(std::max(std::size_t(nNodes), 2 * m_nodes.capacity()));
        Index().Reserve(nNodes);
    }
    void Prefetch(std::size_t nHash) const { m_index.Prefetch(nHash); }
    // Index of the first node from the front whose name equals name ignoring
    // case, -1 when none; null nodes are skipped.
    qsizetype Find(QStringView name) const
    {
        for (std::size_t n = 0; n < m_nodes.size(); ++n)
            if (m_nodes[n] && SpiNamesEqual(m_nodes[n]->m_strName, name))
                return qsizetype(n);
        return -1;
    }
    // Builds the helpers' index again from the nodes as they stand.
    void Reindex()
    {
        m_index = CSpiNameIndex();
        m_index.Reserve(qsizetype(m_nodes.size()));
        for (std::size_t n = 0; n < m_nodes.size(); ++n)
        {
            if (!m_nodes[n])
                continue;
            const std::size_t nHash = SpiNameHash(m_nodes[n]->m_strName);
            CSpiNameIndex::Slot& slot = m_index.Probe(nHash, m_nodes[n]->m_strName, NameOf());
            if (slot.nNode < 0)
                m_index.Fill(slot, nHash, qsizetype(n));
        }
        m_nIndexed = m_nodes.size();
    }

private:
    auto NameOf() const
    {
        return [this](qsizetype n) { return QStringView(m_nodes[std::size_t(n)]->m_strName); };
    }
    // The index, built again first when the host changed the number of nodes.
    CSpiNameIndex& Index()
    {
        if (m_nIndexed != m_nodes.size())
            Reindex();
        return m_index;
    }

    CSpiNameIndex m_index;
    std::size_t m_nIndexed = 0; // nodes the index was built from
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
    // The same with the directive name's SpiNameHash already at hand.
    static CSpiDirective* AddValue(CSpiProgram* pProgram, const QString& strDirective,
                                   std::size_t nHash, QString strValue);
};

// The note left by the latest failed program or directive lookup.
PHYSPROPS_CORE_EXPORT QString GetLastSpiNote();
