#include "footprints/FootprintIndex.h"

#include "pellium/OLRegExp.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace
{
// Appends the upper-cased UTF-8 form of a name and a zero byte at nUsed,
// growing the buffer when needed; returns the new used size. Plain ASCII
// names, the usual case, are converted in one pass without temporary strings.
std::size_t AppendUpperUtf8(const QString& strName, std::unique_ptr<char[]>& pBuffer,
                            std::size_t& nCapacity, std::size_t nUsed)
{
    const auto Reserve = [&](std::size_t nNeeded) {
        if (nNeeded <= nCapacity)
            return;
        const std::size_t nNew = std::max(nNeeded, nCapacity + nCapacity / 2);
        std::unique_ptr<char[]> pNew(new char[nNew]);
        std::copy_n(pBuffer.get(), nUsed, pNew.get());
        pBuffer = std::move(pNew);
        nCapacity = nNew;
    };
    const char16_t* pIn = reinterpret_cast<const char16_t*>(strName.utf16());
    const std::size_t n = std::size_t(strName.size());
    Reserve(nUsed + n + 1);
    char* pOut = pBuffer.get() + nUsed;
    char16_t nSeen = 0;
    for (std::size_t i = 0; i < n; ++i)
    {
        const char16_t c = pIn[i];
        nSeen |= c;
        pOut[i] = char(unsigned(c - u'a') < 26u ? c - (u'a' - u'A') : c);
    }
    if (nSeen >= 0x80)
    {
        const QByteArray upper = strName.toUpper().toUtf8();
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
    ForEachRun(pFirst, pLast, [&](CSortKey* pRun, CSortKey* pRunEnd) {
        // A name that ends in this chunk is a prefix of the longer ones: first.
        CSortKey* pLonger = std::partition(pRun, pRunEnd, [&](const CSortKey& k) {
            return nameOf(k.nEntry).size() <= nDepth + 8;
        });
        std::sort(pRun, pLonger, [&](const CSortKey& a, const CSortKey& b) {
            const std::size_t nA = nameOf(a.nEntry).size(), nB = nameOf(b.nEntry).size();
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

void CFootprintIndex::BeginNames(std::size_t nEntries, std::size_t nAverageLen)
{
    m_offsets.clear();
    m_heads.clear();
    m_sides.clear();
    m_offsets.reserve(nEntries + 1);
    m_heads.reserve(nEntries);
    m_sides.reserve(nEntries);
    // One allocation for the names in the usual case. The buffer is left
    // uninitialised, so each page is touched once, by the names written into it.
    m_nCapacity = nEntries * (nAverageLen + nAverageLen / 4 + 1) + 1;
    m_pNames.reset(new char[m_nCapacity]);
    m_nUsed = 0;
}

void CFootprintIndex::AddName(const QString* pName)
{
    const std::size_t nStart = m_nUsed;
    m_offsets.push_back(nStart);
    m_nUsed = AppendUpperUtf8(pName ? *pName : QString(), m_pNames, m_nCapacity, m_nUsed);
    m_heads.push_back(NameChunk({m_pNames.get() + nStart, m_nUsed - 1 - nStart}, 0));
    m_sides.push_back(pName ? SideBoth : SideNone);
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

void CFootprintIndex::Filter(const QByteArray& pattern)
{
    const OLRegExp matcher(pattern.constData());
    // "AB*" holds every match of "ABC*": a name that matches the longer
    // pattern matches the shorter one with its last star standing for the
    // rest.
    // Once most entries are shown, a pass over all of them is the faster way.
    const bool bNarrow = m_shownPattern.endsWith('*') && pattern.startsWith(m_shownPattern.chopped(1)) &&
                         m_rows.size() < m_sides.size() / 4;
    if (!pattern.isEmpty() && pattern.count('*') == pattern.size())
        ShowAll();
    else
        SelectRows(matcher, bNarrow, true);
    m_shownPattern = pattern;
}

void CFootprintIndex::ShowAll()
{
    // Without branches: every entry is written, the row count moves on
    // only past a real one. Both loops run straight through memory.
    const std::size_t n = m_sides.size();
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

void CFootprintIndex::SelectRows(const OLRegExp& matcher, bool bNarrow, bool bReadShape)
{
    using Kind = OLRegExp::Kind;
    const Kind kind = matcher.GetKind();
    // The matcher reads a pattern up to its first zero byte, so its literal
    // has none; an empty literal (the empty pattern) stays with the matcher.
    const std::string_view text = !bReadShape || kind == Kind::General || kind == Kind::All
                                      ? std::string_view()
                                      : matcher.GetLiteral();
    const bool bLiteral = !text.empty();
    const bool bAnyBefore = kind == Kind::Suffix || kind == Kind::Contains;
    const bool bAnyAfter = kind == Kind::Prefix || kind == Kind::Contains;
    const auto matcherAccepts = [&](quint32 nEntry) {
        const std::string_view name = UpperName(nEntry);
        return matcher.match(name.data(), name.size()) > 0;
    };
    // Names are zero padded in the heads and a literal has no zero byte, so
    // equal heads also say the name is long enough for them.
    const std::size_t nHead = std::min<std::size_t>(text.size(), 8);
    const quint64 nHeadMask = nHead ? ~quint64(0) << (64 - 8 * nHead) : 0;
    const quint64 nWantedHead = NameChunk(text, 0) & nHeadMask;
    const auto literalAccepts = [&](quint32 nEntry) {
        if (!bAnyBefore)
        {
            if ((m_heads[nEntry] & nHeadMask) != nWantedHead)
                return false;
            const std::string_view name = UpperName(nEntry);
            if (bAnyAfter ? name.size() < text.size() : name.size() != text.size())
                return false;
            return text.size() <= 8 || std::memcmp(name.data() + 8, text.data() + 8, text.size() - 8) == 0;
        }
        const std::string_view name = UpperName(nEntry);
        return bAnyAfter ? name.find(text) != std::string_view::npos : name.ends_with(text);
    };
    const auto accepts = [&](quint32 nEntry) {
        if (m_sides[nEntry] == SideNone)
            return false;
        return bLiteral ? literalAccepts(nEntry) : matcherAccepts(nEntry);
    };

    if (bNarrow)
    {
        // In place: the kept rows keep their order.
        std::size_t nKept = 0;
        for (const quint32 nEntry : m_rows)
            if (accepts(nEntry))
                m_rows[nKept++] = nEntry;
        m_rows.resize(nKept);
    }
    else if (bLiteral && bAnyBefore && bAnyAfter)
    {
        SelectContaining(text);
    }
    else
    {
        m_rows.clear();
        const std::size_t n = m_sides.size();
        for (std::size_t i = 0; i < n; ++i)
            if (accepts(quint32(i)))
                m_rows.push_back(quint32(i));
    }
    for (const quint32 nEntry : m_rows)
        m_sides[nEntry] = SideBoth;
}

namespace
{
// Bit k set where byte k of the 32 at p equals the text's first byte and
// byte k + nLast its last: the places worth a full compare.
#if defined(__SSE2__)
struct CCandidates
{
    CCandidates(char cFirst, char cLast) : first(_mm_set1_epi8(cFirst)), last(_mm_set1_epi8(cLast)) {}
    quint32 At(const char* p, std::size_t nLast) const
    {
        return Half(p, nLast) | (Half(p + 16, nLast) << 16);
    }
    quint32 Half(const char* p, std::size_t nLast) const
    {
        const __m128i head = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i tail = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + nLast));
        return quint32(_mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(head, first), _mm_cmpeq_epi8(tail, last))));
    }
    __m128i first, last;
};
#else
struct CCandidates
{
    CCandidates(char cFirst, char cLast) : first(cFirst), last(cLast) {}
    quint32 At(const char* p, std::size_t nLast) const
    {
        quint32 nMask = 0;
        for (int k = 0; k < 32; ++k)
            nMask |= quint32(p[k] == first && p[k + nLast] == last) << k;
        return nMask;
    }
    char first, last;
};
#endif
} // namespace

// Searches all names at once, thirty-two bytes a step: a place where both
// the first and the last byte of the text fit is compared in full. After a
// hit the search goes on with the next name. A hit never spans two names,
// for the text has no zero byte.
void CFootprintIndex::SelectContaining(std::string_view text)
{
    constexpr std::size_t kStep = 32;
    m_rows.clear();
    const char* pBase = m_pNames.get();
    const std::size_t nSize = m_offsets.empty() ? 0 : m_offsets.back();
    const std::size_t nLast = text.size() - 1;
    const CCandidates candidates(text.front(), text.back());
    auto itOffset = m_offsets.begin();
    // Takes the hit at nAt: its name is shown, and the search resumes after it.
    const auto take = [&](std::size_t nAt) {
        itOffset = std::upper_bound(itOffset, m_offsets.end(), nAt) - 1;
        const auto nEntry = quint32(itOffset - m_offsets.begin());
        if (m_sides[nEntry] != SideNone)
            m_rows.push_back(nEntry);
        ++itOffset;
        return *itOffset;
    };
    const auto fitsAt = [&](std::size_t nAt) {
        return std::memcmp(pBase + nAt, text.data(), text.size()) == 0;
    };
    std::size_t nPos = 0;
    while (nPos + nLast + kStep <= nSize)
    {
        quint32 nMask = candidates.At(pBase + nPos, nLast);
        std::size_t nNext = nPos + kStep;
        for (; nMask != 0; nMask &= nMask - 1)
        {
            const std::size_t nAt = nPos + std::size_t(__builtin_ctz(nMask));
            if (fitsAt(nAt))
            {
                nNext = take(nAt);
                break;
            }
        }
        nPos = nNext;
    }
    for (; nPos + text.size() <= nSize; ++nPos)
        if (fitsAt(nPos))
            nPos = take(nPos) - 1;
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
    ForEachRun(keys.data(), keys.data() + keys.size(), [&](CSortKey* pFirst, CSortKey* pLast) {
        for (CSortKey* p = pFirst; p != pLast; ++p)
            p->nKey = m_heads[p->nEntry];
        SortKeysByName(pFirst, pLast, 0, [this](quint32 nEntry) { return UpperName(nEntry); });
    });
    for (std::size_t r = 0; r < keys.size(); ++r)
        m_rows[r] = keys[r].nEntry;
    FinishSort(bDescending);
}

void CFootprintIndex::SortByText(const std::function<QString(quint32 nEntry)>& textOf, bool bDescending)
{
    std::vector<QString> texts(m_sides.size());
    for (const quint32 nEntry : m_rows)
        texts[nEntry] = textOf(nEntry);
    std::sort(m_rows.begin(), m_rows.end(), [&](quint32 a, quint32 b) {
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
