#include "FootprintFixtures.h"

#include "ComboBoxDelegate.h"
#include "FootprintListModel.h"
#include "OLRegExp.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

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
    SKIP_WITHOUT_MATCHER();
    FootprintList footprints{QStringLiteral("A"), QString(), QStringLiteral("B")};
    CFootprintListModel model(true);
    model.SetEntries(&footprints.list);
    EXPECT_EQ(Column(model), (QStringList{QStringLiteral("A"), QString(), QStringLiteral("B")}));
    EXPECT_EQ(Column(model, Col::ColType), (QStringList{QStringLiteral("Both"), QString(), QStringLiteral("Both")}));
    const QModelIndex blank = model.index(1, Col::ColType);
    EXPECT_FALSE(model.flags(blank).testFlag(Qt::ItemIsEditable));
    EXPECT_FALSE(model.setData(blank, QStringLiteral("Top")));
    EXPECT_TRUE(blank.data(CComboBoxDelegate::kChoicesRole).isNull());

    Filter(model, QString());
    EXPECT_EQ(Column(model), (QStringList{QStringLiteral("A"), QStringLiteral("B")}));
}

TEST(FootprintListModel, sortsCaseBlindWithTiesInListOrderAndSidesTravelling)
{
    FootprintList footprints{QStringLiteral("b"), QStringLiteral("A"), QStringLiteral("c"),
                             QStringLiteral("a"), QStringLiteral("LONGNAME_2"),
                             QStringLiteral("longname_10"), QStringLiteral("LONGNAME_")};
    CFootprintListModel model(true);
    model.SetEntries(&footprints.list);
    model.setData(model.index(2, Col::ColType), QStringLiteral("Top"));
    const QPersistentModelIndex kept(model.index(2, Col::ColName));
    model.sort(Col::ColName, Qt::AscendingOrder);
    const QStringList ascending{QStringLiteral("A"), QStringLiteral("a"), QStringLiteral("b"),
                                QStringLiteral("c"), QStringLiteral("LONGNAME_"),
                                QStringLiteral("longname_10"), QStringLiteral("LONGNAME_2")};
    EXPECT_EQ(Column(model), ascending);
    EXPECT_EQ(model.index(3, Col::ColType).data().toString(), u"Top");
    EXPECT_EQ(kept.row(), 3);
    model.sort(Col::ColName, Qt::DescendingOrder);
    EXPECT_EQ(Column(model), QStringList(ascending.crbegin(), ascending.crend()));
    model.sort(Col::ColType, Qt::DescendingOrder);
    EXPECT_EQ(Column(model).first(), u"c");
}

TEST(FootprintListModel, filtersRealNamesLikeTheReference)
{
    SKIP_WITHOUT_MATCHER();
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
          QStringLiteral("*Horizontal"), QStringLiteral("*"), QString(), QStringLiteral("xyz-none")})
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
} // namespace
