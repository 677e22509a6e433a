// SPDX-License-Identifier: MIT
#include "footprints/FootprintIndex.h"

#include "footprints/FootprintScan.h"

#include "pellium/OLRegExp.h"

#include <QtEndian>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <system_error>
#include <thread>

#include <sys/mman.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace physprops::core
{
void CNameBufferFree::operator()(char* p) const noexcept
{
    if (nMapped)
        munmap(p, nMapped);
    else
        delete[] p;
}

namespace
{
std::atomic<CFootprintIndex::NamesHook> g_namesHook{nullptr};

NameBuffer AllocateNames(std::size_t nBytes)
{
    if (const CFootprintIndex::NamesHook hook = g_namesHook.load())
        hook();
    constexpr std::size_t kHugePage = std::size_t(2) << 20;
    if (nBytes >= kHugePage)
    {
        const std::size_t nMapped = (nBytes + kHugePage - 1) / kHugePage * kHugePage;
        void* p =
            mmap(nullptr, nMapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (p != MAP_FAILED)
        {
            madvise(p, nMapped, MADV_HUGEPAGE);
            return NameBuffer(static_cast<char*>(p), CNameBufferFree{nMapped});
        }
    }
    return NameBuffer(new char[nBytes]);
}

// Appends the upper-cased form of a UTF-8 name and a zero byte at nUsed,
// growing the buffer when needed; returns the new used size. Plain ASCII
// names, the usual case, are converted in one pass without temporary strings.
std::size_t AppendUpperUtf8(std::string_view name, NameBuffer& pBuffer, std::size_t& nCapacity,
                            std::size_t nUsed)
{
    const auto Reserve = [&](std::size_t nNeeded)
    {
        if (nNeeded <= nCapacity)
            return;
        const std::size_t nNew = std::max(nNeeded, nCapacity + nCapacity / 2);
        NameBuffer pNew = AllocateNames(nNew);
        std::copy_n(pBuffer.get(), nUsed, pNew.get());
        pBuffer = std::move(pNew);
        nCapacity = nNew;
    };
    const std::size_t n = name.size();
    Reserve(nUsed + n + 1);
    const char* pIn = name.data();
    char* pOut = pBuffer.get() + nUsed;
    std::size_t i = 0;
    unsigned nSeen = 0;
#if defined(__SSE2__)
    // Sixteen bytes a step: 'a' to 'z' lose 0x20; any byte with its high
    // bit set sends the name the long way below.
    __m128i seen = _mm_setzero_si128();
    for (; i + 16 <= n; i += 16)
    {
        const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pIn + i));
        seen = _mm_or_si128(seen, c);
        const __m128i shifted = _mm_add_epi8(c, _mm_set1_epi8(char(0x80 - 'a')));
        const __m128i lower = _mm_cmplt_epi8(shifted, _mm_set1_epi8(char(0x80 + 26)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(pOut + i),
                         _mm_sub_epi8(c, _mm_and_si128(lower, _mm_set1_epi8(0x20))));
    }
    nSeen = unsigned(_mm_movemask_epi8(seen)) ? 0x80u : 0u;
#endif
    for (; i < n; ++i)
    {
        const auto c = static_cast<unsigned char>(pIn[i]);
        nSeen |= c;
        pOut[i] = char(unsigned(c - 'a') < 26u ? c - ('a' - 'A') : c);
    }
    if (nSeen >= 0x80)
    {
        // One form for canonically equivalent text (a name copied from a
        // system that stores it decomposed looks the same as the composed
        // one); the filter's text is brought to it too (MatchForm).
        const QByteArray upper = QString::fromUtf8(pIn, qsizetype(n))
                                     .toUpper()
                                     .normalized(QString::NormalizationForm_C)
                                     .toUtf8();
        Reserve(nUsed + std::size_t(upper.size()) + 1);
        std::copy(upper.cbegin(), upper.cend(), pBuffer.get() + nUsed);
        nUsed += std::size_t(upper.size());
    }
    else
    {
        nUsed += n;
    }
    pBuffer[nUsed] = '\0';
    return nUsed + 1;
}

struct CSortKey
{
    quint64 nKey;
    quint32 nEntry;
};

struct CKeyLess
{
    bool operator()(const CSortKey& a, const CSortKey& b) const
    {
        return a.nKey != b.nKey ? a.nKey < b.nKey : a.nEntry < b.nEntry;
    }
};

// Eight bytes of a name from nDepth on, big-endian and padded with zeros, so
// comparing chunks orders like comparing the bytes.
quint64 NameChunk(std::string_view name, std::size_t nDepth)
{
    if (nDepth + 8 <= name.size())
    {
        quint64 nBytes;
        std::memcpy(&nBytes, name.data() + nDepth, 8);
        return qFromBigEndian(nBytes);
    }
    quint64 nKey = 0;
    for (std::size_t i = nDepth; i < nDepth + 8; ++i)
        nKey = (nKey << 8) | (i < name.size() ? quint64(static_cast<unsigned char>(name[i])) : 0);
    return nKey;
}

// Calls fn(first, last) for every run of two or more keys with equal nKey.
template <class Fn> void ForEachRun(CSortKey* pFirst, CSortKey* pLast, const Fn& fn)
{
    while (pFirst != pLast)
    {
        CSortKey* pEnd = pFirst + 1;
        while (pEnd != pLast && pEnd->nKey == pFirst->nKey)
            ++pEnd;
        if (pEnd - pFirst > 1)
            fn(pFirst, pEnd);
        pFirst = pEnd;
    }
}

// Orders keys by name, eight bytes at a time: every pass sorts plain
// integers, and only keys that agree so far read further into their names.
// The keys hold the chunks at nDepth on entry. Equal names keep list order.
template <class NameOf>
void SortKeysByName(CSortKey* pFirst, CSortKey* pLast, std::size_t nDepth, const NameOf& nameOf)
{
    std::sort(pFirst, pLast, CKeyLess{});
    ForEachRun(pFirst, pLast,
               [&](CSortKey* pRun, CSortKey* pRunEnd)
               {
                   // A name that ends in this chunk is a prefix of the longer ones: first.
                   CSortKey* pLonger = std::partition(
                       pRun, pRunEnd,
                       [&](const CSortKey& k) { return nameOf(k.nEntry).size() <= nDepth + 8; });
                   std::sort(pRun, pLonger,
                             [&](const CSortKey& a, const CSortKey& b)
                             {
                                 const std::size_t nA = nameOf(a.nEntry).size(),
                                                   nB = nameOf(b.nEntry).size();
                                 return nA != nB ? nA < nB : a.nEntry < b.nEntry;
                             });
                   if (pRunEnd - pLonger < 2)
                       return;
                   for (CSortKey* p = pLonger; p != pRunEnd; ++p)
                       p->nKey = NameChunk(nameOf(p->nEntry), nDepth + 8);
                   SortKeysByName(pLonger, pRunEnd, nDepth + 8, nameOf);
               });
}
} // namespace

CFootprintIndex::NamesHook CFootprintIndex::SetNamesHook(NamesHook hook)
{
    return g_namesHook.exchange(hook);
}

void CFootprintIndex::BeginNames(std::size_t nEntries, std::size_t nAverageLen)
{
    // Should memory run out below, the index is left showing no rows.
    m_rows.clear();
    m_offsets.clear();
    m_heads.clear();
    m_sides.clear();
    m_offsets.reserve(nEntries + 1);
    m_heads.reserve(nEntries);
    m_sides.reserve(nEntries);
    m_nNullEntries = 0;
    // One allocation for the names in the usual case. The buffer is left
    // uninitialised, so each page is touched once, by the names written into it.
    const std::size_t nCapacity = nEntries * (nAverageLen + nAverageLen / 4 + 1) + 1;
    m_pNames = AllocateNames(nCapacity);
    m_nCapacity = nCapacity;
    m_nUsed = 0;
}

void CFootprintIndex::AddName(std::string_view name, bool bEntry)
{
    const std::size_t nStart = m_nUsed;
    m_offsets.push_back(nStart);
    m_nUsed = AppendUpperUtf8(name, m_pNames, m_nCapacity, m_nUsed);
    m_heads.push_back(NameChunk({m_pNames.get() + nStart, m_nUsed - 1 - nStart}, 0));
    m_sides.push_back(bEntry ? SideBoth : SideNone);
    m_nNullEntries += !bEntry;
}

void CFootprintIndex::EndNames()
{
    m_offsets.push_back(m_nUsed);
    const std::size_t n = m_sides.size();
    m_rows.clear();
    // The filter refills this vector on every keystroke; it never grows past n.
    m_rows.reserve(n);
    for (std::size_t i = 0; i < n; ++i)
        m_rows.push_back(quint32(i));
    m_shownPattern = QByteArrayLiteral("*");
}

void CFootprintIndex::Filter(const OLRegExp& matcher)
{
    SelectRows(matcher, false, false);
    m_shownPattern.clear();
}

QByteArray CFootprintIndex::MatchForm(const QByteArray& text)
{
    if (std::all_of(text.cbegin(), text.cend(), [](char c) { return uchar(c) < 0x80; }))
        return text;
    return QString::fromUtf8(text).normalized(QString::NormalizationForm_C).toUtf8();
}

void CFootprintIndex::Filter(const QByteArray& typed)
{
    const QByteArray pattern = MatchForm(typed);
    const OLRegExp matcher(pattern.constData());
    // "AB*" holds every match of "ABC*": a name that matches the longer
    // pattern matches the shorter one with its last star standing for the
    // rest.
    // Once most entries are shown, a pass over all of them is the faster way.
    const bool bNarrow = m_shownPattern.endsWith('*') &&
                         pattern.startsWith(m_shownPattern.chopped(1)) &&
                         m_rows.size() < m_sides.size() / 4;
    if (!pattern.isEmpty() && pattern.count('*') == pattern.size())
        ShowAll();
    else
        SelectRows(matcher, bNarrow, true);
    m_shownPattern = pattern;
}

void CFootprintIndex::ShowAll()
{
    const std::size_t n = m_sides.size();
    if (m_nNullEntries == 0)
    {
        // The usual list, without null entries: plain fills.
        m_rows.resize(n);
        quint32* pRows = m_rows.data();
        for (std::size_t i = 0; i < n; ++i)
            pRows[i] = quint32(i);
        std::fill(m_sides.begin(), m_sides.end(), quint8(SideBoth));
        return;
    }
    // Without branches: every entry is written, the row count moves on
    // only past a real one. Both loops run straight through memory.
    m_rows.resize(n);
    quint32* pRows = m_rows.data();
    std::size_t nRows = 0;
    for (std::size_t i = 0; i < n; ++i)
    {
        pRows[nRows] = quint32(i);
        nRows += m_sides[i] != SideNone;
    }
    m_rows.resize(nRows);
    quint8* pSides = m_sides.data();
    for (std::size_t i = 0; i < n; ++i)
        pSides[i] = pSides[i] != SideNone ? quint8(SideBoth) : quint8(SideNone);
}

// A literal pattern ("AB*", "*AB*", "*AB", "AB") tested straight on the
// prepared names; any other pattern leaves the text empty.
struct CFootprintIndex::LiteralShape
{
    LiteralShape(const CFootprintIndex& owner, const OLRegExp& matcher, bool bReadShape)
        : index(owner)
    {
        using Kind = OLRegExp::Kind;
        const Kind kind = matcher.GetKind();
        // The matcher reads a pattern up to its first zero byte, so its
        // literal has none; an empty literal (the empty pattern) stays with
        // the matcher.
        if (bReadShape && kind != Kind::General && kind != Kind::All)
            text = matcher.GetLiteral();
        bAnyBefore = kind == Kind::Suffix || kind == Kind::Contains;
        bAnyAfter = kind == Kind::Prefix || kind == Kind::Contains;
        // Names are zero padded in the heads and a literal has no zero byte,
        // so equal heads also say the name is long enough for them.
        const std::size_t nHead = std::min<std::size_t>(text.size(), 8);
        nHeadMask = nHead ? ~quint64(0) << (64 - 8 * nHead) : 0;
        nWantedHead = NameChunk(text, 0) & nHeadMask;
    }

    bool IsLiteral() const { return !text.empty(); }

    bool Accepts(quint32 nEntry) const
    {
        if (!bAnyBefore)
        {
            if ((index.m_heads[nEntry] & nHeadMask) != nWantedHead)
                return false;
            const std::string_view name = index.UpperName(nEntry);
            if (bAnyAfter ? name.size() < text.size() : name.size() != text.size())
                return false;
            return text.size() <= 8 ||
                   std::memcmp(name.data() + 8, text.data() + 8, text.size() - 8) == 0;
        }
        const std::string_view name = index.UpperName(nEntry);
        return bAnyAfter ? name.find(text) != std::string_view::npos : name.ends_with(text);
    }

    const CFootprintIndex& index;
    std::string_view text;
    bool bAnyBefore = false;
    bool bAnyAfter = false;
    quint64 nHeadMask = 0;
    quint64 nWantedHead = 0;
};

bool CFootprintIndex::MatcherAccepts(const OLRegExp& matcher, quint32 nEntry) const
{
    const std::string_view name = UpperName(nEntry);
    return matcher.match(name.data(), name.size()) > 0;
}

void CFootprintIndex::SelectRows(const OLRegExp& matcher, bool bNarrow, bool bReadShape)
{
    const LiteralShape shape(*this, matcher, bReadShape);
    if (bNarrow)
        NarrowRows(matcher, shape);
    else if (!shape.IsLiteral())
        SelectByMatcher(matcher);
    else if (shape.bAnyBefore && shape.bAnyAfter)
        SelectInParts(
            [&](std::size_t nFirst, std::size_t nLast, quint32* pOut)
            {
                const scan::CNames names{m_pNames.get(), m_offsets.data(), m_sides.data()};
                return scan::SelectContaining(names, shape.text, nFirst, nLast, pOut);
            });
    else if (!shape.bAnyBefore)
        SelectByHead(shape);
    else
        SelectBySuffix(shape);
    for (const quint32 nEntry : m_rows)
        m_sides[nEntry] = SideBoth;
}

void CFootprintIndex::NarrowRows(const OLRegExp& matcher, const LiteralShape& shape)
{
    const auto accepts = [&](quint32 nEntry)
    {
        if (m_sides[nEntry] == SideNone)
            return false;
        return shape.IsLiteral() ? shape.Accepts(nEntry) : MatcherAccepts(matcher, nEntry);
    };
    // In place: the kept rows keep their order.
    std::size_t nKept = 0;
    for (const quint32 nEntry : m_rows)
        if (accepts(nEntry))
            m_rows[nKept++] = nEntry;
    m_rows.resize(nKept);
}

void CFootprintIndex::SelectByMatcher(const OLRegExp& matcher)
{
    m_rows.clear();
    const std::size_t n = m_sides.size();
    for (std::size_t i = 0; i < n; ++i)
        if (m_sides[i] != SideNone && MatcherAccepts(matcher, quint32(i)))
            m_rows.push_back(quint32(i));
}

void CFootprintIndex::SelectByHead(const LiteralShape& shape)
{
    SelectInParts(
        [&](std::size_t nFirst, std::size_t nLast, quint32* pOut)
        {
            // Every entry is written and the count moves on only past a
            // fitting head, so nothing waits on a branch. A null entry's head
            // is zero; a literal's first byte is not.
            const quint64* pHeads = m_heads.data();
            const quint64 nHeadMask = shape.nHeadMask;
            const quint64 nWantedHead = shape.nWantedHead;
            std::size_t nOut = 0;
            for (std::size_t i = nFirst; i < nLast; ++i)
            {
                pOut[nOut] = quint32(i);
                nOut += (pHeads[i] & nHeadMask) == nWantedHead;
            }
            if (shape.bAnyAfter && shape.text.size() <= 8)
                return nOut;
            std::size_t nKept = 0;
            for (std::size_t k = 0; k < nOut; ++k)
                if (shape.Accepts(pOut[k]))
                    pOut[nKept++] = pOut[k];
            return nKept;
        });
}

void CFootprintIndex::SelectBySuffix(const LiteralShape& shape)
{
    SelectInParts(
        [&](std::size_t nFirst, std::size_t nLast, quint32* pOut)
        {
            std::size_t nOut = 0;
            for (std::size_t i = nFirst; i < nLast; ++i)
                if (m_sides[i] != SideNone && shape.Accepts(quint32(i)))
                    pOut[nOut++] = quint32(i);
            return nOut;
        });
}

namespace
{
// Below this many entries one thread is quicker: starting a second one
// costs tens of microseconds.
constexpr std::size_t kPartEntries = std::size_t(1) << 17;

bool HasSecondCore()
{
    static const bool s_bTwo = std::thread::hardware_concurrency() > 1;
    return s_bTwo;
}
} // namespace

template <class Select> void CFootprintIndex::SelectInParts(const Select& select)
{
    const std::size_t n = m_sides.size();
    m_rows.resize(n);
    quint32* pRows = m_rows.data();
    std::size_t nRows = 0;
    bool bDone = false;
    if (n >= kPartEntries && HasSecondCore())
    {
        // The second half's rows land at its own place in m_rows and move
        // down behind the first half's, so the order is the list's.
        const std::size_t nMid = n / 2;
        std::size_t nSecond = 0;
        try
        {
            std::thread second([&] { nSecond = select(nMid, n, pRows + nMid); });
            nRows = select(0, nMid, pRows);
            second.join();
            std::memmove(pRows + nRows, pRows + nMid, nSecond * sizeof(quint32));
            nRows += nSecond;
            bDone = true;
        }
        catch (const std::system_error&)
        {
            // No thread to be had: one pass does it all.
        }
    }
    if (!bDone)
        nRows = select(0, n, pRows);
    m_rows.resize(nRows);
}

const CFootprintEntry* CFootprintIndex::EntryAt(std::size_t nRow) const
{
    if (!m_pList || nRow >= m_rows.size())
        return nullptr;
    const quint32 nEntry = m_rows[nRow];
    return nEntry < quint32(m_pList->size()) ? m_pList->at(nEntry) : nullptr;
}

bool CFootprintIndex::SetSideAt(std::size_t nRow, Side side)
{
    if (nRow >= m_rows.size() || side == SideNone)
        return false;
    quint8& nSide = m_sides[m_rows[nRow]];
    if (nSide == SideNone)
        return false;
    nSide = side;
    return true;
}

void CFootprintIndex::SortByName(bool bDescending)
{
    std::vector<CSortKey> keys;
    keys.reserve(m_rows.size());
    for (const quint32 nEntry : m_rows)
        keys.push_back({m_heads[nEntry], nEntry});
    SortKeysByName(keys.data(), keys.data() + keys.size(), 0,
                   [this](quint32 nEntry) { return UpperName(nEntry); });
    for (std::size_t r = 0; r < keys.size(); ++r)
        m_rows[r] = keys[r].nEntry;
    FinishSort(bDescending);
}

void CFootprintIndex::SortBySide(bool bDescending)
{
    // Sides sort by their text: none, Both, Bottom, Top; the enum keeps
    // that order. Names order the rows of one side.
    std::vector<CSortKey> keys;
    keys.reserve(m_rows.size());
    for (const quint32 nEntry : m_rows)
        keys.push_back({m_sides[nEntry], nEntry});
    std::sort(keys.begin(), keys.end(), CKeyLess{});
    ForEachRun(keys.data(), keys.data() + keys.size(),
               [&](CSortKey* pFirst, CSortKey* pLast)
               {
                   for (CSortKey* p = pFirst; p != pLast; ++p)
                       p->nKey = m_heads[p->nEntry];
                   SortKeysByName(pFirst, pLast, 0,
                                  [this](quint32 nEntry) { return UpperName(nEntry); });
               });
    for (std::size_t r = 0; r < keys.size(); ++r)
        m_rows[r] = keys[r].nEntry;
    FinishSort(bDescending);
}

void CFootprintIndex::SortByText(const std::function<QString(quint32 nEntry)>& textOf,
                                 bool bDescending)
{
    std::vector<QString> texts(m_sides.size());
    for (const quint32 nEntry : m_rows)
        texts[nEntry] = textOf(nEntry);
    std::sort(m_rows.begin(), m_rows.end(),
              [&](quint32 a, quint32 b)
              {
                  const int c = texts[a].compare(texts[b], Qt::CaseInsensitive);
                  return c != 0 ? c < 0 : a < b;
              });
    FinishSort(bDescending);
}

void CFootprintIndex::FinishSort(bool bDescending)
{
    m_shownPattern.clear();
    if (bDescending)
        std::reverse(m_rows.begin(), m_rows.end());
}
} // namespace physprops::core
