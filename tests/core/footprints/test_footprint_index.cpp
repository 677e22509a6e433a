// SPDX-License-Identifier: MIT
#include "footprints/FootprintIndex.h"
#include "pellium/Footprint.h"
#include "pellium/OLRegExp.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

using physprops::core::CFootprintIndex;

namespace
{
// Entries from names; "-" stands for a null entry.
struct Entries
{
    explicit Entries(std::initializer_list<const char*> names)
    {
        for (const char* pszName : names)
        {
            if (std::string(pszName) == "-")
            {
                list.append(nullptr);
                continue;
            }
            owned.push_back(
                std::make_unique<CFootprintEntry>(QString::fromUtf8(pszName), QString(),
                                                  QStringLiteral("/lib/%1.dra").arg(owned.size())));
            list.append(owned.back().get());
        }
    }
    std::vector<std::unique_ptr<CFootprintEntry>> owned;
    QList<CFootprintEntry*> list;
};

// The shown names, "-" for a row without an entry.
std::string Shown(const CFootprintIndex& index)
{
    std::string strShown;
    for (std::size_t r = 0; r < index.RowCount(); ++r)
    {
        const CFootprintEntry* pEntry = index.EntryAt(r);
        if (r)
            strShown += ' ';
        strShown += pEntry ? pEntry->GetName().toStdString() : std::string("-");
    }
    return strShown;
}

// Every pattern is tried fresh and after the pattern before it, so typing on
// (which tries only the rows shown) must agree with a fresh filter and with
// the matcher itself.
TEST(FootprintIndex, filtersByEveryPatternShapeFreshOrTypedOn)
{
    // The last two look alike: é composed, and e with a combining accent.
    Entries entries{"SOIC8",    "-",
                    "soic14",   "SO8W",
                    "QFP44",    "LQFP48",
                    "Ä0603",    "SO",
                    "",         "sot-23-5_handsoldering_ä",
                    "Café_NFC", "Cafe\u0301_NFD"};
    const struct
    {
        const char* pszPattern;
        const char* pszShown;
    } cases[] = {
        {"*", "SOIC8 soic14 SO8W QFP44 LQFP48 Ä0603 SO  sot-23-5_handsoldering_ä Café_NFC "
              "Cafe\u0301_NFD"},
        {"S*", "SOIC8 soic14 SO8W SO sot-23-5_handsoldering_ä"},
        {"SO*", "SOIC8 soic14 SO8W SO sot-23-5_handsoldering_ä"},
        {"SOI*", "SOIC8 soic14"},
        {"SOIC1*", "soic14"},
        {"SO", "SO"},
        {"*8", "SOIC8 LQFP48"},
        {"*QFP*", "QFP44 LQFP48"},
        {"*FP4*", "QFP44 LQFP48"},
        {"?0603*", "Ä0603"},
        {"Ä*", "Ä0603"},
        {"S?8*", "SO8W"},
        {"", ""},
        {"**", "SOIC8 soic14 SO8W QFP44 LQFP48 Ä0603 SO  sot-23-5_handsoldering_ä Café_NFC "
               "Cafe\u0301_NFD"},
        {"SOT-23-5_HANDSOLDERING_*", "sot-23-5_handsoldering_ä"},
        {"*_Ä", "sot-23-5_handsoldering_ä"},
        {"ZZ*", ""},
        // Matched whichever way the name or the filter is stored; shown as stored.
        {"CAFÉ*", "Café_NFC Cafe\u0301_NFD"},
        {"CAFE\u0301*", "Café_NFC Cafe\u0301_NFD"},
        {"*É_NF?", "Café_NFC Cafe\u0301_NFD"},
        {"CAF?_*", "Café_NFC Cafe\u0301_NFD"},
        {"CAFE*", ""},
    };
    CFootprintIndex typedOn;
    typedOn.SetEntries(&entries.list);
    EXPECT_EQ(Shown(typedOn), "SOIC8 - soic14 SO8W QFP44 LQFP48 Ä0603 SO  sot-23-5_handsoldering_ä "
                              "Café_NFC Cafe\u0301_NFD");
    for (const auto& c : cases)
    {
        const QByteArray pattern(c.pszPattern);
        typedOn.Filter(pattern);
        EXPECT_EQ(Shown(typedOn), c.pszShown) << "typed on to " << c.pszPattern;

        CFootprintIndex fresh;
        fresh.SetEntries(&entries.list);
        fresh.Filter(pattern);
        EXPECT_EQ(Shown(fresh), c.pszShown) << "fresh " << c.pszPattern;

        CFootprintIndex byMatcher;
        byMatcher.SetEntries(&entries.list);
        byMatcher.Filter(OLRegExp(CFootprintIndex::MatchForm(pattern).constData()));
        EXPECT_EQ(Shown(byMatcher), c.pszShown) << "matcher " << c.pszPattern;
        for (std::size_t r = 0; r < fresh.RowCount(); ++r)
            EXPECT_EQ(fresh.SideAt(r), CFootprintIndex::SideBoth) << c.pszPattern;
    }
}

// A list large enough for the literal shapes to be searched in two halves
// at once: the rows must be the matcher's, in list order, also for hits and
// null entries right at the halves' seam and at both ends.
TEST(FootprintIndex, searchesALargeListInPartsAsTheMatcherDoes)
{
    constexpr std::size_t kCount = 140000;
    const char* const families[] = {"SOIC-8_3.9x4.9mm", "LQFP-48_7x7mm_P0.5mm", "R_0603", "QFN-16",
                                    "TQFP-44"};
    std::vector<std::unique_ptr<CFootprintEntry>> owned;
    QList<CFootprintEntry*> list;
    for (std::size_t i = 0; i < kCount; ++i)
    {
        if (i % 7919 == 3 || i == kCount / 2 - 1)
        {
            list.append(nullptr);
            continue;
        }
        QString strName = QString::fromLatin1(families[i % 5]) + u'_' + QString::number(i);
        // Lone hits of their own at the ends and about the seam.
        if (i == 0 || i == kCount / 2 || i == kCount / 2 + 1 || i == kCount - 1)
            strName = QStringLiteral("ZSEAM_%1_ZTAIL").arg(i);
        owned.push_back(std::make_unique<CFootprintEntry>(strName, QString(), QString()));
        list.append(owned.back().get());
    }
    CFootprintIndex parts, serial;
    parts.SetEntries(&list);
    serial.SetEntries(&list);
    for (const char* pszPattern : {"*ZSEAM*", "ZSEAM*", "*QFP*", "SO*", "LQFP-48_7X7MM*", "*_ZTAIL",
                                   "*9999*", "R_0603_17", "*Q*", "*NOWHERE*"})
    {
        // From every row shown, so nothing is narrowed from the rows before.
        parts.Filter(QByteArrayLiteral("*"));
        parts.Filter(QByteArray(pszPattern));
        serial.Filter(OLRegExp(pszPattern));
        EXPECT_EQ(parts.Rows(), serial.Rows()) << pszPattern;
        EXPECT_EQ(parts.RowCount() == 0, std::string_view(pszPattern) == "*NOWHERE*") << pszPattern;
    }
}

TEST(FootprintIndex, sortsCaseBlindWithTiesInListOrder)
{
    // Long names share their first eight bytes, so the sort reads on.
    Entries entries{"b", "LONGNAME_2", "a", "-", "longname_1", "B", "LONGNAME_10", "LONGNAME"};
    CFootprintIndex index;
    index.SetEntries(&entries.list);
    index.SortByName(false);
    EXPECT_EQ(Shown(index), "- a b B LONGNAME longname_1 LONGNAME_10 LONGNAME_2");
    index.SortByName(true);
    EXPECT_EQ(Shown(index), "LONGNAME_2 LONGNAME_10 longname_1 LONGNAME B b a -");

    // Sides sort by their text (Both, Bottom, Top), names within a side.
    index.SortByName(false);
    EXPECT_FALSE(index.SetSideAt(0, CFootprintIndex::SideTop))
        << "a row without an entry has no side";
    EXPECT_TRUE(index.SetSideAt(1, CFootprintIndex::SideTop));
    EXPECT_TRUE(index.SetSideAt(7, CFootprintIndex::SideBottom));
    index.SortBySide(false);
    EXPECT_EQ(Shown(index), "- b B LONGNAME longname_1 LONGNAME_10 LONGNAME_2 a");
    EXPECT_EQ(index.SideAt(6), CFootprintIndex::SideBottom);

    // Any other text sorts case-blind, ties in list order.
    const QString texts[] = {QStringLiteral("b"), QStringLiteral("A"), QStringLiteral("a")};
    index.SortByText([&](quint32 nEntry) { return texts[nEntry % 3]; }, false);
    EXPECT_EQ(Shown(index), "LONGNAME_2 a longname_1 B LONGNAME b - LONGNAME_10");

    // A filter after a sort starts from list order again.
    index.Filter(QByteArrayLiteral("LONG*"));
    EXPECT_EQ(Shown(index), "LONGNAME_2 longname_1 LONGNAME_10 LONGNAME");
}
} // namespace
