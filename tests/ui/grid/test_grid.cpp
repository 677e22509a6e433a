// SPDX-License-Identifier: MIT
#include "TestSupport.h"
#include "grid/CellModel.h"
#include "grid/ComboBoxDelegate.h"
#include "grid/Grids.h"
#include "grid/ItemRoles.h"

#include <QAbstractItemModelTester>
#include <QAccessible>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QStandardItemModel>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

using physprops::ui::BackendInstance;
using physprops::ui::CCellModel;
using physprops::ui::CComboBoxDelegate;
using physprops::ui::CGridBase;
using physprops::ui::CGridStyle;
using physprops::ui::CreateGridWindow;
using physprops::ui::GridClassRegistrationCount;
using physprops::ui::IsGridClassRegistered;
using physprops::ui::kChoicesRole;
using physprops::ui::kShownChars;

using testsupport::ClickCell;

namespace
{
// A shown grid of n rows and two columns, texts "r<row>c<col>".
template <class TGrid> std::unique_ptr<TGrid> MakeGrid(int nRows, int nSelectionFlags = 0)
{
    auto pGrid = std::make_unique<TGrid>();
    pGrid->SetRowCount(nRows);
    pGrid->SetColCount(2);
    pGrid->SetValueRange(0, 1, QStringLiteral("Name"));
    pGrid->SetValueRange(0, 2, QStringLiteral("Other"));
    for (int r = 1; r <= nRows; ++r)
        for (int c = 1; c <= 2; ++c)
            pGrid->SetValueRange(quint32(r), c, QStringLiteral("r%1c%2").arg(r).arg(c));
    pGrid->EnableSelection(nSelectionFlags);
    pGrid->resize(300, 400);
    pGrid->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(pGrid.get()));
    return pGrid;
}

QList<quint32> Selected(const CGridBase& grid)
{
    QList<quint32> rows;
    for (const QModelIndex& idx : grid.selectionModel()->selectedRows())
        rows.append(quint32(idx.row() + 1));
    std::sort(rows.begin(), rows.end());
    return rows;
}

void ClickHeader(CGridBase& grid, int nCol, bool bDouble)
{
    QHeaderView* pHeader = grid.horizontalHeader();
    const QPoint pt(pHeader->sectionViewportPosition(nCol - 1) + 5, pHeader->height() / 2);
    if (bDouble)
        QTest::mouseDClick(pHeader->viewport(), Qt::LeftButton, {}, pt);
    else
        QTest::mouseClick(pHeader->viewport(), Qt::LeftButton, {}, pt);
}
} // namespace

TEST(GridBase, freshGridRemembersRowOneEvenWithoutRows)
{
    CPhysPropsGrid props;
    CSymbolGrid symbols;
    CLocGrid locations;
    EXPECT_EQ(props.m_nSelRow, 1u);
    EXPECT_EQ(symbols.m_nSelRow, 1u);
    EXPECT_EQ(locations.m_nSelRow, 1u);
    EXPECT_EQ(props.GetSelectedProperty(), QString());
    EXPECT_EQ(symbols.GetSelectedFootprint(), QString());
    EXPECT_EQ(locations.GetSelectedLocation(), QString());
}

TEST(GridBase, accessorsReadTheirColumnOfTheRememberedRow)
{
    auto pProps = MakeGrid<CPhysPropsGrid>(3);
    pProps->m_nSelRow = 2;
    EXPECT_EQ(pProps->GetSelectedProperty(), QStringLiteral("r2c1"));
    EXPECT_EQ(pProps->GetSelectedValue(), QStringLiteral("r2c2"));
    auto pLoc = MakeGrid<CLocGrid>(3);
    pLoc->m_nSelRow = 3;
    EXPECT_EQ(pLoc->GetSelectedLocation(), QStringLiteral("r3c2"));
    EXPECT_EQ(pLoc->GetValueRowCol(0, 1), QStringLiteral("Name"));
    EXPECT_EQ(pLoc->GetValueRowCol(9, 1), QString());
}

