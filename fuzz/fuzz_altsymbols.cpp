// SPDX-License-Identifier: MIT
// The alternate-symbols split against a plain reading of the value: outside
// "(" ... ")" the value is refused as malformed; inside, ',' and
// ';' separate entries, each entry's name is what follows its last ':', with
// blanks dropped, and a name already in the list (any case) is not added.
#include "FuzzSupport.h"
#include "properties/AltSymbols.h"
#include "properties/Value.h"

#include <QList>
#include <QStringList>

#include <set>

using physprops::core::EAltSymbolsFault;
using physprops::core::SplitAltSymbols;

namespace
{
QStringList PlainSplit(const QString& strValue, QStringList names)
{
    // "Already listed" is QString::compare ignoring case; a set in that order
    // keeps long values from costing the square of their names (the list
    // check below cross-checks short lists name by name). Views, not copies:
    // under the sanitizers every allocation costs more than the split itself.
    const auto less = [](QStringView a, QStringView b)
    { return a.compare(b, Qt::CaseInsensitive) < 0; };
    std::set<QStringView, decltype(less)> listed(names.cbegin(), names.cend(), less);
    QString strInner = strValue.mid(1, strValue.size() - 2);
    strInner.replace(u';', u',');
    const QList<QStringView> entries = QStringView(strInner).split(u',');
    QList<QString> spaced; // names that had blanks, kept alive for the views
    spaced.reserve(entries.size());
    names.reserve(names.size() + entries.size());
    for (QStringView entry : entries)
    {
        const qsizetype nColon = entry.lastIndexOf(u':');
        if (nColon >= 0)
            entry = entry.mid(nColon + 1);
        if (entry.contains(u' '))
        {
            spaced.append(entry.toString().remove(u' '));
            entry = spaced.back();
        }
        if (listed.insert(entry).second)
            names.append(entry.toString());
    }
    return names;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize)
{
    // The first byte says whether the list already holds a name.
    if (nSize == 0)
        return 0;
    const QString strValue =
        QString::fromUtf8(reinterpret_cast<const char*>(pData) + 1, qsizetype(nSize - 1));
    QList<CValue*> names;
    QStringList before;
    if (pData[0] & 1)
    {
        names.append(new CValue);
        names.back()->SetValue(QStringLiteral("soic8"));
        before.append(QStringLiteral("soic8"));
    }
    if (pData[0] & 2)
        names.append(nullptr); // a hole in the caller's list is skipped

    const EAltSymbolsFault eFault = SplitAltSymbols(strValue, &names);
    const bool bBracketed = strValue.startsWith(u'(') && strValue.endsWith(u')');
    FUZZ_CHECK((eFault == EAltSymbolsFault::kMalformed) == !bBracketed);
    const int nResult = eFault == EAltSymbolsFault::kNone ? 1 : 0;
    FUZZ_CHECK(nResult == (bBracketed && strValue.size() > 2 ? 1 : 0));

    QStringList got;
    got.reserve(names.size());
    for (const CValue* p : names)
        if (p)
            got.append(p->GetValue());
    FUZZ_CHECK(got == (nResult ? PlainSplit(strValue, before) : before));
    // On short lists, every name is new to the ones before it by IsNewSymbol's scan.
    if (names.size() <= 32)
        for (qsizetype i = 0; i < names.size(); ++i)
        {
            const QList<CValue*> earlier = names.mid(0, i);
            FUZZ_CHECK(!names[i] || IsNewSymbol(&earlier, names[i]->GetValue()) == 1);
        }
    qDeleteAll(names);

    FUZZ_CHECK(SplitAltSymbols(strValue, nullptr) != EAltSymbolsFault::kNone);
    return 0;
}
