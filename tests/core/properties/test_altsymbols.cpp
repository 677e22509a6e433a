// SPDX-License-Identifier: MIT
#include "properties/AltSymbols.h"
#include "properties/Value.h"

#include <gtest/gtest.h>

using physprops::core::EAltSymbolsFault;
using physprops::core::SplitAltSymbols;

namespace
{
struct Case
{
    const char* pszValue;
    EAltSymbolsFault eFault;
    QStringList names;
};

// The names split from a value, and what became of it.
QStringList Split(const QString& strValue, EAltSymbolsFault& eFault)
{
    QList<CValue*> names;
    eFault = SplitAltSymbols(strValue, &names);
    QStringList out;
    for (const CValue* p : names)
        out.append(p->GetValue());
    qDeleteAll(names);
    return out;
}

TEST(SplitAltSymbols, splitsAcceptedValuesAndRefusesMalformedOnes)
{
    const QString strLong = QStringLiteral("VERY_LONG_FOOTPRINT_NAME_OF_40_CHARACTERS");
    using F = EAltSymbolsFault;
    const Case cases[] = {
        {"(Top:SOIC8,SOIC14;Bottom:DIP8)", F::kNone, {"SOIC8", "SOIC14", "DIP8"}},
        {"(Top: a , B ; Bottom : A)", F::kNone, {"a", "B"}},
        {"(SO IC8)", F::kNone, {"SOIC8"}},
        {"(SOIC8)", F::kNone, {"SOIC8"}},
        {"(Top:A,B;Bottom:C;D)", F::kNone, {"A", "B", "C", "D"}},
        {"(Foo:A)", F::kNone, {"A"}},
        {"(A,,B)", F::kNone, {"A", "", "B"}},
        {"(Top:A;)", F::kNone, {"A", ""}},
        {"( )", F::kNone, {""}},
        {"(Top:(A))", F::kNone, {"(A)"}},
        {"(A:B:C)", F::kNone, {"C"}},
        {"(A\tB)", F::kNone, {"A\tB"}},
        {"(Top: SO IC8 ;Bottom:so ic8, DIP 8;dip8)", F::kNone, {"SOIC8", "DIP8"}},
        {"(\xC3\x96SE,\xC3\xB6se)", F::kNone, {"\xC3\x96SE"}},
        {"Top:A", F::kMalformed, {}},
        {"(Top:A", F::kMalformed, {}},
        {"Top:A)", F::kMalformed, {}},
        {"(", F::kMalformed, {}},
        {")", F::kMalformed, {}},
        {"", F::kMalformed, {}},
        {"()", F::kNoSymbols, {}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.pszValue);
        EAltSymbolsFault eFault = EAltSymbolsFault::kNoList;
        const QStringList names = Split(QString::fromUtf8(c.pszValue), eFault);
        EXPECT_EQ(eFault, c.eFault);
        EXPECT_EQ(names, c.names);
        // Without a list nothing is split, and a malformed value is still told apart.
        EXPECT_EQ(SplitAltSymbols(QString::fromUtf8(c.pszValue), nullptr),
                  c.eFault == F::kNone ? F::kNoList : c.eFault);
    }
}

TEST(SplitAltSymbols, namesOfAnyLengthAreKeptWhole)
{
    const QString strSubclass(100, u'S');
    const QString strName = QStringLiteral("QFN-56-1EP_8x8mm_P0.5mm_EP5.6x5.6mm_ThermalVias");
    EAltSymbolsFault eFault = EAltSymbolsFault::kNoList;
    EXPECT_EQ(
        Split(u'(' + strSubclass + u':' + strName + u',' + QString(5000, u'X') + u')', eFault),
        QStringList({strName, QString(5000, u'X')}));
    EXPECT_EQ(eFault, EAltSymbolsFault::kNone);
}

TEST(SplitAltSymbols, aPastedValueOfThousandsOfNamesKeepsTheFirstSpellingOfEach)
{
    QStringList parts, expected;
    for (int i = 0; i < 20000; ++i)
    {
        const QString strName = QStringLiteral("Fp%1").arg(i % 10000);
        parts.append(i < 10000 ? strName : strName.toLower());
        if (i < 10000)
            expected.append(strName);
    }
    EAltSymbolsFault eFault = EAltSymbolsFault::kNoList;
    EXPECT_EQ(Split(u'(' + parts.join(u';') + u')', eFault), expected);
    EXPECT_EQ(eFault, EAltSymbolsFault::kNone);
}

TEST(SplitAltSymbols, appendsAfterWhatTheListHoldsAndSkipsRepeatsOfIt)
{
    QList<CValue*> names{nullptr, new CValue};
    names[1]->SetValue(QStringLiteral("soic8"));
    EXPECT_EQ(SplitAltSymbols(QStringLiteral("(SOIC8,DIP8)"), &names), EAltSymbolsFault::kNone);
    ASSERT_EQ(names.size(), 3);
    EXPECT_EQ(names[2]->GetValue(), QStringLiteral("DIP8"));
    EXPECT_EQ(IsNewSymbol(&names, QStringLiteral("Dip8")), 0);
    EXPECT_EQ(IsNewSymbol(&names, QStringLiteral("DIP")), 1);
    EXPECT_EQ(IsNewSymbol(nullptr, QStringLiteral("DIP")), 1);
    qDeleteAll(names);
}
} // namespace
