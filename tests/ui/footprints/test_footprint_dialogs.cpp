// SPDX-License-Identifier: MIT
#include "FootprintDialogSupport.h"
#include "WaitUntil.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <string>

namespace
{

template <class TDialog>
void ExpectForm(const char* pszSelect, const char* pszFilter, QSize opening)
{
    FootprintList footprints = Sample();
    Shown<TDialog> shown(footprints);
    EXPECT_EQ(shown.dlg.windowTitle(), u"Footprints");
    EXPECT_EQ(shown.dlg.size(), physprops::ui::FontScaledSize(opening, shown.dlg));
    EXPECT_EQ(shown.dlg.template findChild<QLabel*>(QStringLiteral("lblSelect"))->text(),
              pszSelect);
    auto* pFilterLabel = shown.dlg.template findChild<QLabel*>(QStringLiteral("lblFilter"));
    EXPECT_EQ(pFilterLabel->text(), pszFilter);
    EXPECT_EQ(pFilterLabel->buddy(), &shown.FilterBox());
    for (const char* pszButton : {"&OK", "&Cancel", "&View Footprint", "&New Footprint"})
    {
        QAbstractButton* pButton =
            testsupport::FindButton(&shown.dlg, QString::fromUtf8(pszButton).remove(u'&'));
        ASSERT_NE(pButton, nullptr) << pszButton;
        EXPECT_EQ(pButton->text(), pszButton);
    }
    EXPECT_TRUE(
        qobject_cast<QPushButton*>(testsupport::FindButton(&shown.dlg, QStringLiteral("OK")))
            ->isDefault());
    // The box shows "*", selected; the list has the keyboard; every footprint is listed.
    EXPECT_EQ(shown.FilterBox().selectedText(), u"*");
    EXPECT_EQ(QApplication::focusWidget(), &shown.Grid());
    EXPECT_EQ(shown.Names().size(), 7);
    // Names show; locations are there for View but hidden; nothing is typed over or moved.
    CSymbolGrid& grid = shown.Grid();
    EXPECT_TRUE(grid.isColumnHidden(1));
    EXPECT_EQ(grid.GetValueRowCol(1, 2), u"/lib/SOIC8.dra");
    EXPECT_FALSE(grid.horizontalHeader()->sectionsMovable());
    EXPECT_EQ(grid.horizontalHeader()->minimumSectionSize(), 50);
    EXPECT_FALSE(grid.model()->flags(grid.model()->index(0, 0)).testFlag(Qt::ItemIsEditable));
    EXPECT_EQ(grid.m_nSelRow, 1u);
    // A name too long for its cell is cut in the middle, and whole in its
    // tooltip and for a screen reader.
    EXPECT_EQ(grid.textElideMode(), Qt::ElideMiddle);
    const QModelIndex name = grid.model()->index(0, 0);
    EXPECT_EQ(name.data(Qt::ToolTipRole).toString(), u"SOIC8\n/lib");
    EXPECT_EQ(name.data(Qt::AccessibleTextRole).toString(), u"SOIC8");
    // At its least size the header, five rows and every shown column stay in view.
    shown.dlg.resize(1, 1);
    QWidget& port = *grid.viewport();
    EXPECT_TRUE(testsupport::WaitUntil(
        [&]
        {
            bool bColumns = true;
            for (int c = 0; c < grid.model()->columnCount(); ++c)
                bColumns = bColumns &&
                           (grid.isColumnHidden(c) ||
                            grid.columnViewportPosition(c) + grid.columnWidth(c) <= port.width());
            return bColumns && grid.rowViewportPosition(4) + grid.rowHeight(4) <= port.height();
        }))
        << shown.dlg.width() << "x" << shown.dlg.height();
}

TEST(FootprintDialogs, showTheirFormsWithEveryFootprint)
{
    ExpectForm<CBackEndDlg1>("Select Footprint ", "&Filter :", {250, 320});
    ExpectForm<CBackEndDlg2>("Select Footprint(s) ", "&Filter : ", {370, 300});
}

template <class TDialog> void ExpectFilterCases()
{
    const QStringList so = L({"SOIC8", "soic14", "SO8W"});
    const QStringList all = L({"SOIC8", "soic14", "SO8W", "QFP44", "LQFP48", "TQFP100", "R0603"});
    const std::pair<const char*, QStringList> cases[] = {
        {"so", so},
        {"SO", so},
        {"  sO  ", so},
        {"*qfp", L({"QFP44", "LQFP48", "TQFP100"})},
        {"soic*4", L({"soic14"})},
        {"zz", {}},
        {"", all},
        {"*", all},
        {"**", all},
    };
    for (const auto& [pszText, expected] : cases)
    {
        FootprintList footprints = Sample();
        Shown<TDialog> shown(footprints);
        shown.Grid().SetCurrentCell(3, 1);
        shown.Type(QStringLiteral("x")); // leave the match-all start
        shown.Type(QString::fromUtf8(pszText));
        EXPECT_EQ(shown.Names(), expected) << "filter '" << pszText << "'";
        EXPECT_EQ(shown.Grid().m_nSelRow, 1u);
        EXPECT_EQ(shown.Grid().currentIndex().row(), expected.isEmpty() ? -1 : 0);
        EXPECT_EQ(QApplication::focusWidget(), &shown.FilterBox());
    }
}

TEST(FootprintFilter, narrowsToNamesThatBeginWithTheTextInAnyCase)
{
    ExpectFilterCases<CBackEndDlg1>();
    ExpectFilterCases<CBackEndDlg2>();
}

TEST(FootprintFilter, rebuildsOnlyWhenTheTrimmedTextReallyChanges)
{
    const std::pair<const char*, int> steps[] = {
        {"", 0},   {"*", 0},    {" * ", 0},  // the match-all forms
        {"so", 1}, {"so  ", 0}, {"  so", 0}, // blanks at the ends
        {"SO", 1}, {"", 1},     {"*", 0},
    };
    FootprintList footprints = Sample();
    Shown<CBackEndDlg2> shown(footprints);
    QSignalSpy resets(shown.dlg.Model(), &QAbstractItemModel::modelReset);
    for (const auto& [pszText, nResets] : steps)
    {
        resets.clear();
        shown.Type(QString::fromUtf8(pszText));
        EXPECT_EQ(resets.count(), nResets) << "text '" << pszText << "'";
    }
    EXPECT_EQ(shown.Names().size(), 7);
}

template <class TDialog> void ExpectEmptyHint()
{
    const struct
    {
        const char* pszText;
        const char* pszHint; // drawn in the grid when it has no rows
        int nRows;
    } cases[] = {
        {"zz", "No footprint matches \u201czz\u201d", 0},
        {"  *x ", "No footprint matches \u201c*x\u201d", 0},
        {"so", "", 3},
        {"", "", 7},
    };
    FootprintList footprints = Sample();
    Shown<TDialog> shown(footprints);
    QWidget* pPort = shown.Grid().viewport();
    const QColor base = pPort->palette().color(QPalette::Base);
    for (const auto& c : cases)
    {
        shown.Type(QString::fromUtf8(c.pszText));
        ASSERT_EQ(shown.Grid().model()->rowCount(), c.nRows) << c.pszText;
        if (c.nRows > 0)
            continue;
        EXPECT_EQ(shown.Grid().EmptyHint(), QString::fromUtf8(c.pszHint));
        EXPECT_GT(CountPixels(pPort, base, true), 20)
            << "the hint is drawn for '" << c.pszText << "'";
    }
    // A list that is empty from the start has nothing to explain.
    FootprintList none;
    Shown<TDialog> empty(none);
    EXPECT_EQ(CountPixels(empty.Grid().viewport(), base, true), 0);
}

TEST(FootprintFilter, anEmptyGridSaysThatNothingMatches)
{
    ExpectEmptyHint<CBackEndDlg1>();
    ExpectEmptyHint<CBackEndDlg2>();
}

TEST(SingleFootprintDialog, okTakesTheRememberedRowCancelNothing)
{
    FootprintList footprints = Sample();
    const std::pair<std::function<void(Shown<CBackEndDlg1>&)>, const char*> cases[] = {
        {[](auto&) {}, "SOIC8"},
        {[](auto& s) { testsupport::ClickCell(&s.Grid(), 4, 1); }, "QFP44"},
        {[](auto& s)
         {
             testsupport::ClickCell(&s.Grid(), 4, 1);
             s.Type(QStringLiteral("*qfp"));
         },
         "QFP44"},
        {[](auto& s) { s.Type(QStringLiteral("nothing")); }, ""},
        // The list has the keyboard; text typed there filters.
        {[](auto&) { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down); }, "soic14"},
        {[](auto& s)
         {
             QTest::keyClick(&s.Grid(), Qt::Key_Down);
             QTest::keyClicks(&s.Grid(), QStringLiteral("lq"));
             EXPECT_EQ(s.FilterBox().text(), u"lq");
         },
         "LQFP48"},
    };
    for (const auto& [prepare, pszExpected] : cases)
    {
        Shown<CBackEndDlg1> shown(footprints);
        prepare(shown);
        shown.Press("OK");
        EXPECT_TRUE(shown.Accepted());
        EXPECT_EQ(shown.dlg.GetSelection(), pszExpected);
    }
    Shown<CBackEndDlg1> shown(footprints);
    testsupport::ClickCell(&shown.Grid(), 3, 1);
    shown.Press("Cancel");
    EXPECT_EQ(shown.dlg.result(), QDialog::Rejected);
    EXPECT_EQ(shown.dlg.GetSelection(), QString());
}

