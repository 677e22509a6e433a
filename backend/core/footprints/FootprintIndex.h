// SPDX-License-Identifier: MIT
#pragma once

#include "core/CoreExport.h"

#include "pellium/Footprint.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <algorithm>
#include <cstddef>
#include <functional>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

class OLRegExp;

namespace physprops::core
{
// Leaves the elements a resize adds uninitialised: the filter sizes the row
// vector to the whole list before a pass that writes every row itself.
template <class T> struct CUninitAllocator : std::allocator<T>
{
    template <class U> struct rebind
    {
        using other = CUninitAllocator<U>;
    };
    CUninitAllocator() = default;
    template <class U> CUninitAllocator(const CUninitAllocator<U>&) noexcept {}
    template <class U> void construct(U* p) noexcept { ::new (static_cast<void*>(p)) U; }
    template <class U, class... Args> void construct(U* p, Args&&... args)
    {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
};

// Frees the buffer of prepared names as it was allocated: a large one is
// mapped on its own and backed by huge pages where the system allows, so
// filling it costs a few page faults rather than one every 4 KiB.
struct PHYSPROPS_CORE_EXPORT CNameBufferFree
{
    std::size_t nMapped = 0; // bytes mapped, or 0 for new[]
    void operator()(char* p) const noexcept;
};
using NameBuffer = std::unique_ptr<char[], CNameBufferFree>;

// The rows a footprint selection shows over a footprint list: an index
// vector into the caller's list, so filtering and sorting touch indexes,
// never the entries or copies of them. Names are upper-cased once, when the
// list is set, into one buffer that the filter reads in place; the filter
// runs on every keystroke over up to a million names.
class PHYSPROPS_CORE_EXPORT CFootprintIndex
{
public:
    // Board side of a row; kept per entry, one byte each. The order is the
    // order of the side names as text, so sorting by side sorts the bytes.
    // Plain: the bytes are stored and compared as quint8.
    enum Side : quint8
    {
        SideNone = 0, // a row without an entry has no side
        SideBoth,
        SideBottom,
        SideTop,
    };

    // Reads the list (borrowed; it must outlive the index, or the next
    // SetEntries) and shows every entry in list order, a null entry as a
    // row without a side.
    void SetEntries(const QList<CFootprintEntry*>* pList);
    const QList<CFootprintEntry*>* Entries() const { return m_pList; }

    // Shows, in list order, the entries whose upper-cased name the matcher
    // accepts, asking it for every name; null entries never match. Every
    // shown row's side is Both. Names are matched in their composed form
    // (MatchForm); the rows still show the entries, named as stored.
    void Filter(const OLRegExp& matcher);
    // The same for an upper-cased wildcard pattern, brought to the names'
    // form first. A pattern that only adds
    // to the end of the one shown now (the user typed on) can match only
    // names shown now, so just those are tried; a pattern of stars shows
    // every entry without trying any.
    void Filter(const QByteArray& typed);

    // The form names are matched in: non-ASCII text composed (NFC), so that
    // canonically equivalent names and patterns meet; ASCII as it is.
    static QByteArray MatchForm(const QByteArray& text);

    // Called before every allocation of the prepared names; a test throws
    // std::bad_alloc from it to stand for memory running out as a list is
    // set. None in use. Returns the hook it replaces.
    using NamesHook = void (*)();
    static NamesHook SetNamesHook(NamesHook hook);

    // Name and side sort case-blind by the upper-cased name; ties keep list
    // order. Descending is the ascending order reversed.
    void SortByName(bool bDescending);
    void SortBySide(bool bDescending);
    // By a text of each shown entry (given its list index), compared
    // case-blind; for columns the index does not prepare.
    void SortByText(const std::function<QString(quint32 nEntry)>& textOf, bool bDescending);

    using RowVector = std::vector<quint32, CUninitAllocator<quint32>>;
    std::size_t RowCount() const { return m_rows.size(); }
    // row -> index into the list; rows count from 0.
    const RowVector& Rows() const { return m_rows; }
    std::size_t EntryCount() const { return m_sides.size(); }
    // The entry shown in a row, or null.
    const CFootprintEntry* EntryAt(std::size_t nRow) const;
    Side SideAt(std::size_t nRow) const { return Side(m_sides[m_rows[nRow]]); }
    // A row without an entry keeps SideNone: false there.
    bool SetSideAt(std::size_t nRow, Side side);

private:
    // SetEntries in steps: the core reads an entry only through its inline
    // name, so it needs nothing else of the footprint library.
    void BeginNames(std::size_t nEntries, std::size_t nAverageLen);
    // bEntry false: a row without an entry.
    void AddName(std::string_view name, bool bEntry);
    void EndNames();
    std::string_view UpperName(quint32 nEntry) const
    {
        return {m_pNames.get() + m_offsets[nEntry], m_offsets[nEntry + 1] - m_offsets[nEntry] - 1};
    }
    // m_rows becomes the entries, out of those listed in m_rows when
    // bNarrow and out of all otherwise, that the matcher accepts. With
    // bReadShape the literal shapes ("AB*", "*AB*", "*AB", "AB") are read
    // straight from the prepared names; every other pattern goes to the
    // matcher.
    void SelectRows(const OLRegExp& matcher, bool bNarrow, bool bReadShape);
    // The steps of SelectRows: keeping the accepted rows of m_rows, or
    // choosing among all entries by the matcher, by a literal's head ("AB*",
    // "AB") or by its tail ("*AB").
    struct LiteralShape;
    bool MatcherAccepts(const OLRegExp& matcher, quint32 nEntry) const;
    void NarrowRows(const OLRegExp& matcher, const LiteralShape& shape);
    void SelectByMatcher(const OLRegExp& matcher);
    void SelectByHead(const LiteralShape& shape);
    void SelectBySuffix(const LiteralShape& shape);
    // m_rows becomes what select(nFirst, nLast, pOut) picks: it writes the
    // chosen entries of [nFirst, nLast) at pOut in list order and returns
    // their count. Over a large list two threads take half the entries each.
    template <class Select> void SelectInParts(const Select& select);
    void ShowAll();
    void FinishSort(bool bDescending);

    const QList<CFootprintEntry*>* m_pList = nullptr;
    // Upper-cased UTF-8 names, each followed by a zero byte; entry i spans
    // [m_offsets[i], m_offsets[i + 1] - 1).
    NameBuffer m_pNames;
    std::size_t m_nCapacity = 0;
    std::size_t m_nUsed = 0;
    std::vector<std::size_t> m_offsets;
    // The first eight bytes of each upper-cased name, big-endian, zero
    // padded: prefix tests and the first sort pass read only these.
    std::vector<quint64> m_heads;
    RowVector m_rows;            // row -> index into the list
    std::vector<quint8> m_sides; // list index -> Side
    std::size_t m_nNullEntries = 0;
    // The pattern whose matches m_rows holds, in list order (possibly with
    // null entries besides); empty when the rows were put otherwise.
    QByteArray m_shownPattern;
};

inline void CFootprintIndex::SetEntries(const QList<CFootprintEntry*>* pList)
{
    m_pList = pList;
    const qsizetype n = pList ? pList->size() : 0;
    // The first names tell the typical length.
    std::size_t nSampled = 0;
    const qsizetype nSample = std::min<qsizetype>(n, 1024);
    for (qsizetype i = 0; i < nSample; ++i)
        if (const CFootprintEntry* pEntry = pList->at(i))
            nSampled += pEntry->Utf8Name().size();
    BeginNames(std::size_t(n), nSample ? nSampled / std::size_t(nSample) + 1 : 0);
    // The entries and their names lie in blocks, mostly in list order; ask
    // for both a few rows ahead, so the waits for what is not cached overlap.
    constexpr qsizetype kEntryAhead = 16;
    constexpr qsizetype kTextAhead = 8;
    for (qsizetype i = 0; i < n; ++i)
    {
        if (i + kEntryAhead < n)
            __builtin_prefetch(pList->at(i + kEntryAhead));
        if (i + kTextAhead < n)
            if (const CFootprintEntry* pAhead = pList->at(i + kTextAhead))
                __builtin_prefetch(pAhead->Utf8Name().data());
        const CFootprintEntry* pEntry = pList->at(i);
        AddName(pEntry ? pEntry->Utf8Name() : std::string_view(), pEntry != nullptr);
    }
    EndNames();
}
} // namespace physprops::core
