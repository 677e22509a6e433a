#include "OLRegExp.h"

#include <cstring>

OLRegExp::OLRegExp(const char* pszPattern) : m_strPattern(pszPattern ? pszPattern : "") {}

int OLRegExp::match(const char* pszName) const
{
    return match(pszName, pszName ? std::strlen(pszName) : 0);
}

int OLRegExp::match(const char*, std::size_t) const
{
    return 0;
}