TEST(SingleFootprintDialog, okAndViewActOnTheRememberedRowAfterASort)
{
    FootprintList footprints{QStringLiteral("c"), QStringLiteral("A"), QStringLiteral("b")};
    Shown<CBackEndDlg1> shown(footprints);
    testsupport::ClickCell(&shown.Grid(), 2, 1);
    EXPECT_EQ(SortIndicator(shown.Grid()), "");
    DoubleClickHeader(shown.Grid(), 1);
    EXPECT_EQ(shown.Names(), L({"A", "b", "c"}));
    EXPECT_EQ(SortIndicator(shown.Grid()), "1+");
    DoubleClickHeader(shown.Grid(), 1);
    EXPECT_EQ(shown.Names(), L({"c", "b", "A"}));
    EXPECT_EQ(SortIndicator(shown.Grid()), "1-");
    shown.Type(QStringLiteral("x"));
    shown.Type(QString());
    EXPECT_EQ(shown.Names(), L({"c", "A", "b"}));
    EXPECT_EQ(SortIndicator(shown.Grid()), "") << "a rebuild drops the sort";
    DoubleClickHeader(shown.Grid(), 1); // ascending again after a rebuild
    EXPECT_EQ(shown.Names(), L({"A", "b", "c"}));

    testsupport::ClickCell(&shown.Grid(), 2, 1);
    DoubleClickHeader(shown.Grid(), 1);
    EXPECT_EQ(shown.Grid().m_nSelRow, 2u);
    shown.Press("View Footprint");
    shown.Press("New Footprint");
    ASSERT_EQ(shown.views.size(), 1u);
    EXPECT_EQ(shown.views[0].names, L({"b"}));
    EXPECT_EQ(shown.views[0].strProjectPath, u"/proj/a.ini");
    EXPECT_EQ(shown.views[0].nKind, PROP_JEDEC_TYPE);
    EXPECT_EQ(shown.nNewDrawings, 1);
    EXPECT_TRUE(shown.dlg.isVisible());
    shown.Press("OK");
    EXPECT_EQ(shown.dlg.GetSelection(), u"b");
}

