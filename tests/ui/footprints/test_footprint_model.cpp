// SPDX-License-Identifier: MIT
#include "FootprintFixtures.h"

#include "footprints/FootprintListModel.h"
#include "grid/ItemRoles.h"
#include "pellium/OLRegExp.h"

#include <QAbstractItemModelTester>
#include <QHeaderView>
#include <QRegularExpression>
#include <QTableView>

#include <functional>
#include <random>
#include <string_view>

#include <gtest/gtest.h>

using physprops::ui::CFootprintListModel;
using physprops::ui::kChoicesRole;

namespace
{
using Col = CFootprintListModel::Column;

QStringList Column(const CFootprintListModel& model, int nCol = Col::ColName)
{
    QStringList texts;
    for (int r = 0; r < model.rowCount(); ++r)
        texts.append(model.index(r, nCol).data().toString());
    return texts;
}

void Filter(CFootprintListModel& model, const QString& strText)
{
    const QByteArray pattern = (strText + u'*').toUpper().toUtf8();
    model.ApplyFilter(OLRegExp(pattern.constData()));
}

// The filter spelled out: the whole upper-cased name against the upper-cased
// text followed by '*', where '*' is any run of characters.
QRegularExpression ReferencePattern(const QString& strText)
{
    QStringList parts = (strText + u'*').toUpper().split(u'*');
    for (QString& strPart : parts)
        strPart = QRegularExpression::escape(strPart);
    return QRegularExpression(QRegularExpression::anchoredPattern(parts.join(QStringLiteral(".*"))),
                              QRegularExpression::DotMatchesEverythingOption);
}

TEST(FootprintListModel, nullEntriesAreBlankRowsWithoutASideUntilFiltered)
{
    FootprintList footprints{QStringLiteral("A"), QString(), QStringLiteral("B")};
    CFootprintListModel model(true);
    model.SetEntries(&footprints.list);
    EXPECT_EQ(Column(model), (QStringList{QStringLiteral("A"), QString(), QStringLiteral("B")}));
    EXPECT_EQ(Column(model, Col::ColType),
              (QStringList{QStringLiteral("Both"), QString(), QStringLiteral("Both")}));
    const QModelIndex blank = model.index(1, Col::ColType);
    EXPECT_FALSE(model.flags(blank).testFlag(Qt::ItemIsEditable));
    EXPECT_FALSE(model.setData(blank, QStringLiteral("Top")));
    EXPECT_TRUE(blank.data(kChoicesRole).isNull());

    Filter(model, QString());
    EXPECT_EQ(Column(model), (QStringList{QStringLiteral("A"), QStringLiteral("B")}));
}

TEST(FootprintListModel, nameTipSaysWhichFolderTheFootprintWasFoundIn)
{
    const struct
    {
        const char* pszSecond;
        const char* pszLocation;
        const char* pszTip; // null: no tip
    } cases[] = {
        {"/lib/a", "/lib/a/SOIC8.dra", "SOIC8\n/lib/a"},
        {"/lib/b", "Not Found", "SOIC8\n/lib/b"}, // a footprint without a drawing
        {"", "/x/y/SOIC8.dra", "SOIC8\n/x/y"},    // an entry that does not name its folder
        {"", "/SOIC8.dra", "SOIC8\n/"},
        {"", "Not Found", "SOIC8"}, // the whole name, which the cell may cut
        {"", "", "SOIC8"},
    };
    std::vector<std::unique_ptr<CFootprintEntry>> owned;
    QList<CFootprintEntry*> list;
    for (const auto& c : cases)
    {
        owned.push_back(std::make_unique<CFootprintEntry>(QStringLiteral("SOIC8"),
                                                          QString::fromUtf8(c.pszSecond),
                                                          QString::fromUtf8(c.pszLocation)));
        list.append(owned.back().get());
    }
    list.append(nullptr);
    CFootprintListModel model(true);
    model.SetEntries(&list);
    for (int r = 0; r < model.rowCount(); ++r)
    {
        const QVariant tip = model.index(r, Col::ColName).data(Qt::ToolTipRole);
        if (r < int(std::size(cases)) && cases[r].pszTip)
            EXPECT_EQ(tip.toString(), QString::fromUtf8(cases[r].pszTip)) << "row " << r;
        else
            EXPECT_TRUE(tip.isNull()) << "row " << r;
        EXPECT_TRUE(model.index(r, Col::ColLocation).data(Qt::ToolTipRole).isNull());
        EXPECT_TRUE(model.index(r, Col::ColType).data(Qt::ToolTipRole).isNull());
    }
}

TEST(FootprintListModel, sortsCaseBlindWithTiesInListOrderAndSidesTravelling)
{
    FootprintList footprints{QStringLiteral("b"),          QStringLiteral("A"),
                             QStringLiteral("c"),          QStringLiteral("a"),
                             QStringLiteral("LONGNAME_2"), QStringLiteral("longname_10"),
                             QStringLiteral("LONGNAME_")};
    CFootprintListModel model(true);
    model.SetEntries(&footprints.list);
    model.setData(model.index(2, Col::ColType), QStringLiteral("Top"));
    const QPersistentModelIndex kept(model.index(2, Col::ColName));
    model.sort(Col::ColName, Qt::AscendingOrder);
    const QStringList ascending{QStringLiteral("A"),         QStringLiteral("a"),
                                QStringLiteral("b"),         QStringLiteral("c"),
                                QStringLiteral("LONGNAME_"), QStringLiteral("longname_10"),
                                QStringLiteral("LONGNAME_2")};
    EXPECT_EQ(Column(model), ascending);
    EXPECT_EQ(model.index(3, Col::ColType).data().toString(), u"Top");
    EXPECT_EQ(kept.row(), 3);
    model.sort(Col::ColName, Qt::DescendingOrder);
    EXPECT_EQ(Column(model), QStringList(ascending.crbegin(), ascending.crend()));
    model.sort(Col::ColType, Qt::DescendingOrder);
    EXPECT_EQ(Column(model).first(), u"c");
}

TEST(FootprintListModel, filtersRealNamesLikeARegularExpression)
{
    const QStringList names = KicadFootprintNames();
    ASSERT_GT(names.size(), 10000) << "tests/data/kicad-footprints.tsv is missing or short";
    FootprintList footprints;
    for (const QString& strName : names)
        footprints.Add(strName);
    CFootprintListModel model(false);
    model.SetEntries(&footprints.list);

    for (const QString& strText :
         {QStringLiteral("soic"), QStringLiteral("R_0603"), QStringLiteral("*qfp*0.5mm"),
          QStringLiteral("conn*2x05"), QStringLiteral("PhoenixContact_GMSTBA_2,5"),
          QStringLiteral("*Horizontal"), QStringLiteral("*"), QString(),
          QStringLiteral("xyz-none")})
    {
        const QRegularExpression reference = ReferencePattern(strText);
        QStringList expected;
        for (const QString& strName : names)
            if (reference.match(strName.toUpper()).hasMatch())
                expected.append(strName);
        Filter(model, strText);
        EXPECT_EQ(Column(model), expected) << "filter " << strText.toStdString();
        if (strText == u"soic")
        {
            EXPECT_GT(expected.size(), 10);
        }
    }
}
// Typing on only re-tries the rows shown; whatever the user does in between
// (backspace, clearing, sorting, changing a side), the rows must be the
// ones a fresh filter of the whole list gives, in list order.
TEST(FootprintListModel, typingOnShowsWhatAFreshFilterShows)
{
    FootprintList footprints{QStringLiteral("SOIC8"),         QStringLiteral("soic-14"),
                             QStringLiteral("LQFP48"),        QString(),
                             QStringLiteral("TQFP-44_10x10"), QStringLiteral("QFN16"),
                             QStringLiteral("\u00D6sop"),     QStringLiteral("\u00F6sop-8"),
                             QStringLiteral("SO8"),           QStringLiteral("S?8"),
                             QStringLiteral("Q*F"),           QStringLiteral("stra\u00DFe8"),
                             QStringLiteral("SOSO")};
    const QString strKeys = QStringLiteral("SOQF*?8-\u00D6\u00F6\u00DF4");
    std::mt19937 rng(5);
    CFootprintListModel typed(true);
    typed.SetEntries(&footprints.list);
    QString strText;
    for (int n = 0; n < 4000; ++n)
    {
        const unsigned nStep = rng() % 12;
        if (nStep < 7)
            strText += strKeys.at(qsizetype(rng() % std::size_t(strKeys.size())));
        else if (nStep < 9)
            strText.chop(1);
        else if (nStep == 9)
            strText.clear();
        else if (nStep == 10)
            typed.sort(rng() % 2 ? Col::ColName : Col::ColType,
                       rng() % 2 ? Qt::AscendingOrder : Qt::DescendingOrder);
        else if (typed.rowCount() > 0)
            typed.setData(typed.index(0, Col::ColType), QStringLiteral("Top"));
        const QByteArray pattern = (strText + u'*').toUpper().toUtf8();
        typed.ApplyFilter(pattern);
        CFootprintListModel fresh(true);
        fresh.SetEntries(&footprints.list);
        fresh.ApplyFilter(OLRegExp(pattern.constData()));
        ASSERT_EQ(Column(typed), Column(fresh)) << "filter " << strText.toStdString();
        ASSERT_EQ(Column(typed, Col::ColType), Column(fresh, Col::ColType));
    }
}
// The shapes read straight from the prepared names, against the matcher,
// with texts shorter and longer than the eight bytes kept per name, at the
// start, the end and the middle of names, and names the text overlaps.
TEST(FootprintListModel, literalPatternsFindWhatTheMatcherFinds)
{
    FootprintList footprints{QStringLiteral("TQFP-44_10x10mm_P0.8mm"),
                             QStringLiteral("TQFP-44"),
                             QString(),
                             QStringLiteral("LQFP-44_10x10mm"),
                             QStringLiteral("QFPQFP"),
                             QStringLiteral("QF"),
                             QStringLiteral("\u00F6QFP"),
                             QStringLiteral("SOIC-8_3.9x4.9mm"),
                             QStringLiteral("soic-8_3.9x4.9mm_P1.27mm"),
                             QStringLiteral("AAAAAAAAAB"),
                             QStringLiteral("AAAAAAAAA"),
                             QStringLiteral("10x10mm")};
    const char* const patterns[] = {
        "TQFP*",
        "TQFP-44_10X10MM*",
        "TQFP-44",
        "TQFP-44_10X10MM_P0.8MM",
        "*QFP*",
        "*QFP",
        "**QFP**",
        "*10X10MM*",
        "*10X10MM",
        "*_10X10MM*",
        "QFPQ*",
        "*FPQ*",
        "*\xC3\x96QFP*",
        "\xC3\x96*",
        "AAAAAAAAA*",
        "AAAAAAAAAB",
        "*AAAAAAAAB",
        "*AAB*",
        "Q*",
        "*Q",
        "QF",
        "*MM_P1.27MM*",
        "Z*",
        "*Z*",
    };
    for (const char* pszPattern : patterns)
    {
        CFootprintListModel direct(true), matched(true);
        direct.SetEntries(&footprints.list);
        matched.SetEntries(&footprints.list);
        direct.ApplyFilter(QByteArray(pszPattern));
        matched.ApplyFilter(OLRegExp(pszPattern));
        EXPECT_EQ(Column(direct), Column(matched)) << "pattern " << pszPattern;
    }
}
// Many short names over few letters: hits at every place of the sixteen-byte
// steps the search takes, names ending right at a step, names overlapping.
TEST(FootprintListModel, literalPatternsFindWhatTheMatcherFindsInManyNames)
{
    std::mt19937 rng(99);
    FootprintList footprints;
    for (int n = 0; n < 3000; ++n)
    {
        QString strName;
        for (std::size_t k = rng() % 21; k > 0; --k)
            strName += QStringLiteral("QFP-0q").at(qsizetype(rng() % 6));
        footprints.Add(strName.isEmpty() ? QStringLiteral("F") : strName);
        if (n % 500 == 7)
            footprints.Add(QStringLiteral("qfp-0qfp-0").right(int(rng() % 5)) +
                           QStringLiteral("QFP-0QFP-0"));
    }
    for (const char* pszPattern :
         {"*Q*", "*QF*", "*QFP*", "*P-0Q*", "*QFP-0QFP-0*", "*0*", "*PQ", "QQ*", "*-*"})
    {
        CFootprintListModel direct(false), matched(false);
        direct.SetEntries(&footprints.list);
        matched.SetEntries(&footprints.list);
        direct.ApplyFilter(QByteArray(pszPattern));
        matched.ApplyFilter(OLRegExp(pszPattern));
        EXPECT_EQ(Column(direct), Column(matched)) << "pattern " << pszPattern;
        EXPECT_GT(direct.rowCount(), 0) << "pattern " << pszPattern;
    }
}
// A filter gives a view new rows as a reset to none and an insertion:
// shrinking, growing and emptying, the view's rows must be the model's, the
// rows those of a fresh filter, and no persistent index may outlive a filter.
TEST(FootprintListModel, aViewFollowsEveryFilterAndKeepsNoIndexAcrossOne)
{
    FootprintList footprints{QStringLiteral("SOIC8"),  QString(),
                             QStringLiteral("soic14"), QStringLiteral("QFP44"),
                             QStringLiteral("LQFP48"), QStringLiteral("SO8")};
    CFootprintListModel model(true);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    QTableView view;
    view.setModel(&model);
    model.SetEntries(&footprints.list);
    for (const char* pszPattern : {"SO*", "*", "SOIC1*", "ZZ*", "*QFP*", "*", "S*", ""})
    {
        view.selectRow(0);
        const QPersistentModelIndex kept(model.index(0, Col::ColType));
        model.ApplyFilter(QByteArray(pszPattern));
        CFootprintListModel fresh(true);
        fresh.SetEntries(&footprints.list);
        fresh.ApplyFilter(OLRegExp(pszPattern));
        EXPECT_EQ(Column(model), Column(fresh)) << pszPattern;
        EXPECT_EQ(view.verticalHeader()->count(), model.rowCount()) << pszPattern;
        EXPECT_FALSE(kept.isValid()) << pszPattern;
        EXPECT_FALSE(view.selectionModel()->hasSelection()) << pszPattern;
    }
}
// Every change the model makes, under the model tester: resets, layout
// changes with persistent indexes, edits; each step checked by its rows.
TEST(FootprintListModel, passesTheModelTesterThroughFilterSortResetAndEdits)
{
    FootprintList footprints{QStringLiteral("SOIC8"), QString(), QStringLiteral("soic14"),
                             QStringLiteral("QFP44"), QStringLiteral("LQFP48")};
    FootprintList others{QStringLiteral("R0603")};
    CFootprintListModel model(true);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    const QPersistentModelIndex followed = [&]
    {
        model.SetEntries(&footprints.list);
        return QPersistentModelIndex(model.index(3, Col::ColType));
    }();
    const struct
    {
        const char* pszStep;
        std::function<void()> step;
        const char* pszNames; // the name column, joined by blanks
    } steps[] = {
        {"sort by name", [&] { model.sort(Col::ColName); }, " LQFP48 QFP44 soic14 SOIC8"},
        {"edit a side",
         [&]
         { EXPECT_TRUE(model.setData(model.index(1, Col::ColType), QStringLiteral("bottom"))); },
         " LQFP48 QFP44 soic14 SOIC8"},
        {"refuse a side",
         [&] { EXPECT_FALSE(model.setData(model.index(1, Col::ColType), QStringLiteral("Left"))); },
         " LQFP48 QFP44 soic14 SOIC8"},
        {"sort by type", [&] { model.sort(Col::ColType, Qt::DescendingOrder); },
         "LQFP48 SOIC8 soic14 QFP44 "},
        {"sort by location", [&] { model.sort(Col::ColLocation); }, " LQFP48 QFP44 soic14 SOIC8"},
        {"refuse a column", [&] { model.sort(7); }, " LQFP48 QFP44 soic14 SOIC8"},
        {"filter", [&] { model.ApplyFilter(QByteArrayLiteral("SO*")); }, "SOIC8 soic14"},
        {"type on", [&] { model.ApplyFilter(QByteArrayLiteral("SOIC1*")); }, "soic14"},
        {"filter by matcher", [&] { model.ApplyFilter(OLRegExp("*QFP*")); }, "QFP44 LQFP48"},
        {"another list", [&] { model.SetEntries(&others.list); }, "R0603"},
        {"no list", [&] { model.SetEntries(nullptr); }, ""},
        {"filter nothing", [&] { model.ApplyFilter(QByteArrayLiteral("*")); }, ""},
    };
    for (const auto& s : steps)
    {
        s.step();
        EXPECT_EQ(Column(model).join(u' '), QString::fromUtf8(s.pszNames)) << s.pszStep;
        if (std::string_view(s.pszStep) == "sort by name")
        {
            EXPECT_EQ(followed.row(), 2) << "a persistent index follows its footprint";
        }
    }
}
} // namespace