TEST(GridBase, clicksAndCurrentCellMovesSetTheRememberedRowButHeaderClicksDoNot)
{
    auto pGrid = MakeGrid<CSymbolGrid>(5);
    ClickCell(pGrid.get(), 4, 1);
    EXPECT_EQ(pGrid->m_nSelRow, 4u);
    ClickHeader(*pGrid, 1, false);
    EXPECT_EQ(pGrid->m_nSelRow, 4u);
    QTest::keyClick(pGrid.get(), Qt::Key_Up);
    EXPECT_EQ(pGrid->m_nSelRow, 3u);
    pGrid->SetCurrentCell(5, 2);
    EXPECT_EQ(pGrid->m_nSelRow, 5u);
    pGrid->SetCurrentCell(0, 1); // the header is never current
    EXPECT_EQ(pGrid->m_nSelRow, 5u);
}

TEST(GridBase, shiftOrMouseDragKeepsTheSelectionAPlainMoveClearsIt)
{
    auto pGrid = MakeGrid<CSymbolGrid>(6, 249);
    ClickCell(pGrid.get(), 1, 1);
    QTest::keyClick(pGrid.get(), Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(pGrid.get(), Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(Selected(*pGrid), (QList<quint32>{1, 2, 3}));
    EXPECT_EQ(pGrid->m_nSelRow, 3u);

    QTest::keyClick(pGrid.get(), Qt::Key_Down);
    EXPECT_TRUE(Selected(*pGrid).isEmpty());
    EXPECT_EQ(pGrid->GetSelectedRows(), QList<quint32>{4}) << "the current row stands in";

    // Drag from row 2 to row 5 with the button held.
    QWidget* pPort = pGrid->viewport();
    const QPoint from = pGrid->visualRect(pGrid->model()->index(1, 0)).center();
    const QPoint to = pGrid->visualRect(pGrid->model()->index(4, 0)).center();
    QTest::mousePress(pPort, Qt::LeftButton, {}, from);
    QMouseEvent move(QEvent::MouseMove, to, pPort->mapToGlobal(to), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QCoreApplication::sendEvent(pPort, &move);
    QTest::mouseRelease(pPort, Qt::LeftButton, {}, to);
    EXPECT_EQ(Selected(*pGrid), (QList<quint32>{2, 3, 4, 5}));

    // Ctrl-click adds a row while the mouse selects.
    ClickCell(pGrid.get(), 6, 1, Qt::ControlModifier);
    EXPECT_EQ(Selected(*pGrid), (QList<quint32>{2, 3, 4, 5, 6}));
    EXPECT_EQ(pGrid->GetSelectedRows(), (QList<quint32>{2, 3, 4, 5, 6}));
}

TEST(GridBase, headerDoubleClickSortsOnlyWhenAskedAndKeepsTheRememberedRowNumber)
{
    auto pGrid = MakeGrid<CLocGrid>(3);
    pGrid->SetValueRange(1, 1, QStringLiteral("b"));
    pGrid->SetValueRange(2, 1, QStringLiteral("C"));
    pGrid->SetValueRange(3, 1, QStringLiteral("a"));
    ClickCell(pGrid.get(), 2, 1);
    QHeaderView* pHeader = pGrid->horizontalHeader();
    ClickHeader(*pGrid, 1, true);
    EXPECT_EQ(pGrid->GetValueRowCol(1, 1), QStringLiteral("b")) << "sorting is off by default";
    EXPECT_FALSE(pHeader->isSortIndicatorShown());

    pGrid->SetSortRowsOnDblClk(true);
    ClickHeader(*pGrid, 1, true);
    EXPECT_EQ(testsupport::FlattenModel(pGrid.get()), QStringLiteral("a|r3c2;b|r1c2;C|r2c2"));
    EXPECT_EQ(pGrid->m_nSelRow, 2u);
    EXPECT_EQ(pGrid->GetValueRowCol(pGrid->m_nSelRow, 1), QStringLiteral("b"));
    EXPECT_TRUE(pHeader->isSortIndicatorShown());
    EXPECT_EQ(pHeader->sortIndicatorSection(), 0);
    EXPECT_EQ(pHeader->sortIndicatorOrder(), Qt::AscendingOrder);
    ClickHeader(*pGrid, 1, true);
    EXPECT_EQ(testsupport::FlattenModel(pGrid.get()), QStringLiteral("C|r2c2;b|r1c2;a|r3c2"));
    EXPECT_EQ(pGrid->m_nSelRow, 2u);
    EXPECT_EQ(pHeader->sortIndicatorOrder(), Qt::DescendingOrder);
    ClickHeader(*pGrid, 2, true);
    EXPECT_EQ(pHeader->sortIndicatorSection(), 1);
    EXPECT_EQ(pHeader->sortIndicatorOrder(), Qt::AscendingOrder);
    pGrid->ResetSortState();
    EXPECT_FALSE(pHeader->isSortIndicatorShown());
}

TEST(GridBase, columnLimitsAndHiddenColumns)
{
    auto pGrid = MakeGrid<CSymbolGrid>(2);
    pGrid->SetMinTrackColWidth(50);
    pGrid->EnableMoveCols(false);
    pGrid->HideCols(0, 0);
    pGrid->HideCols(2, 2);
    pGrid->SetColWidth(1, 1, 100);
    EXPECT_EQ(pGrid->horizontalHeader()->minimumSectionSize(), 50);
    EXPECT_FALSE(pGrid->horizontalHeader()->sectionsMovable());
    EXPECT_FALSE(pGrid->verticalHeader()->isVisible());
    EXPECT_TRUE(pGrid->isColumnHidden(1));
    EXPECT_EQ(pGrid->columnWidth(0), 100);
    EXPECT_EQ(pGrid->GetValueRowCol(2, 2), QStringLiteral("r2c2")) << "hidden values stay readable";
}

TEST(GridRegistry, registeringTwiceFindsTheClassAndUnregisterRemovesIt)
{
    const int nBefore = GridClassRegistrationCount("CLocGrid");
    EXPECT_STREQ(CLocGrid::RegisterClassA(), "CLocGrid");
    EXPECT_EQ(GridClassRegistrationCount("CLocGrid"), nBefore);

    static const char s_otherInstance = 0;
    EXPECT_FALSE(IsGridClassRegistered(&s_otherInstance, "CLocGrid"));
    EXPECT_STREQ(CLocGrid::RegisterClassA(&s_otherInstance), "CLocGrid");
    EXPECT_TRUE(IsGridClassRegistered(&s_otherInstance, "CLocGrid"));
    CLocGrid::UnregisterClassA(&s_otherInstance);
    EXPECT_FALSE(IsGridClassRegistered(&s_otherInstance, "CLocGrid"));
    EXPECT_TRUE(IsGridClassRegistered(BackendInstance(), "CLocGrid"));

    CSymbolGrid::UnregisterClassA();
    EXPECT_EQ(CreateGridWindow("CSymbolGrid", nullptr), nullptr);
    QWidget window;
    EXPECT_EQ(CreateGridWindow("CSymbolGrid", &window), nullptr);
    CSymbolGrid::RegisterClassA();
    EXPECT_NE(CreateGridWindow("CSymbolGrid", &window), nullptr);
}

TEST(GridRegistry, gridCreatedByClassNameDiesWithItsWindowDialogOwnedGridDoesNot)
{
    auto pWindow = std::make_unique<QWidget>();
    QPointer<QWidget> pByName = CreateGridWindow("CPhysPropsGrid", pWindow.get());
    ASSERT_NE(pByName, nullptr);
    EXPECT_NE(qobject_cast<CPhysPropsGrid*>(pByName.data()), nullptr);
    EXPECT_EQ(static_cast<CGridBase*>(pByName.data())->m_nSelRow, 1u);
    pWindow.reset();
    EXPECT_TRUE(pByName.isNull());

    QWidget other;
    QPointer<CGridBase> pEnded = static_cast<CGridBase*>(CreateGridWindow("CLocGrid", &other));
    pEnded->DestroyWindow();
    EXPECT_TRUE(pEnded.isNull()) << "a grid made by name deletes itself when its window ends";

    auto pOwned = std::make_unique<CLocGrid>(&other);
    pOwned->DestroyWindow();
    EXPECT_FALSE(pOwned->isVisible());
    pOwned.reset(); // its owner deletes it, exactly once
}

TEST(CellModel, passesTheModelTesterThroughEdits)
{
    CCellModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    model.SetColCount(2);
    model.SetRowCount(3);
    model.SetValue(1, 1, QStringLiteral("x"));
    model.InsertRows(1, 2);
    EXPECT_EQ(model.rowCount(), 5);
    EXPECT_EQ(model.GetValue(3, 1), QStringLiteral("x"));
    model.SetStyle(0, 0, CGridStyle{true, {}});
    EXPECT_FALSE(model.flags(model.index(0, 0)).testFlag(Qt::ItemIsEditable));
    EXPECT_TRUE(model.flags(model.index(0, 1)).testFlag(Qt::ItemIsEditable));
    EXPECT_TRUE(model.setData(model.index(0, 1), QStringLiteral("Top"), Qt::EditRole));
    model.sort(1, Qt::AscendingOrder);
    model.SetRowCount(0);
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_EQ(model.columnCount(), 2);
}

// The largest difference of one colour channel between two images of one
// size; -1 when the sizes differ.
int ColourDistance(const QImage& a, const QImage& b)
{
    if (a.size() != b.size())
        return -1;
    int nMax = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
        {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            nMax = std::max({nMax, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                             std::abs(qBlue(p) - qBlue(q))});
        }
    return nMax;
}

// Cells kept as images must look as cells drawn afresh, and never show what
// a cell looked like before its text, state or size changed. Rounded corners
// drawn at another place may round one colour step apart: that is allowed.
TEST(ComboBoxDelegate, keptCellsLookAsCellsDrawnAfresh)
{
    QStandardItemModel model(4, 2);
    for (int r = 0; r < 4; ++r)
        model.setItem(r, 0, new QStandardItem(QStringLiteral("QFN-%1_4x4mm_P0.5mm").arg(r)));
    model.item(1, 0)->setText(
        QStringLiteral("Package_QFP:LQFP-144_20x20mm_P0.5mm_EP_ThermalVias_too_wide"));
    for (int r = 0; r < 4; ++r)
    {
        auto* pSide = new QStandardItem(r % 2 ? QStringLiteral("Bottom") : QStringLiteral("Top"));
        pSide->setData(
            QStringList{QStringLiteral("Top"), QStringLiteral("Bottom"), QStringLiteral("Both")},
            kChoicesRole);
        model.setItem(r, 1, pSide);
    }
    CSymbolGrid grid;
    grid.setModel(&model);
    grid.resize(260, 160);
    grid.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&grid));
    auto* pDelegate = qobject_cast<CComboBoxDelegate*>(grid.itemDelegate());
    ASSERT_NE(pDelegate, nullptr);

    const auto drawnAfresh = [&]
    {
        pDelegate->SetCellCache(false);
        const QImage image = grid.grab().toImage();
        pDelegate->SetCellCache(true);
        return image;
    };
    const std::pair<const char*, std::function<void()>> steps[] = {
        {"as shown", [] {}},
        {"a row selected", [&] { grid.selectRow(2); }},
        {"the current cell moved", [&] { grid.setCurrentIndex(model.index(3, 1)); }},
        {"a text changed", [&] { model.item(0, 0)->setText(QStringLiteral("SOIC-8")); }},
        {"a side changed", [&] { model.item(3, 1)->setText(QStringLiteral("Both")); }},
        {"alternate rows", [&] { grid.setAlternatingRowColors(true); }},
        {"a column narrowed", [&] { grid.setColumnWidth(0, 60); }},
        {"focus elsewhere", [&] { grid.clearFocus(); }},
        {"a disabled row", [&] { model.item(2, 0)->setEnabled(false); }},
    };
    for (const auto& [pszStep, change] : steps)
    {
        SCOPED_TRACE(pszStep);
        change();
        const QImage expected = drawnAfresh();
        for (const char* pszHow : {"drawn and kept", "drawn from what was kept"})
        {
            const int nDistance = ColourDistance(grid.grab().toImage(), expected);
            EXPECT_TRUE(nDistance == 0 || nDistance == 1) << pszHow << ": " << nDistance;
            EXPECT_GT(pDelegate->CellCache().Count(), 0);
        }
    }
}

namespace
{
// n characters (UTF-16 units) of mixed widths, with a surrogate pair where
// the cut of a long text falls.
QString MixedText(qsizetype n)
{
    const QString strUnit = QString::fromUtf8("AbW i.\xC3\xBC");
    QString str = strUnit.repeated(n / strUnit.size() + 1).left(n);
    if (n > kShownChars + 1)
        str.replace(kShownChars - 1, 2, QString::fromUtf8("\xF0\x9F\x98\x80"));
    return str;
}
} // namespace

// A long text is drawn as its start, elided, and its tooltip and editor say
// how long it is; the model keeps it whole and an edit stores it unchanged.
TEST(ComboBoxDelegate, longTextIsDrawnAsItsStartAndKeptWhole)
{
    for (const qsizetype n : {qsizetype(0), qsizetype(12), kShownChars, kShownChars + 1,
                              kShownChars + 6, qsizetype(100000)})
    {
        SCOPED_TRACE(n);
        const QString strText = MixedText(n);
        auto pGrid = MakeGrid<CPhysPropsGrid>(1);
        pGrid->SetValueRange(1, 2, strText);
        const QModelIndex cell = pGrid->model()->index(0, 1);
        const auto* pDelegate = qobject_cast<CComboBoxDelegate*>(pGrid->itemDelegate());
        const QString strShown = pDelegate->displayText(cell.data(), QLocale());
        const QString strTip = cell.data(Qt::ToolTipRole).toString();
        const QString strNote = QLocale().toString(n) + QStringLiteral(" characters in all");
        if (n <= kShownChars)
        {
            EXPECT_EQ(strShown, strText);
            EXPECT_EQ(strTip, QString());
        }
        else
        {
            ASSERT_TRUE(strShown.endsWith(QChar(0x2026)));
            const QString strStart = strShown.chopped(1);
            EXPECT_LE(strStart.size(), kShownChars);
            EXPECT_GE(strStart.size(), kShownChars - 1);
            EXPECT_TRUE(strText.startsWith(strStart));
            EXPECT_FALSE(strStart.back().isHighSurrogate());
            EXPECT_TRUE(strTip.endsWith(u'\n' + strNote)) << strTip.toStdString();
            EXPECT_TRUE(strText.startsWith(strTip.section(QChar(0x2026), 0, 0)));
        }
        EXPECT_EQ(pGrid->GetValueRowCol(1, 2), strText);

        pGrid->setCurrentIndex(cell);
        pGrid->edit(cell);
        auto* pEditor = qobject_cast<QLineEdit*>(pGrid->indexWidget(cell));
        ASSERT_NE(pEditor, nullptr);
        EXPECT_EQ(pEditor->text().size(), strText.size());
        EXPECT_EQ(pEditor->toolTip(), n > kShownChars ? strNote : QString());
        EXPECT_EQ(pGrid->GetEditText(1, 2), std::optional<QString>(strText));
        QTest::keyClick(pEditor, Qt::Key_Return);
        QCoreApplication::processEvents();
        EXPECT_FALSE(pGrid->GetEditText(1, 2).has_value());
        EXPECT_TRUE(pGrid->GetValueRowCol(1, 2) == strText);
    }
}

namespace
{
// The grid as assistive technology sees it, and its cell (row, col) from 0.
QAccessibleInterface* AccessibleCell(CGridBase& grid, int nRow, int nCol)
{
    QAccessibleInterface* pGrid = QAccessible::queryAccessibleInterface(&grid);
    return pGrid && pGrid->tableInterface() ? pGrid->tableInterface()->cellAt(nRow, nCol) : nullptr;
}

} // namespace

// A row chosen through the accessibility bus (a row selection or a focus
// request on a cell) is the row the dialog acts on: the current cell and the
// remembered row go there; only a grid that selects rows selects it, as
// Ctrl+click does, and a focus request there leaves the selection alone.
TEST(GridAccessible, aRowChosenByAssistiveTechnologyIsTheRowTheGridActsOn)
{
    struct Case
    {
        const char* pszWhat;
        std::function<std::unique_ptr<CGridBase>()> make;
        bool bFocusRequest;
        QList<quint32> selected;
    };
    const Case cases[] = {
        {"properties, row selection", [] { return MakeGrid<CPhysPropsGrid>(5); }, false, {}},
        {"properties, focus request", [] { return MakeGrid<CPhysPropsGrid>(5); }, true, {}},
        {"single pick, row selection", [] { return MakeGrid<CSymbolGrid>(5); }, false, {}},
        {"locations, row selection", [] { return MakeGrid<CLocGrid>(5); }, false, {}},
        {"locations, focus request", [] { return MakeGrid<CLocGrid>(5); }, true, {}},
        {"multiple pick, row selection",
         [] { return MakeGrid<CSymbolGrid>(5, 249); },
         false,
         {1, 4}},
        {"multiple pick, focus request", [] { return MakeGrid<CSymbolGrid>(5, 249); }, true, {1}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.pszWhat);
        std::unique_ptr<CGridBase> pGrid = c.make();
        if (pGrid->IsRangeSelectionEnabled())
            ClickCell(pGrid.get(), 1, 1, Qt::ControlModifier);
        QAccessibleInterface* pTable = QAccessible::queryAccessibleInterface(pGrid.get());
        ASSERT_NE(pTable->tableInterface(), nullptr);
        EXPECT_EQ(pTable->state().multiSelectable, pGrid->IsRangeSelectionEnabled());
        if (c.bFocusRequest)
        {
            QAccessibleActionInterface* pAction = AccessibleCell(*pGrid, 3, 1)->actionInterface();
            ASSERT_NE(pAction, nullptr);
            ASSERT_TRUE(
                pAction->actionNames().contains(QAccessibleActionInterface::setFocusAction()));
            pAction->doAction(QAccessibleActionInterface::setFocusAction());
        }
        else
            EXPECT_TRUE(pTable->tableInterface()->selectRow(3));
        EXPECT_EQ(pGrid->m_nSelRow, 4u);
        EXPECT_EQ(pGrid->currentIndex().row(), 3);
        EXPECT_EQ(Selected(*pGrid), c.selected);
        EXPECT_FALSE(pTable->tableInterface()->selectRow(9)) << "no such row";
    }
}

// Each kind of cell tells what it is: a drop-down is a combo box with its
// choices, which set its value; a value cell is editable text; an empty one
// reads as "empty"; an empty grid says its hint; a label names its grid.
TEST(GridAccessible, cellsSayWhatTheyAreAndTakeValues)
{
    auto pGrid = MakeGrid<CSymbolGrid>(2);
    QStandardItemModel model(2, 3);
    model.setHorizontalHeaderLabels(
        {QStringLiteral("Name"), QStringLiteral("Type"), QStringLiteral("Value")});
    model.setItem(0, 0, new QStandardItem(QStringLiteral("SOIC8")));
    model.item(0, 0)->setEditable(false);
    auto* pSide = new QStandardItem(QStringLiteral("Both"));
    pSide->setData(
        QStringList{QStringLiteral("Top"), QStringLiteral("Bottom"), QStringLiteral("Both")},
        kChoicesRole);
    model.setItem(0, 1, pSide);
    model.setItem(0, 2, new QStandardItem(QString()));
    pGrid->setModel(&model);
    QLabel label(QStringLiteral("Select:"), pGrid.get());
    label.setBuddy(pGrid.get());

    struct Case
    {
        int nRow;
        int nCol;
        QAccessible::Role role;
        const char* pszName;
        bool bEditable;
        int nChildren;
    };
    const Case cases[] = {
        {-1, 1, QAccessible::ColumnHeader, "Type", false, 0},
        {0, 0, QAccessible::Cell, "SOIC8", false, 0},
        {0, 1, QAccessible::ComboBox, "Both", false, 3},
        {0, 2, QAccessible::Cell, "empty", true, 0},
    };
    QAccessibleInterface* pTable = QAccessible::queryAccessibleInterface(pGrid.get());
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.pszName);
        QAccessibleInterface* pCell = pTable->child((c.nRow + 1) * 3 + c.nCol);
        ASSERT_NE(pCell, nullptr);
        EXPECT_EQ(pTable->indexOfChild(pCell), (c.nRow + 1) * 3 + c.nCol);
        EXPECT_EQ(pCell->role(), c.role);
        EXPECT_EQ(pCell->text(QAccessible::Name), QString::fromUtf8(c.pszName));
        EXPECT_EQ(pCell->state().editable, c.bEditable);
        EXPECT_EQ(pCell->childCount(), c.nChildren);
        EXPECT_EQ(pCell->textInterface() != nullptr, c.nRow >= 0);
    }
    // A choice picked, a text that is no choice refused, a value typed.
    QAccessibleInterface* pCombo = AccessibleCell(*pGrid, 0, 1);
    pCombo->child(0)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(pSide->text(), QStringLiteral("Top"));
    EXPECT_TRUE(pCombo->child(0)->state().selected);
    pCombo->editableTextInterface()->replaceText(0, 3, QStringLiteral("bottom"));
    EXPECT_EQ(pSide->text(), QStringLiteral("Bottom"));
    pCombo->editableTextInterface()->replaceText(0, 6, QStringLiteral("Left"));
    EXPECT_EQ(pSide->text(), QStringLiteral("Bottom"));
    QAccessibleInterface* pValue = AccessibleCell(*pGrid, 0, 2);
    pValue->editableTextInterface()->insertText(0, QStringLiteral("1.27"));
    EXPECT_EQ(model.item(0, 2)->text(), QStringLiteral("1.27"));
    EXPECT_EQ(pValue->textInterface()->text(0, 4), QStringLiteral("1.27"));
    EXPECT_EQ(AccessibleCell(*pGrid, 0, 0)->editableTextInterface(), nullptr);

    // The editor is named after its cell.
    pGrid->setCurrentIndex(model.index(0, 2));
    pGrid->edit(model.index(0, 2));
    QWidget* pEditor = pGrid->indexWidget(model.index(0, 2));
    ASSERT_NE(pEditor, nullptr);
    EXPECT_EQ(pEditor->accessibleName(), QStringLiteral("Value of SOIC8"));
    EXPECT_EQ(pEditor->accessibleDescription(), QStringLiteral("Row 1"));

    const auto labels = pTable->relations(QAccessible::Label);
    ASSERT_EQ(labels.size(), 1);
    EXPECT_EQ(labels.first().first->text(QAccessible::Name), QStringLiteral("Select:"));
    pGrid->setModel(new QStandardItemModel(0, 2, pGrid.get()));
    pGrid->SetEmptyHint(QStringLiteral("No footprint matches"));
    EXPECT_EQ(QAccessible::queryAccessibleInterface(pGrid.get())->text(QAccessible::Description),
              QStringLiteral("No footprint matches"));
}
