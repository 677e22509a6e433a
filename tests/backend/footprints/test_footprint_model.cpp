#include "FootprintFixtures.h"

#include "ComboBoxDelegate.h"
#include "FootprintListModel.h"
#include "OLRegExp.h"

#include <QAbstractItemModelTester>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace
{
QStringList Names(const CFootprintListModel& model)
{
    QStringList names;
    for (int r = 0; r < model.rowCount(); ++r)
        names.append(model.index(r, CFootprintListModel::ColName).data().toString());
    return names;
}

void Filter(CFootprintListModel& model, const QString& strText)
{
    const QByteArray pattern = (strText + u'*').toUpper().toUtf8();
    model.ApplyFilter(OLRegExp(pattern.constData()));
}

// The filter's meaning spelled out: the whole upper-cased name against the
// upper-cased text, '*' any run of characters, a run appended.
bool ReferenceMatch(const QString& strName, const QString& strText)
{
    QStringList parts = (strText + u'*').toUpper().split(u'*');
    for (QString& strPart : parts)
        strPart = QRegularExpression::escape(strPart);
    const QRegularExpression re(QRegularExpression::anchoredPattern(parts.join(QStringLiteral(".*"))),
                                QRegularExpression::DotMatchesEverythingOption);
    return re.match(strName.toUpper()).hasMatch();
}

TEST(FootprintListModel, passesTheModelTesterThroughFilterSortAndSideChanges)
{
    FootprintList footprints{QStringLiteral("SOIC8"), QString(), QStringLiteral("dip8"),
                             QStringLiteral("QFP44"), QStringLiteral("soic14")};
    CFootprintListModel model(true);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    model.SetEntries(&footprints.list);
    EXPECT_EQ(model.rowCount(), 5);
    EXPECT_TRUE(model.setData(model.index(0, CFootprintListModel::ColType), QStringLiteral("top")));
    model.sort(CFootprintListModel::ColName, Qt::AscendingOrder);
    model.sort(CFootprintListModel::ColType, Qt::DescendingOrder);
    model.sort(CFootprintListModel::ColLocation, Qt::AscendingOrder);
    Filter(model, QStringLiteral("so"));
    EXPECT_EQ(model.rowCount(), 2);
    Filter(model, QStringLiteral("none"));
    EXPECT_EQ(model.rowCount(), 0);
    model.sort(CFootprintListModel::ColName, Qt::AscendingOrder);
}

TEST(FootprintListModel, showsNullEntriesAsBlankRowsWithoutASideUntilFiltered)
{
    FootprintList footprints{QStringLiteral("A"), QString(), QStringLiteral("B")};
    CFootprintListModel model(true);
    model.SetEntries(&footprints.list);
    const QModelIndex blankType = model.index(1, CFootprintListModel::ColType);
    EXPECT_EQ(Names(model), (QStringList{QStringLiteral("A"), QString(), QStringLiteral("B")}));
    EXPECT_EQ(blankType.data().toString(), QString());
    EXPECT_FALSE(model.flags(blankType).testFlag(Qt::ItemIsEditable));
    EXPECT_FALSE(model.setData(blankType, QStringLiteral("Top")));
    EXPECT_TRUE(blankType.data(CComboBoxDelegate::kChoicesRole).isNull());

    Filter(model, QString());
    EXPECT_EQ(Names(model), (QStringList{QStringLiteral("A"), QStringLiteral("B")}));
}

TEST(FootprintListModel, sideCellsOfferTopBottomBothAndRefuseOtherTexts)
{
    FootprintList footprints{QStringLiteral("A")};
    CFootprintListModel model(true);
    model.SetEntries(&footprints.list);
    const QModelIndex type = model.index(0, CFootprintListModel::ColType);
    EXPECT_EQ(type.data().toString(), u"Both");
    EXPECT_EQ(type.data(CComboBoxDelegate::kChoicesRole).toStringList(),
              (QStringList{QStringLiteral("Top"), QStringLiteral("Bottom"), QStringLiteral("Both")}));
    EXPECT_TRUE(model.flags(type).testFlag(Qt::ItemIsEditable));
    EXPECT_FALSE(model.flags(model.index(0, CFootprintListModel::ColName)).testFlag(Qt::ItemIsEditable));
    EXPECT_FALSE(model.setData(type, QStringLiteral("Inner")));
    EXPECT_TRUE(model.setData(type, QStringLiteral("BOTTOM")));
    EXPECT_EQ(type.data().toString(), u"Bottom");
    EXPECT_FALSE(model.setData(model.index(0, CFootprintListModel::ColName), QStringLiteral("X")));
}

TEST(FootprintListModel, sortsCaseBlindTiesInListOrderAndReverses)
{
    FootprintList footprints{QStringLiteral("b"), QStringLiteral("A"), QStringLiteral("c"),
                             QStringLiteral("a"), QStringLiteral("LONGNAME_2"),
                             QStringLiteral("longname_10")};
    CFootprintListModel model(false);
    model.SetEntries(&footprints.list);
    model.sort(CFootprintListModel::ColName, Qt::AscendingOrder);
    const QStringList ascending{QStringLiteral("A"), QStringLiteral("a"), QStringLiteral("b"),
                                QStringLiteral("c"), QStringLiteral("longname_10"),
                                QStringLiteral("LONGNAME_2")};
    EXPECT_EQ(Names(model), ascending);
    model.sort(CFootprintListModel::ColName, Qt::DescendingOrder);
    QStringList descending = ascending;
    std::reverse(descending.begin(), descending.end());
    EXPECT_EQ(Names(model), descending);
}

TEST(FootprintListModel, sideTypesTravelWithTheirRowsWhenSorted)
{
    FootprintList footprints{QStringLiteral("C"), QStringLiteral("A"), QStringLiteral("B")};
    CFootprintListModel model(true);
    model.SetEntries(&footprints.list);
    model.setData(model.index(0, CFootprintListModel::ColType), QStringLiteral("Top"));
    QPersistentModelIndex kept(model.index(0, CFootprintListModel::ColName));
    model.sort(CFootprintListModel::ColName, Qt::AscendingOrder);
    EXPECT_EQ(Names(model), (QStringList{QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")}));
    EXPECT_EQ(model.index(2, CFootprintListModel::ColType).data().toString(), u"Top");
    EXPECT_EQ(kept.row(), 2);
    model.sort(CFootprintListModel::ColType, Qt::AscendingOrder);
    EXPECT_EQ(Names(model), (QStringList{QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")}));
    model.sort(CFootprintListModel::ColType, Qt::DescendingOrder);
    EXPECT_EQ(Names(model).first(), u"C");
}

TEST(FootprintListModel, filterResetsSidesOfEveryShownRow)
{
    FootprintList footprints{QStringLiteral("SO8"), QStringLiteral("SO14")};
    CFootprintListModel model(true);
    model.SetEntries(&footprints.list);
    model.setData(model.index(0, CFootprintListModel::ColType), QStringLiteral("Top"));
    model.setData(model.index(1, CFootprintListModel::ColType), QStringLiteral("Bottom"));
    Filter(model, QStringLiteral("so1"));
    Filter(model, QStringLiteral("so"));
    EXPECT_EQ(model.index(0, CFootprintListModel::ColType).data().toString(), u"Both");
    EXPECT_EQ(model.index(1, CFootprintListModel::ColType).data().toString(), u"Both");
}

TEST(FootprintListModel, filtersRealNamesLikeTheReference)
{
    const QStringList names = KicadFootprintNames();
    if (names.isEmpty())
        GTEST_SKIP() << "no footprint names file";
    FootprintList footprints;
    for (const QString& strName : names)
        footprints.Add(strName);
    CFootprintListModel model(false);
    model.SetEntries(&footprints.list);

    for (const QString& strText :
         {QStringLiteral("soic"), QStringLiteral("R_0603"), QStringLiteral("*qfp*0.5mm"),
          QStringLiteral("conn*2x05"), QStringLiteral("PhoenixContact_GMSTBA_2,5"),
          QStringLiteral("*Horizontal"), QStringLiteral("*"), QString(), QStringLiteral("xyz-none")})
    {
        QStringList expected;
        for (const QString& strName : names)
            if (ReferenceMatch(strName, strText))
                expected.append(strName);
        Filter(model, strText);
        EXPECT_EQ(Names(model), expected) << "filter " << strText.toStdString();
    }
    Filter(model, QStringLiteral("soic"));
    EXPECT_GT(model.rowCount(), 10);
}
} // namespace
