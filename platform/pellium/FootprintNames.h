// SPDX-License-Identifier: MIT
#pragma once

// The rules for footprint file names: the two extensions, the case-blind
// form names are matched by, and the UTF-8 check a name must pass to be
// listed. Inline: the folder reading runs them for every file it meets.

#include <QFile>
#include <QString>

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>

namespace pellium
{
constexpr std::size_t kExtLen = 4; // ".psm", ".dra"

inline bool IsAscii(std::string_view s)
{
    return std::all_of(s.begin(), s.end(),
                       [](char c) { return (static_cast<unsigned char>(c) & 0x80) == 0; });
}

inline char AsciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

// Appends the case-blind form of a file name: plain ASCII folding for the
// usual names, full Unicode case folding for the rest.
inline void AppendFolded(std::string& out, std::string_view s)
{
    if (IsAscii(s))
    {
        const std::size_t nAt = out.size();
        out.resize(nAt + s.size());
        char* pOut = out.data() + nAt;
        for (std::size_t i = 0; i < s.size(); ++i)
            pOut[i] = AsciiLower(s[i]);
        return;
    }
    out += QString::fromUtf8(s.data(), qsizetype(s.size())).toCaseFolded().toUtf8().toStdString();
}

inline bool EndsWithExt(std::string_view s, const char* pszExt)
{
    if (s.size() < kExtLen)
        return false;
    for (std::size_t i = 0; i < kExtLen; ++i)
        if (AsciiLower(s[s.size() - kExtLen + i]) != pszExt[i])
            return false;
    return true;
}

inline QString FromBytes(std::string_view s)
{
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

// Whether a file name read from a folder comes back as the same bytes once
// decoded: a name that does not (not valid UTF-8) would be shown with
// replacement characters and could never be opened again from the text.
inline bool DecodesExactly(std::string_view s)
{
    if (IsAscii(s))
        return true;
    return QFile::encodeName(FromBytes(s)) ==
           QByteArray::fromRawData(s.data(), qsizetype(s.size()));
}

inline QString JoinPath(const QString& strFolder, const QString& strFile)
{
    if (strFolder.endsWith(u'/'))
        return strFolder + strFile;
    return strFolder + u'/' + strFile;
}
} // namespace pellium
