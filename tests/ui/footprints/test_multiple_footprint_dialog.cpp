// SPDX-License-Identifier: MIT
// The multiple "Footprints" dialog: rows selected with their board sides.
#include "FakeServices.h"
#include "FootprintDialogSupport.h"
#include "WaitUntil.h"

#include "properties/SideList.h"

#include <QApplication>
#include <QComboBox>

#include <functional>

namespace
{
TEST(MultipleFootprintDialog, composesTheSelectedRowsBySide)
{
    using Sides = std::vector<std::pair<int, const char*>>;
    const std::tuple<std::vector<int>, Sides, const char*> cases[] = {
        {{}, {}, "(A)"}, // OK at once: row 1 on both sides
        {{1, 2, 3, 4, 5}, {{1, "Top"}, {2, "Top"}, {3, "Bottom"}}, "(Top:A,B;Bottom:K;D,E)"},
        {{4, 5}, {}, "(D,E)"},
        {{3}, {{3, "Bottom"}}, "(Bottom:K)"},
        {{5, 1}, {{1, "top"}, {5, "BOTTOM"}}, "(Top:A;Bottom:E)"},
        {{2}, {{1, "Top"}}, "(B)"}, // a side on a row that is not selected counts for nothing
        {{6, 7}, {}, "(D,D)"},      // one footprint found in two places
    };
    for (const auto& [rows, sides, pszExpected] : cases)
    {
        FootprintList footprints{QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("K"),
                                 QStringLiteral("D"), QStringLiteral("E"), QStringLiteral("D")};
        footprints.Add(QStringLiteral("D"), QStringLiteral("/other/D.dra"));
        Shown<CBackEndDlg2> shown(footprints);
        EXPECT_EQ(shown.Grid().GetValueRowCol(0, 3), u"Type");
        for (const auto& [nRow, pszSide] : sides)
            shown.SetSide(nRow, pszSide);
        shown.SelectRows(rows);
        shown.Press("OK");
        EXPECT_TRUE(shown.Accepted());
        EXPECT_EQ(shown.dlg.GetSelection(), pszExpected);
    }
}

TEST(MultipleFootprintDialog, givesEmptyParenthesesWithoutRowsAndNothingOnCancel)
{
    FootprintList footprints = Sample();
    {
        Shown<CBackEndDlg2> shown(footprints);
        shown.Type(QStringLiteral("nothing"));
        shown.Press("OK");
        EXPECT_EQ(shown.dlg.GetSelection(), u"()");
    }
    Shown<CBackEndDlg2> shown(footprints);
    shown.SelectRows({1, 2});
    shown.Press("Cancel");
    EXPECT_EQ(shown.dlg.result(), QDialog::Rejected);
    EXPECT_EQ(shown.dlg.GetSelection(), QString());
}

TEST(MultipleFootprintDialog, aRebuildResetsEverySideAndTheSelection)
{
    FootprintList footprints = Sample();
    Shown<CBackEndDlg2> shown(footprints);
    shown.SetSide(1, "Top");
    shown.SetSide(2, "Bottom");
    shown.SelectRows({2, 3});
    shown.Type(QStringLiteral("x"));
    shown.Type(QString());
    for (int r = 1; r <= 7; ++r)
        EXPECT_EQ(shown.Grid().GetValueRowCol(quint32(r), 3), u"Both") << r;
    EXPECT_EQ(shown.Grid().GetSelectedRows(), QList<quint32>{1});
    EXPECT_TRUE(shown.Grid().selectionModel()->selectedRows().isEmpty());
}

TEST(MultipleFootprintDialog, keyboardAloneMakesAScatteredSelection)
{
    FootprintList footprints = Sample(); // SOIC8 soic14 SO8W QFP44 LQFP48 ...
    Shown<CBackEndDlg2> shown(footprints);
    CSymbolGrid& grid = shown.Grid();
    // The row OK takes is shown from the start, also while the focus is in the box.
    shown.FilterBox().setFocus();
    EXPECT_EQ(grid.currentIndex(), grid.model()->index(0, 0));
    const QColor highlight = grid.palette().color(QPalette::Highlight);
    const auto rowArea = [&](int nRow)
    {
        return QRect(0, grid.rowViewportPosition(nRow - 1), grid.viewport()->width(),
                     grid.rowHeight(nRow - 1));
    };
    EXPECT_GT(CountPixels(grid.viewport(), highlight, false, rowArea(1)), 0);
    EXPECT_EQ(CountPixels(grid.viewport(), highlight, false, rowArea(2)), 0);

    const auto key = [&](Qt::Key nKey, Qt::KeyboardModifiers mods = Qt::NoModifier)
    { QTest::keyClick(QApplication::focusWidget(), nKey, mods); };
    const auto selected = [&]
    {
        QList<quint32> rows;
        for (const QModelIndex& idx : grid.selectionModel()->selectedRows())
            rows.append(quint32(idx.row() + 1));
        std::sort(rows.begin(), rows.end());
        return rows;
    };
    const struct
    {
        Qt::Key nKey;
        Qt::KeyboardModifiers mods;
        QList<quint32> selection;
        quint32 nRow; // the current row, and the remembered one
        int nCol;
    } steps[] = {
        {Qt::Key_Down, Qt::NoModifier, {}, 1, 1}, // from the filter box into the list
        {Qt::Key_Space, Qt::ControlModifier, {1}, 1, 1},
        {Qt::Key_Down, Qt::ControlModifier, {1}, 2, 1},
        {Qt::Key_Down, Qt::ControlModifier, {1}, 3, 1},
        {Qt::Key_Space, Qt::ControlModifier, {1, 3}, 3, 1},
        {Qt::Key_Right, Qt::NoModifier, {1, 3}, 3, 3}, // into the Type column
        {Qt::Key_Down, Qt::ControlModifier, {1, 3}, 4, 3},
        {Qt::Key_Space, Qt::ControlModifier, {1, 3, 4}, 4, 3}, // no drop-down opens
        {Qt::Key_Up, Qt::ControlModifier, {1, 3, 4}, 3, 3},
        {Qt::Key_Space, Qt::ControlModifier, {1, 4}, 3, 3},
        {Qt::Key_Left, Qt::NoModifier, {1, 4}, 3, 1},
        {Qt::Key_Down, Qt::ShiftModifier, {1, 3, 4}, 4, 1},
        {Qt::Key_Down, Qt::NoModifier, {}, 5, 1}, // a plain move still clears
        {Qt::Key_Space, Qt::ControlModifier, {5}, 5, 1},
        {Qt::Key_Up, Qt::ControlModifier, {5}, 4, 1},
        {Qt::Key_Space, Qt::ControlModifier, {4, 5}, 4, 1},
        {Qt::Key_Up, Qt::ControlModifier, {4, 5}, 3, 1},
        {Qt::Key_Space, Qt::NoModifier, {3, 4, 5}, 3, 1}, // Space alone on a name
        {Qt::Key_Space, Qt::NoModifier, {4, 5}, 3, 1},
    };
    for (const auto& step : steps)
    {
        SCOPED_TRACE(QKeySequence(step.nKey | step.mods).toString().toStdString());
        key(step.nKey, step.mods);
        EXPECT_EQ(QApplication::focusWidget(), &grid);
        EXPECT_EQ(selected(), step.selection);
        EXPECT_EQ(grid.currentIndex().row() + 1, int(step.nRow));
        EXPECT_EQ(grid.currentIndex().column() + 1, step.nCol);
        EXPECT_EQ(grid.m_nSelRow, step.nRow);
    }
    shown.SetSide(4, "Top");
    shown.Press("View Footprint");
    ASSERT_EQ(shown.views.size(), 1u);
    EXPECT_EQ(shown.views[0].names, L({"SO8W"})) << "View takes the remembered row";
    key(Qt::Key_Return);
    EXPECT_TRUE(shown.Accepted());
    EXPECT_EQ(shown.dlg.GetSelection(), u"(Top:QFP44;LQFP48)");
}

TEST(MultipleFootprintDialog, theSideDropDownOffersOnlyTopBottomBoth)
{
    FootprintList footprints = Sample();
    Shown<CBackEndDlg2> shown(footprints);
    CSymbolGrid& grid = shown.Grid();
    grid.edit(grid.model()->index(1, CFootprintListModel::ColType));
    auto* pCombo = qobject_cast<QComboBox*>(QApplication::focusWidget());
    ASSERT_NE(pCombo, nullptr);
    EXPECT_FALSE(pCombo->isEditable());
    EXPECT_EQ(pCombo->count(), 3);
    EXPECT_EQ(pCombo->itemText(0) + pCombo->itemText(1) + pCombo->itemText(2), u"TopBottomBoth");
    EXPECT_EQ(pCombo->currentText(), u"Both");
    pCombo->setCurrentIndex(0);
    Q_EMIT pCombo->activated(0); // a pick in the list is stored at once
    QApplication::processEvents();
    EXPECT_EQ(grid.GetValueRowCol(2, 3), u"Top");

    // The list opens as a closed combo box's does: by a key on the current
    // cell, or one click on the current row, which keeps the selection.
    const struct
    {
        const char* pszHow;
        std::function<void()> open;
        int nCol;    // the current cell's column in row 4
        bool bOpens; // else the click moves the current cell
    } ways[] = {
        {"Space", [&] { QTest::keyClick(&grid, Qt::Key_Space); }, 3, true},
        {"Alt+Down", [&] { QTest::keyClick(&grid, Qt::Key_Down, Qt::AltModifier); }, 3, true},
        {"a click", [&] { testsupport::ClickCell(&grid, 4, 3); }, 1, true},
        {"a click on another row", [&] { testsupport::ClickCell(&grid, 5, 3); }, 1, false},
    };
    for (const auto& way : ways)
    {
        SCOPED_TRACE(way.pszHow);
        shown.SelectRows({1, 4});
        grid.selectionModel()->setCurrentIndex(grid.model()->index(3, way.nCol - 1),
                                               QItemSelectionModel::NoUpdate);
        grid.setFocus();
        way.open();
        pCombo = qobject_cast<QComboBox*>(grid.indexWidget(grid.model()->index(3, 2)));
        EXPECT_EQ(pCombo != nullptr, way.bOpens);
        EXPECT_EQ(grid.indexWidget(grid.model()->index(4, 2)), nullptr);
        if (!pCombo)
        {
            EXPECT_EQ(grid.GetSelectedRows(), QList<quint32>{5}) << "a move clears the selection";
            continue;
        }
        EXPECT_TRUE(pCombo->view()->isVisible());
        EXPECT_EQ(grid.GetSelectedRows(), (QList<quint32>{1, 4}));
        QTest::keyClick(pCombo->view(), Qt::Key_Up);
        QTest::keyClick(pCombo->view(), Qt::Key_Return);
        EXPECT_TRUE(testsupport::WaitUntil([&] { return grid.GetValueRowCol(4, 3) == u"Bottom"; }));
        shown.SetSide(4, "Both");
    }

    // A side still open in its drop-down when OK is pressed counts.
    shown.SelectRows({3});
    grid.edit(grid.model()->index(2, CFootprintListModel::ColType));
    pCombo = qobject_cast<QComboBox*>(QApplication::focusWidget());
    ASSERT_NE(pCombo, nullptr);
    pCombo->setCurrentIndex(1);
    shown.Press("OK");
    EXPECT_EQ(shown.dlg.GetSelection(), u"(Bottom:SO8W)");
}

TEST(MultipleFootprintDialog, viewTakesTheRememberedRowAndSelectionsFollowASort)
{
    FootprintList footprints{QStringLiteral("C"), QStringLiteral("A"), QStringLiteral("B")};
    Shown<CBackEndDlg2> shown(footprints);
    shown.SetSide(1, "Top");
    shown.SelectRows({1, 2});
    shown.Press("View Footprint");
    ASSERT_EQ(shown.views.size(), 1u);
    EXPECT_EQ(shown.views[0].names, L({"A"}));
    EXPECT_EQ(shown.views[0].nKind, PROP_ALT_SYMBOLS);
    DoubleClickHeader(shown.Grid(), 1);
    EXPECT_EQ(shown.Names(), L({"A", "B", "C"}));
    DoubleClickHeader(shown.Grid(), 3);
    EXPECT_EQ(SortIndicator(shown.Grid()), "3+");
    shown.Press("OK");
    EXPECT_EQ(shown.dlg.GetSelection(), u"(Top:C;A)");
}

TEST(MultipleFootprintDialog, refusesNamesThatWouldSplitInTheValueAndStaysOpen)
{
    testsupport::CFakeServices services;
    testsupport::MessageRecorder messages(services);
    FootprintList footprints{QStringLiteral("SO 8"), QStringLiteral("CONN_2,54"),
                             QStringLiteral("GOOD")};
    Shown<CBackEndDlg2> shown(footprints, services);
    shown.SelectRows({1, 2, 3});
    shown.Press("OK");
    ASSERT_EQ(messages.texts.size(), 1);
    EXPECT_TRUE(messages.texts[0].contains(u"\nSO 8\nCONN_2,54\n"))
        << messages.texts[0].toStdString();
    EXPECT_TRUE(shown.dlg.isVisible());
    EXPECT_EQ(shown.dlg.GetSelection(), QString());
    EXPECT_EQ(shown.Grid().GetSelectedRows(), (QList<quint32>{1, 2, 3}));

    shown.SelectRows({3});
    shown.Press("OK");
    EXPECT_TRUE(shown.Accepted());
    EXPECT_EQ(shown.dlg.GetSelection(), u"(GOOD)");

    // The single choice is the whole value, whatever it holds.
    Shown<CBackEndDlg1> single(footprints, services);
    single.Press("OK");
    EXPECT_EQ(single.dlg.GetSelection(), u"SO 8");
    EXPECT_EQ(messages.texts.size(), 1);
    // Told through the dialog's services, not in a box of the default ones.
    EXPECT_EQ(messages.nShownBoxes, 0);
}

TEST(MultipleFootprintDialog, namesItsSideListAndComposeRulesAfterTheCoreOnes)
{
    CPair top(QStringLiteral("A"), QStringLiteral("Top")),
        both(QStringLiteral("D"), QStringLiteral("both"));
    const QList<CPair*> records{&top, &both};
    EXPECT_EQ(CBackEndDlg2::ComposeSelection(records), ComposeSelection(records));
    EXPECT_EQ(CBackEndDlg2::BuildSideList(QStringLiteral("Both"), records), u"D");
}
} // namespace
