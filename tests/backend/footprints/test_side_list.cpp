#include "BackEndDlg2.h"
#include "SideList.h"

#include <gtest/gtest.h>

#include <cctype>
#include <memory>
#include <vector>

namespace
{
// Records from "name/type" texts; "-" stands for a null record.
struct Records
{
    explicit Records(const std::vector<const char*>& items)
    {
        for (const char* pszItem : items)
        {
            const QString strItem = QString::fromUtf8(pszItem);
            if (strItem == u"-")
            {
                list.append(nullptr);
                continue;
            }
            const qsizetype nSlash = strItem.indexOf(u'/');
            owned.push_back(std::make_unique<CPair>(strItem.left(nSlash), strItem.mid(nSlash + 1)));
            list.append(owned.back().get());
        }
    }
    std::vector<std::unique_ptr<CPair>> owned;
    QList<CPair*> list;
};

struct ComposeCase
{
    const char* pszWhat;
    std::vector<const char*> records;
    const char* pszExpected;
};

class ComposeSelectionTest : public testing::TestWithParam<ComposeCase>
{
};

void PrintTo(const ComposeCase& c, std::ostream* pOut) { *pOut << c.pszWhat; }

TEST_P(ComposeSelectionTest, groupsNamesTopBottomBoth)
{
    const Records records(GetParam().records);
    EXPECT_EQ(CBackEndDlg2::ComposeSelection(records.list), QString::fromUtf8(GetParam().pszExpected));
}

INSTANTIATE_TEST_SUITE_P(
    Sides, ComposeSelectionTest,
    testing::Values(
        ComposeCase{"all three sides", {"A/Top", "B/Top", "K/Bottom", "D/Both", "E/Both"},
                    "(Top:A,B;Bottom:K;D,E)"},
        ComposeCase{"sides interleaved keep Top, Bottom, Both order",
                    {"D/Both", "K/Bottom", "A/Top", "E/Both", "B/Top"}, "(Top:A,B;Bottom:K;D,E)"},
        ComposeCase{"only Both", {"D/Both", "E/Both"}, "(D,E)"},
        ComposeCase{"only Bottom", {"K/Bottom"}, "(Bottom:K)"},
        ComposeCase{"only Top", {"A/Top"}, "(Top:A)"},
        ComposeCase{"Top and Both", {"A/Top", "D/Both"}, "(Top:A;D)"},
        ComposeCase{"Top and Bottom", {"A/Top", "K/Bottom"}, "(Top:A;Bottom:K)"},
        ComposeCase{"Bottom and Both", {"K/Bottom", "D/Both"}, "(Bottom:K;D)"},
        ComposeCase{"no records", {}, "()"},
        ComposeCase{"side types ignore case", {"A/tOP", "K/BOTTOM", "D/both"}, "(Top:A;Bottom:K;D)"},
        ComposeCase{"unknown types are left out", {"A/Left", "B/", "D/Both"}, "(D)"},
        ComposeCase{"only unknown types", {"A/Inner"}, "()"},
        ComposeCase{"the same name twice stays twice", {"X/Both", "X/Both"}, "(X,X)"},
        ComposeCase{"null records are skipped", {"-", "A/Top", "-"}, "(Top:A)"}),
    [](const testing::TestParamInfo<ComposeCase>& info) {
        std::string strName;
        for (const char* p = info.param.pszWhat; *p; ++p)
            strName += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
        return strName;
    });

TEST(BuildSideList, listsOneSideInRecordOrder)
{
    const Records records({"A/Top", "K/Bottom", "b/top", "D/Both"});
    EXPECT_EQ(CBackEndDlg2::BuildSideList(QStringLiteral("Top"), records.list), u"A,b");
    EXPECT_EQ(CBackEndDlg2::BuildSideList(QStringLiteral("Bottom"), records.list), u"K");
    EXPECT_EQ(CBackEndDlg2::BuildSideList(QStringLiteral("Both"), records.list), u"D");
}

TEST(BuildSideList, keepsListsLongerThanAThousandCharacters)
{
    Records records({});
    QStringList expected;
    for (int i = 0; i < 300; ++i)
    {
        const QString strName = QStringLiteral("FOOTPRINT%1").arg(i, 4, 10, QChar(u'0'));
        records.owned.push_back(std::make_unique<CPair>(strName, QStringLiteral("Top")));
        records.list.append(records.owned.back().get());
        expected.append(strName);
    }
    const QString strList = CBackEndDlg2::BuildSideList(QStringLiteral("Top"), records.list);
    EXPECT_GT(strList.size(), 1023);
    EXPECT_EQ(strList, expected.join(u','));
    EXPECT_EQ(CBackEndDlg2::ComposeSelection(records.list),
              QStringLiteral("(Top:") + expected.join(u',') + u')');
}

TEST(UnwritableSideNames, namesThatWouldSplitInTheValue)
{
    const Records records({"SO 8/Both", "A,B/Top", "X;Y/Bottom", "P:Q/both", "(A)/Top", "SO 8/Top",
                           "C,D/Inner", "-", "PLAIN/Both"});
    EXPECT_EQ(UnwritableSideNames(records.list),
              (QStringList{QStringLiteral("SO 8"), QStringLiteral("A,B"), QStringLiteral("X;Y"),
                           QStringLiteral("P:Q")}));
}

TEST(UnwritableSideNames, messageNamesTheFootprintsAndCutsLongLists)
{
    const QString strShort = UnwritableSelectionMessage({QStringLiteral("SO 8"), QStringLiteral("A,B")});
    EXPECT_TRUE(strShort.contains(u"\nSO 8\nA,B\n"));
    EXPECT_FALSE(strShort.contains(u"more"));

    QStringList many;
    for (int i = 0; i < 25; ++i)
        many.append(QStringLiteral("N %1").arg(i));
    const QString strLong = UnwritableSelectionMessage(many);
    EXPECT_TRUE(strLong.contains(u"\nN 9\n"));
    EXPECT_FALSE(strLong.contains(u"N 10"));
    EXPECT_TRUE(strLong.contains(u"... and 15 more"));
}
} // namespace
