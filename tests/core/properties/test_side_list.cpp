// SPDX-License-Identifier: MIT
#include "properties/SideList.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using physprops::core::UnwritableSelectionMessage;
using physprops::core::UnwritableSideNames;

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

TEST(ComposeSelection, groupsNamesTopBottomBothInRecordOrder)
{
    const std::pair<std::vector<const char*>, const char*> cases[] = {
        {{"A/Top", "B/Top", "K/Bottom", "D/Both", "E/Both"}, "(Top:A,B;Bottom:K;D,E)"},
        {{"D/Both", "K/Bottom", "A/Top", "E/Both", "B/Top"}, "(Top:A,B;Bottom:K;D,E)"},
        {{"D/Both", "E/Both"}, "(D,E)"},
        {{"K/Bottom"}, "(Bottom:K)"},
        {{"A/Top"}, "(Top:A)"},
        {{"A/Top", "D/Both"}, "(Top:A;D)"},
        {{"A/Top", "K/Bottom"}, "(Top:A;Bottom:K)"},
        {{"K/Bottom", "D/Both"}, "(Bottom:K;D)"},
        {{}, "()"},
        {{"A/tOP", "K/BOTTOM", "D/both"}, "(Top:A;Bottom:K;D)"}, // side types ignore case
        {{"A/Left", "B/", "D/Both"}, "(D)"},                     // unknown sides are left out
        {{"A/Inner"}, "()"},
        {{"X/Both", "X/Both"}, "(X,X)"}, // one name in two places stands twice
        {{"-", "A/Top", "-"}, "(Top:A)"},
    };
    for (const auto& [items, pszExpected] : cases)
    {
        const Records records(items);
        EXPECT_EQ(ComposeSelection(records.list), QString::fromUtf8(pszExpected))
            << "expected " << pszExpected;
    }
    const Records records({"A/Top", "K/Bottom", "b/top"});
    EXPECT_EQ(BuildSideList(QStringLiteral("Top"), records.list), u"A,b");
}

TEST(ComposeSelection, keepsSideListsLongerThanAThousandCharacters)
{
    std::vector<std::string> names;
    for (int i = 0; i < 300; ++i)
        names.push_back("FOOTPRINT" + std::to_string(1000 + i) + "/Top");
    std::vector<const char*> items;
    for (const std::string& strName : names)
        items.push_back(strName.c_str());
    const Records records(items);
    const QString strValue = ComposeSelection(records.list);
    EXPECT_EQ(strValue.size(), 5 + 300 * 13 + 299 + 1); // "(Top:", names, commas, ")"
    EXPECT_TRUE(strValue.endsWith(u",FOOTPRINT1299)"));
}

TEST(UnwritableSideNames, findsNamesThatWouldSplitInTheValue)
{
    const Records records({"SO 8/Both", "A,B/Top", "X;Y/Bottom", "P:Q/both", "(A)/Top", "SO 8/Top",
                           "C,D/Inner", "-", "PLAIN/Both"});
    EXPECT_EQ(UnwritableSideNames(records.list),
              (QStringList{QStringLiteral("SO 8"), QStringLiteral("A,B"), QStringLiteral("X;Y"),
                           QStringLiteral("P:Q")}));

    QStringList many;
    for (int i = 0; i < 25; ++i)
        many.append(QStringLiteral("N %1").arg(i));
    const QString strText = UnwritableSelectionMessage(many);
    EXPECT_TRUE(strText.contains(u"\nN 0\nN 1\n"));
    EXPECT_FALSE(strText.contains(u"N 10"));
    EXPECT_TRUE(strText.contains(u"... and 15 more"));
}
} // namespace
