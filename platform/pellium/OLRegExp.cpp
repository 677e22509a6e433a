// SPDX-License-Identifier: MIT
#include "pellium/OLRegExp.h"
#include "pellium/Utf8.h"

#include <cstring>
#include <string_view>

OLRegExp::OLRegExp(const char* pszPattern) : m_strPattern(pszPattern ? pszPattern : "")
{
    // The filter asks once per footprint per keystroke: the common shapes
    // ("*", "AB*", "AB", "*AB", "*AB*") are answered without the general walk.
    const std::size_t m = m_strPattern.size();
    std::size_t nBegin = 0;
    while (nBegin < m && m_strPattern[nBegin] == '*')
        ++nBegin;
    std::size_t nEnd = m;
    while (nEnd > nBegin && m_strPattern[nEnd - 1] == '*')
        --nEnd;
    m_nLiteralPos = nBegin;
    m_nLiteralLen = nEnd - nBegin;
    const bool bLiteral = m_strPattern.find_first_of("*?", nBegin) >= nEnd;
    const bool bLeading = nBegin > 0;
    const bool bTrailing = nEnd < m;
    if (m > 0 && nBegin == m)
        m_kind = Kind::All;
    else if (!bLiteral)
        m_kind = Kind::General;
    else if (bLeading && bTrailing)
        m_kind = Kind::Contains;
    else if (bLeading)
        m_kind = Kind::Suffix;
    else if (bTrailing)
        m_kind = Kind::Prefix;
    else
        m_kind = Kind::Exact;
}

int OLRegExp::match(const char* pszName) const
{
    return pszName ? match(pszName, std::strlen(pszName)) : 0;
}

int OLRegExp::match(const char* pszName, std::size_t nLen) const
{
    if (!pszName)
        return 0;
    const char* p = m_strPattern.data();
    const std::string_view literal = GetLiteral();
    switch (m_kind)
    {
    case Kind::All:
        return 1;
    case Kind::Exact:
        return nLen == m_nLiteralLen && std::memcmp(pszName, literal.data(), nLen) == 0 ? 1 : 0;
    case Kind::Prefix:
        return nLen >= m_nLiteralLen && std::memcmp(pszName, literal.data(), m_nLiteralLen) == 0
                   ? 1
                   : 0;
    case Kind::Suffix:
        return nLen >= m_nLiteralLen && std::memcmp(pszName + nLen - m_nLiteralLen, literal.data(),
                                                    m_nLiteralLen) == 0
                   ? 1
                   : 0;
    case Kind::Contains:
        return std::string_view(pszName, nLen).find(literal) != std::string_view::npos ? 1 : 0;
    case Kind::General:
        break;
    }

    // Greedy walk that remembers only the latest star: a mismatch lets that
    // star take one more character and retries from there. Earlier stars
    // never need revisiting, so there is no exponential backtracking.
    const std::size_t m = m_strPattern.size();
    std::size_t i = 0;
    std::size_t j = 0;
    std::size_t nStar = std::string::npos;
    std::size_t nMark = 0;
    while (i < nLen)
    {
        if (j < m && p[j] == '*')
        {
            nStar = j++;
            nMark = i;
        }
        else if (j < m && p[j] == '?')
        {
            i += Utf8CharLen(pszName, i, nLen);
            ++j;
        }
        else if (j < m && p[j] == pszName[i])
        {
            ++i;
            ++j;
        }
        else if (nStar != std::string::npos)
        {
            nMark += Utf8CharLen(pszName, nMark, nLen);
            i = nMark;
            j = nStar + 1;
        }
        else
            return 0;
    }
    while (j < m && p[j] == '*')
        ++j;
    return j == m ? 1 : 0;
}
