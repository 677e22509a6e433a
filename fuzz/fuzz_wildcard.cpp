// SPDX-License-Identifier: MIT
// The wildcard matcher against the rules written down plainly. Input: the
// pattern, a zero byte, then the name (which may hold zero bytes itself).
#include "FuzzSupport.h"
#include "pellium/OLRegExp.h"

#include <QByteArray>
#include <QString>

#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize)
{
    const std::string_view input(reinterpret_cast<const char*>(pData), nSize);
    const std::size_t nSplit = input.find('\0');
    const std::string pattern(input.substr(0, nSplit));
    // Without a zero byte the name is empty (but not null: that is a different call).
    const std::string_view name =
        input.substr(nSplit == std::string_view::npos ? input.size() : nSplit + 1);

    const OLRegExp matcher(pattern.c_str());
    const int nMatch = matcher.match(name.data(), name.size());
    FUZZ_CHECK(nMatch == 0 || nMatch == 1);
    // A pattern always comes from typed text, so it is UTF-8; for one that is
    // not, "one character" has no single meaning and only safety is checked.
    // The reference table is (name x pattern) in size; keep it small.
    const QByteArray patternBytes = QByteArray::fromStdString(pattern);
    const bool bUtf8 = QString::fromUtf8(patternBytes).toUtf8() == patternBytes;
    if (bUtf8 && name.size() * pattern.size() <= 1u << 20)
        FUZZ_CHECK((nMatch == 1) == fuzz::WildcardMatches(pattern, name));

    // The C-string form stops at the first zero byte of the name.
    const std::string strName(name);
    FUZZ_CHECK(matcher.match(strName.c_str()) ==
               matcher.match(strName.c_str(), std::strlen(strName.c_str())));
    FUZZ_CHECK(matcher.match(nullptr) == 0);
    FUZZ_CHECK(matcher.match(nullptr, name.size()) == 0);
    return 0;
}
