// SPDX-License-Identifier: MIT
#pragma once

#include "pellium/PelliumExport.h"

#include <cstddef>
#include <string>
#include <string_view>

// Whole-name wildcard matcher: '*' matches any run of characters (also
// none), '?' exactly one character (a whole UTF-8 sequence), every other
// character itself. Case-sensitive; callers upper-case both sides for a
// case-blind match. Any pattern is accepted, and matching takes at most
// pattern length x name length steps, so no pattern can stall the caller.
class PELLIUM_EXPORT OLRegExp
{
public:
    explicit OLRegExp(const char* pszPattern);

    // 1 when the whole name matches, 0 otherwise (also for a null name).
    int match(const char* pszName) const;
    int match(const char* pszName, std::size_t nLen) const;

    // The shape of the pattern. Nearly everything a user types into a filter
    // is one of the literal shapes, which a caller holding many names can
    // answer faster from its own layout.
    enum class Kind
    {
        All,      // only stars
        Exact,    // no wildcard at all
        Prefix,   // literal text followed by stars
        Suffix,   // stars followed by literal text
        Contains, // literal text between stars
        General,
    };
    Kind GetKind() const { return m_kind; }
    // The text between the leading and the trailing stars; holds no star,
    // no '?' and no zero byte unless the kind is General.
    std::string_view GetLiteral() const
    {
        return {m_strPattern.data() + m_nLiteralPos, m_nLiteralLen};
    }

private:
    std::string m_strPattern;
    Kind m_kind = Kind::General;
    // All but General: the literal part, between the leading and the
    // trailing stars.
    std::size_t m_nLiteralPos = 0;
    std::size_t m_nLiteralLen = 0;
};
