// SPDX-License-Identifier: MIT
#include "project/SpiProject.h"

#include "project/Directives.h"
#include "project/Session.h"

#include <QChar>
#include <QHashFunctions>

#include <sys/mman.h>

#include <algorithm>
#include <cstdlib>
#include <new>

namespace
{
// The code point of s at i, folded as QString::toCaseFolded folds it (one
// code point always folds to one); i moves past it. A lone surrogate stands
// for itself.
char32_t NextFolded(QStringView s, qsizetype& i)
{
    const char16_t c = s[i++].unicode();
    if (c < 0x80)
        return c >= u'A' && c <= u'Z' ? char32_t(c + (u'a' - u'A')) : char32_t(c);
    char32_t uc = c;
    if (QChar::isHighSurrogate(c) && i < s.size() && QChar::isLowSurrogate(s[i].unicode()))
        uc = QChar::surrogateToUcs4(c, s[i++].unicode());
    return QChar::toCaseFolded(uc);
}
} // namespace

std::size_t SpiNameHash(QStringView name) noexcept
{
    // FNV-1a over the folded code points, seeded as Qt seeds its own hashes
    // (names come from files), then mixed so that the low bits, which pick the
    // slot, depend on every character.
    quint64 h = 0xcbf29ce484222325ULL ^ quint64(size_t(QHashSeed::globalSeed()));
    for (qsizetype i = 0; i < name.size();)
    {
        h ^= NextFolded(name, i);
        h *= 0x100000001b3ULL;
    }
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdULL;
    h ^= h >> 33;
    h *= 0xc4ceb9fe1a85ec53ULL;
    h ^= h >> 33;
    return std::size_t(h);
}

bool SpiNamesEqual(QStringView a, QStringView b) noexcept
{
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size())
        if (NextFolded(a, i) != NextFolded(b, j))
            return false;
    return i == a.size() && j == b.size();
}

CSpiNameIndex::Slot* CSpiNameIndex::SlotAllocator::allocate(std::size_t n)
{
    constexpr std::size_t kHugePage = 2 << 20;
    std::size_t nBytes = n * sizeof(Slot);
    const bool bHuge = nBytes >= kHugePage;
    if (bHuge)
        nBytes = (nBytes + kHugePage - 1) / kHugePage * kHugePage;
    void* p = bHuge ? std::aligned_alloc(kHugePage, nBytes) : std::malloc(nBytes);
    if (!p)
        throw std::bad_alloc();
#ifdef MADV_HUGEPAGE
    // Only advice: without huge pages the index works as well, only slower.
    if (bHuge)
        ::madvise(p, nBytes, MADV_HUGEPAGE);
#endif
    return static_cast<Slot*>(p);
}

void CSpiNameIndex::SlotAllocator::deallocate(Slot* p, std::size_t) noexcept
{
    std::free(p);
}

void CSpiNameIndex::Reserve(qsizetype nNames)
{
    std::size_t nSize = std::max<std::size_t>(8, m_slots.size());
    while (qsizetype(nSize) < nNames * 2)
        nSize *= 2;
    if (nSize == m_slots.size())
        return;
    std::vector<Slot, SlotAllocator> old(nSize);
    old.swap(m_slots);
    const std::size_t nMask = m_slots.size() - 1;
    for (const Slot& slot : old)
    {
        if (slot.nNode < 0)
            continue;
        std::size_t i = slot.nHash & nMask;
        while (m_slots[i].nNode >= 0)
            i = (i + 1) & nMask;
        m_slots[i] = slot;
    }
}

int CSpiProject::SelectProgram(const QString& strName)
{
    return CProjectDirectives(*this).SelectProgram(strName);
}

int CSpiProject::SelectDirective(const QString& strName)
{
    return CProjectDirectives(*this).SelectDirective(strName);
}

void CSpiProject::RewindValues()
{
    CProjectDirectives(*this).RewindValues();
}

int CSpiProject::NextValue(QString& strValue)
{
    return CProjectDirectives(*this).NextValue(strValue);
}

int CSpiProject::ReadDirective(const QString& strName, QString& strValue)
{
    return CProjectDirectives(*this).ReadDirective(strName, strValue);
}

int CSpiProject::GetSessionName(QString& strSession)
{
    return CProjectSession(*this, physprops::core::CCoreServices::Default())
        .GetSessionName(strSession);
}

int CSpiProject::InitMessageSession(const char* pszAppName, int* pArgc, char*** pArgv)
{
    return CProjectSession(*this, physprops::core::CCoreServices::Default())
        .InitMessageSession(pszAppName, pArgc, pArgv);
}

CSpiProgram* CSpiProject::AddProgram(const QString& strName)
{
    return m_programs.FindOrAppend(strName, [&] { return std::make_unique<CSpiProgram>(strName); });
}

CSpiDirective* CSpiProject::AddValue(CSpiProgram* pProgram, const QString& strDirective,
                                     const QString& strValue)
{
    return AddValue(pProgram, strDirective, SpiNameHash(strDirective), strValue);
}

CSpiDirective* CSpiProject::AddValue(CSpiProgram* pProgram, const QString& strDirective,
                                     std::size_t nHash, QString strValue)
{
    CSpiDirective* pDir = pProgram->m_directives.FindOrAppend(
        strDirective, nHash,
        [&]
        {
            auto p = std::make_unique<CSpiDirective>(strDirective);
            p->m_lists.push_back(std::make_unique<CSpiValueList>());
            return p;
        });
    pDir->m_lists.front()->m_values.append(std::move(strValue));
    return pDir;
}
