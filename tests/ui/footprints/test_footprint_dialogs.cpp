// SPDX-License-Identifier: MIT
#include "FootprintFixtures.h"
#include "TestSupport.h"

#include "footprints/BackEndDlg1.h"
#include "footprints/BackEndDlg2.h"
#include "footprints/FootprintListModel.h"
#include "grid/Grids.h"
#include "properties/SideList.h"

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

using physprops::ui::CFootprintListModel;
using physprops::ui::CServices;

namespace
{
struct ViewCall
{
    QStringList names;
    QString strProjectPath;
    PROPERTY_NAMES nKind;
};

// A dialog shown without a modal loop, set up as DoModal would, with the
// viewing flow and the new-drawing launcher recorded.
template <class TDialog> struct Shown
{
    explicit Shown(FootprintList& footprints, const CServices& services = CServices::Default())
        : dlg(&footprints.list, QStringLiteral("/proj/a.ini"), services)
    {
        dlg.SetFootprintViewer(
            [this](const QStringList& names, const QString& strPath, PROPERTY_NAMES nKind) {
                views.push_back({names, strPath, nKind});
            });
        dlg.SetNewDrawingStarter([this] { return ++nNewDrawings, 1; });
        EXPECT_TRUE(dlg.InitDialog());
        dlg.show();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&dlg));
        tester = std::make_unique<QAbstractItemModelTester>(
            dlg.Model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    }
    CSymbolGrid& Grid() { return *dlg.Grid(); }
    QLineEdit& FilterBox()
    {
        return *dlg.template findChild<QLineEdit*>(QStringLiteral("edtFilter"));
    }
    void Type(const QString& strText) { FilterBox().setText(strText); }
    void Press(const char* pszButton)
    {
        testsupport::FindButton(&dlg, QString::fromUtf8(pszButton))->click();
    }
    QStringList Names()
    {
        QStringList names;
        for (int r = 1; r <= Grid().model()->rowCount(); ++r)
            names.append(Grid().GetValueRowCol(quint32(r), 1));
        return names;
    }
    void SelectRows(const std::vector<int>& rows)
    {
        for (std::size_t i = 0; i < rows.size(); ++i)
            testsupport::ClickCell(&Grid(), rows[i], 1,
                                   i == 0 ? Qt::NoModifier : Qt::ControlModifier);
    }
    void SetSide(int nRow, const char* pszSide)
    {
        EXPECT_TRUE(dlg.Model()->setData(dlg.Model()->index(nRow - 1, CFootprintListModel::ColType),
                                         QString::fromUtf8(pszSide)));
    }
    bool Accepted() const { return !dlg.isVisible() && dlg.result() == QDialog::Accepted; }

    TDialog dlg;
    std::vector<ViewCall> views;
    int nNewDrawings = 0;
    std::unique_ptr<QAbstractItemModelTester> tester;
};

QStringList L(std::initializer_list<const char*> texts)
{
    QStringList list;
    for (const char* psz : texts)
        list.append(QString::fromUtf8(psz));
    return list;
}

FootprintList Sample()
{
    return {QStringLiteral("SOIC8"), QStringLiteral("soic14"), QStringLiteral("SO8W"),
            QStringLiteral("QFP44"), QStringLiteral("LQFP48"), QStringLiteral("TQFP100"),
            QStringLiteral("R0603")};
}

void DoubleClickHeader(CSymbolGrid& grid, int nCol)
{
    QHeaderView* pHeader = grid.horizontalHeader();
    const QPoint pt(pHeader->sectionViewportPosition(nCol - 1) + pHeader->sectionSize(nCol - 1) / 2,
                    pHeader->height() / 2);
    QTest::mouseDClick(pHeader->viewport(), Qt::LeftButton, {}, pt);
}

// The header's sort indicator: "" when hidden, else the column (from 1)
// and '+' ascending or '-' descending.
std::string SortIndicator(CSymbolGrid& grid)
{
    const QHeaderView* pHeader = grid.horizontalHeader();
    if (!pHeader->isSortIndicatorShown())
        return {};
    return std::to_string(pHeader->sortIndicatorSection() + 1) +
           (pHeader->sortIndicatorOrder() == Qt::AscendingOrder ? "+" : "-");
}

// Pixels of a widget's grab in the given colour, or (bOther) in any other
// colour than that one, within area (the whole widget when empty).
int CountPixels(QWidget* pWidget, const QColor& colour, bool bOther, QRect area = {})
{
    const QImage image = pWidget->grab().toImage();
    if (area.isEmpty())
        area = image.rect();
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            n += (image.pixelColor(x, y).rgb() == colour.rgb()) != bOther;
    return n;
}

template <class TDialog> void ExpectForm(const char* pszSelect, const char* pszFilter)
{
    FootprintList footprints = Sample();
    Shown<TDialog> shown(footprints);
    EXPECT_EQ(shown.dlg.windowTitle(), u"Footprints");
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
    // The box shows "*", selected, with the keyboard; every footprint is listed.
    EXPECT_EQ(shown.FilterBox().selectedText(), u"*");
    EXPECT_EQ(QApplication::focusWidget(), &shown.FilterBox());
    EXPECT_EQ(shown.Names().size(), 7);
    // Names show; locations are there for View but hidden; nothing is typed over or moved.
    CSymbolGrid& grid = shown.Grid();
    EXPECT_TRUE(grid.isColumnHidden(1));
    EXPECT_EQ(grid.GetValueRowCol(1, 2), u"/lib/SOIC8.dra");
    EXPECT_FALSE(grid.horizontalHeader()->sectionsMovable());
    EXPECT_EQ(grid.horizontalHeader()->minimumSectionSize(), 50);
    EXPECT_FALSE(grid.model()->flags(grid.model()->index(0, 0)).testFlag(Qt::ItemIsEditable));
    EXPECT_EQ(grid.m_nSelRow, 1u);
}

TEST(FootprintDialogs, showTheirFormsWithEveryFootprint)
{
    ExpectForm<CBackEndDlg1>("Select Footprint ", "&Filter :");
    ExpectForm<CBackEndDlg2>("Select Footprint(s) ", "&Filter : ");
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
    // The row OK takes is shown from the start, though the focus is in the box.
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
    CServices services = CServices::Default();
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
TEST(MultipleFootprintDialog, namesItsSideListAndComposeRulesAfterTheCoreOnes)
{
    CPair top(QStringLiteral("A"), QStringLiteral("Top")),
        both(QStringLiteral("D"), QStringLiteral("both"));
    const QList<CPair*> records{&top, &both};
    EXPECT_EQ(CBackEndDlg2::ComposeSelection(records), ComposeSelection(records));
    EXPECT_EQ(CBackEndDlg2::BuildSideList(QStringLiteral("Both"), records), u"D");
}
} // namespace