TEST(FootprintKeyboard, typingFiltersDownEntersTheListEnterTakesTheRowEscapeCancels)
{
    FootprintList footprints = Sample();
    {
        Shown<CBackEndDlg1> shown(footprints);
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("lq")); // replaces the "*"
        EXPECT_EQ(shown.Names(), L({"LQFP48"}));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        EXPECT_TRUE(shown.Accepted());
        EXPECT_EQ(shown.dlg.GetSelection(), u"LQFP48");
    }
    {
        Shown<CBackEndDlg1> shown(footprints);
        QTest::keyClicks(&shown.FilterBox(), QStringLiteral("so"));
        QTest::keyClick(&shown.FilterBox(), Qt::Key_Down);
        EXPECT_EQ(QApplication::focusWidget(), &shown.Grid());
        EXPECT_EQ(shown.Grid().currentIndex().row(), 0);
        QTest::keyClick(&shown.Grid(), Qt::Key_Down);
        QTest::keyClick(&shown.Grid(), Qt::Key_Return);
        EXPECT_EQ(shown.dlg.GetSelection(), u"soic14");
    }
    Shown<CBackEndDlg2> shown(footprints);
    QTest::keyClick(&shown.FilterBox(), Qt::Key_Escape);
    EXPECT_EQ(shown.dlg.result(), QDialog::Rejected);
    EXPECT_EQ(shown.dlg.GetSelection(), QString());
}

TEST(FootprintDialogs, runModally)
{
    FootprintList footprints = Sample();
    CBackEndDlg2 dlg(&footprints.list, QString());
    testsupport::WhenModal(
        [](QWidget* pDialog)
        {
            QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("*qfp"));
            testsupport::FindButton(pDialog, QStringLiteral("OK"))->click();
        });
    EXPECT_EQ(dlg.DoModal(), 1);
    EXPECT_EQ(dlg.GetSelection(), u"(QFP44)");
}
} // namespace
