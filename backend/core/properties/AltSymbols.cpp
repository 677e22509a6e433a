// SPDX-License-Identifier: MIT
#include "properties/AltSymbols.h"
#include "properties/Value.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <memory>
#include <memory_resource>
#include <set>

namespace
{
// The order of QString::compare ignoring case, so that "already listed" in a
// set means exactly what IsNewSymbol means.
struct CaseBlindLess
{
    bool operator()(QStringView a, QStringView b) const
    {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    }
};

// A name from one entry: what follows its last ':', blanks dropped. Most
// entries hold no blank, and then the name is a view of the value itself.
QStringView NameOf(QStringView entry, QString& strSpace)
{
    const qsizetype nColon = entry.lastIndexOf(u':');
    if (nColon >= 0)
        entry = entry.mid(nColon + 1);
    if (!entry.contains(u' '))
        return entry;
    strSpace = entry.toString();
    strSpace.remove(u' ');
    return strSpace;
}
} // namespace

namespace physprops::core
{
EAltSymbolsFault SplitAltSymbols(const QString& strValue, QList<CValue*>* pNames)
{
    if (!strValue.startsWith(u'(') || !strValue.endsWith(u')'))
        return EAltSymbolsFault::kMalformed;
    if (strValue.size() <= 2)
        return EAltSymbolsFault::kNoSymbols;
    if (!pNames)
        return EAltSymbolsFault::kNoList;

    // A pasted value may hold thousands of names: the duplicate check is a
    // lookup, not a scan of the list for every name. The views point into
    // the names' own strings, which the list keeps alive; the set's nodes
    // come from one buffer that grows in blocks.
    std::array<std::byte, 4096> buffer;
    std::pmr::monotonic_buffer_resource nodes(buffer.data(), buffer.size());
    std::pmr::set<QStringView, CaseBlindLess> listed(&nodes);
    for (const CValue* p : std::as_const(*pNames))
        if (p)
            listed.insert(p->Value());

    // Entries end at ',' or ';'. Each separator is found with one search from
    // where the last one of its kind was, not by looking at every character.
    const QStringView inner = QStringView(strValue).mid(1, strValue.size() - 2);
    const auto next = [inner](char16_t c, qsizetype nFrom)
    {
        const qsizetype n = inner.indexOf(QChar(c), nFrom);
        return n < 0 ? inner.size() : n;
    };
    pNames->reserve(pNames->size() + inner.count(u',') + inner.count(u';') + 1);
    qsizetype nComma = next(u',', 0);
    qsizetype nSemicolon = next(u';', 0);
    for (qsizetype nStart = 0; nStart <= inner.size();)
    {
        const qsizetype nEnd = std::min(nComma, nSemicolon);
        QString strSpace;
        const QStringView name = NameOf(inner.mid(nStart, nEnd - nStart), strSpace);
        nStart = nEnd + 1;
        if (nComma < nStart)
            nComma = next(u',', nStart);
        if (nSemicolon < nStart)
            nSemicolon = next(u';', nStart);
        if (listed.count(name))
            continue;
        auto pValue = std::make_unique<CValue>();
        pValue->SetValue(name.toString());
        listed.insert(pValue->Value());
        pNames->append(pValue.release());
    }
    return EAltSymbolsFault::kNone;
}
} // namespace physprops::core

int IsNewSymbol(const QList<CValue*>* pNames, const QString& strName)
{
    if (pNames)
        for (const CValue* p : *pNames)
            if (p && p->GetValue().compare(strName, Qt::CaseInsensitive) == 0)
                return 0;
    return 1;
}
