// SPDX-License-Identifier: MIT
#include "properties/AltSymbols.h"
#include "properties/Value.h"

#include <gtest/gtest.h>

namespace
{
const QString kSyntax =
    QStringLiteral("ERROR : Incorrect syntax of ALT_SYMBOLS.\n"
                   "Correct syntax is : (Subclass:Symbol ,... ; Subclass:Symbol ,...)");

struct Case
{
    const char* pszValue;
    int nResult;
    QStringList names;
    bool bMessage;
};

// The names split from a value, and the message it gives (empty: none).
QStringList Split(const QString& strValue, int& nResult, QString& strMessage)
{
    QList<CValue*> names;
    nResult = SplitAltSymbols(strValue, &names, strMessage);
    QStringList out;
    for (const CValue* p : names)
        out.append(p->GetValue());
    qDeleteAll(names);
    return out;
}

TEST(SplitAltSymbols, splitsAcceptedValuesAndRefusesMalformedOnes)
{
    const QString strLong = QStringLiteral("VERY_LONG_FOOTPRINT_NAME_OF_40_CHARACTERS");
    const Case cases[] = {
        {"(Top:SOIC8,SOIC14;Bottom:DIP8)", 1, {"SOIC8", "SOIC14", "DIP8"}, false},
        {"(Top: a , B ; Bottom : A)", 1, {"a", "B"}, false},
        {"(SO IC8)", 1, {"SOIC8"}, false},
        {"(SOIC8)", 1, {"SOIC8"}, false},
        {"(Top:A,B;Bottom:C;D)", 1, {"A", "B", "C", "D"}, false},
        {"(Foo:A)", 1, {"A"}, false},
        {"(A,,B)", 1, {"A", "", "B"}, false},
        {"(Top:A;)", 1, {"A", ""}, false},
        {"( )", 1, {""}, false},
        {"(Top:(A))", 1, {"(A)"}, false},
        {"(A:B:C)", 1, {"C"}, false},
        {"(A\tB)", 1, {"A\tB"}, false},
        {"(Top: SO IC8 ;Bottom:so ic8, DIP 8;dip8)", 1, {"SOIC8", "DIP8"}, false},
        {"(\xC3\x96SE,\xC3\xB6se)", 1, {"\xC3\x96SE"}, false},
        {"Top:A", 0, {}, true},
        {"(Top:A", 0, {}, true},
        {"Top:A)", 0, {}, true},
        {"(", 0, {}, true},
        {")", 0, {}, true},
        {"", 0, {}, true},
        {"()", 0, {}, false},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.pszValue);
        int nResult = -1;
        QString strMessage;
        const QStringList names = Split(QString::fromUtf8(c.pszValue), nResult, strMessage);
        EXPECT_EQ(nResult, c.nResult);
        EXPECT_EQ(names, c.names);
        EXPECT_EQ(strMessage, c.bMessage ? kSyntax : QString());
    }
}

TEST(SplitAltSymbols, namesOfAnyLengthAreKeptWhole)
{
    const QString strSubclass(100, u'S');
    const QString strName = QStringLiteral("QFN-56-1EP_8x8mm_P0.5mm_EP5.6x5.6mm_ThermalVias");
    int nResult = 0;
    QString strMessage;
    EXPECT_EQ(Split(u'(' + strSubclass + u':' + strName + u',' + QString(5000, u'X') + u')',
                    nResult, strMessage),
              QStringList({strName, QString(5000, u'X')}));
    EXPECT_EQ(nResult, 1);
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
    int nResult = 0;
    QString strMessage;
    EXPECT_EQ(Split(u'(' + parts.join(u';') + u')', nResult, strMessage), expected);
    EXPECT_EQ(nResult, 1);
}

TEST(SplitAltSymbols, appendsAfterWhatTheListHoldsAndSkipsRepeatsOfIt)
{
    QList<CValue*> names{nullptr, new CValue};
    names[1]->SetValue(QStringLiteral("soic8"));
    QString strMessage;
    EXPECT_EQ(SplitAltSymbols(QStringLiteral("(SOIC8,DIP8)"), &names, strMessage), 1);
    ASSERT_EQ(names.size(), 3);
    EXPECT_EQ(names[2]->GetValue(), QStringLiteral("DIP8"));
    EXPECT_EQ(IsNewSymbol(&names, QStringLiteral("Dip8")), 0);
    EXPECT_EQ(IsNewSymbol(&names, QStringLiteral("DIP")), 1);
    EXPECT_EQ(IsNewSymbol(nullptr, QStringLiteral("DIP")), 1);
    qDeleteAll(names);
}
} // namespace
