#pragma once

#include <cstddef>
#include <string>

// Whole-name wildcard matcher: '*' matches any run of characters (also
// none), '?' exactly one, every other character itself. Case-sensitive;
// callers upper-case both sides for a case-blind match.
class OLRegExp
{
public:
    explicit OLRegExp(const char* pszPattern);

    // Greater than 0 when the whole name matches.
    int match(const char* pszName) const;
    int match(const char* pszName, std::size_t nLen) const;

private:
    std::string m_strPattern;
};
