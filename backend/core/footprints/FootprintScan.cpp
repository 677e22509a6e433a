// SPDX-License-Identifier: MIT
// The index's search for names that contain a text: many names a step, with
// SSE2 or, where the processor has it, AVX2.
#include "footprints/FootprintScan.h"

#include "footprints/FootprintIndex.h"

#include <algorithm>

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define PHYSPROPS_HAVE_AVX2_PATH 1
#endif

namespace physprops::core::scan
{
namespace
{
// Bit k set where byte k of the kStep bytes at p equals the text's first byte and
// byte k + nLast its last: the places worth a full compare.
#if defined(__SSE2__)
struct CCandidates
{
    static constexpr std::size_t kStep = 32;
    CCandidates(char cFirst, char cLast) : first(_mm_set1_epi8(cFirst)), last(_mm_set1_epi8(cLast))
    {
    }
    quint32 At(const char* p, std::size_t nLast) const
    {
        return Half(p, nLast) | (Half(p + 16, nLast) << 16);
    }
    quint32 Half(const char* p, std::size_t nLast) const
    {
        const __m128i head = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i tail = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + nLast));
        return quint32(_mm_movemask_epi8(
            _mm_and_si128(_mm_cmpeq_epi8(head, first), _mm_cmpeq_epi8(tail, last))));
    }
    __m128i first, last;
};
#else
struct CCandidates
{
    static constexpr std::size_t kStep = 32;
    CCandidates(char cFirst, char cLast) : first(cFirst), last(cLast) {}
    quint32 At(const char* p, std::size_t nLast) const
    {
        quint32 nMask = 0;
        for (std::size_t k = 0; k < kStep; ++k)
            nMask |= quint32(p[k] == first && p[k + nLast] == last) << k;
        return nMask;
    }
    char first, last;
};
#endif

#if defined(PHYSPROPS_HAVE_AVX2_PATH)
// The same test on one 32-byte register: half the instructions a step.
struct CCandidatesAvx2
{
    static constexpr std::size_t kStep = 32;
    __attribute__((target("avx2"))) CCandidatesAvx2(char cFirst, char cLast)
        : first(_mm256_set1_epi8(cFirst)), last(_mm256_set1_epi8(cLast))
    {
    }
    __attribute__((target("avx2"))) quint32 At(const char* p, std::size_t nLast) const
    {
        const __m256i head = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
        const __m256i tail = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + nLast));
        return quint32(_mm256_movemask_epi8(
            _mm256_and_si256(_mm256_cmpeq_epi8(head, first), _mm256_cmpeq_epi8(tail, last))));
    }
    __m256i first, last;
};
#endif

// Searches the names of entries [nFirst, nLast) at once, kStep bytes a step:
// a place where both the first and the last byte of the text fit is
// compared in full. After a hit the search goes on with the next name. A hit
// never spans two names, for the text has no zero byte. Writes the entries
// hit, in list order, at pOut; returns their count.
template <class Candidates>
std::size_t ScanContaining(const CNames& names, std::size_t nFirst, std::size_t nLast,
                           std::string_view text, quint32* pOut)
{
    constexpr std::size_t kStep = Candidates::kStep;
    const char* pBase = names.pBase;
    const std::size_t nEnd = names.pOffsets[nLast];
    const std::size_t nLastByte = text.size() - 1;
    const Candidates candidates(text.front(), text.back());
    const std::size_t* itOffset = names.pOffsets + nFirst;
    const std::size_t* const itOffsetEnd = names.pOffsets + nLast + 1;
    std::size_t nOut = 0;
    // Takes the hit at nAt: its name is shown, and the search resumes after it.
    const auto take = [&](std::size_t nAt)
    {
        itOffset = std::upper_bound(itOffset, itOffsetEnd, nAt) - 1;
        const auto nEntry = quint32(itOffset - names.pOffsets);
        if (names.pSides[nEntry] != CFootprintIndex::SideNone)
            pOut[nOut++] = nEntry;
        ++itOffset;
        return *itOffset;
    };
    const auto fitsAt = [&](std::size_t nAt)
    { return std::memcmp(pBase + nAt, text.data(), text.size()) == 0; };
    std::size_t nPos = names.pOffsets[nFirst];
    while (nPos + nLastByte + kStep <= nEnd)
    {
        quint32 nMask = candidates.At(pBase + nPos, nLastByte);
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
    for (; nPos + text.size() <= nEnd; ++nPos)
        if (fitsAt(nPos))
            nPos = take(nPos) - 1;
    return nOut;
}

#if defined(PHYSPROPS_HAVE_AVX2_PATH)
__attribute__((target("avx2"), flatten)) std::size_t
ScanContainingAvx2(const CNames& names, std::size_t nFirst, std::size_t nLast,
                   std::string_view text, quint32* pOut)
{
    return ScanContaining<CCandidatesAvx2>(names, nFirst, nLast, text, pOut);
}

bool HasAvx2()
{
    static const bool s_bAvx2 = __builtin_cpu_supports("avx2");
    return s_bAvx2;
}
#endif

} // namespace

std::size_t SelectContaining(const CNames& names, std::string_view text, std::size_t nFirst,
                             std::size_t nLast, quint32* pOut)
{
#if defined(PHYSPROPS_HAVE_AVX2_PATH)
    if (HasAvx2())
        return ScanContainingAvx2(names, nFirst, nLast, text, pOut);
#endif
    return ScanContaining<CCandidates>(names, nFirst, nLast, text, pOut);
}
} // namespace physprops::core::scan
