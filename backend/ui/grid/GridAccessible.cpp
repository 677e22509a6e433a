// SPDX-License-Identifier: MIT
#include "grid/GridAccessible.h"
#include "grid/GridBase.h"
#include "grid/GridCellAccessible.h"
#include "grid/ItemRoles.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QHash>
#include <QHeaderView>
#include <QLabel>
#include <QPointer>

#include <algorithm>

namespace physprops::ui
{
namespace
{
using detail::CCellIface;
using detail::CGridRowActions;

// The grid: a table whose children are its header cells, then its data
// cells row by row. Cells are made when asked for and kept until the rows
// or columns change.
class CGridIface final : public QAccessibleWidget, public QAccessibleTableInterface
{
public:
    explicit CGridIface(CGridBase* pGrid) : QAccessibleWidget(pGrid, QAccessible::Table) {}
    ~CGridIface() override { DropCells(); }

    CGridBase* Grid() const { return static_cast<CGridBase*>(widget()); }

    QAccessibleInterface* CellAt(int nRow, int nCol) const
    {
        if (nRow < -1 || nRow >= rowCount() || nCol < 0 || nCol >= columnCount())
            return nullptr;
        const qint64 nKey = (qint64(nRow + 1) << 32) | quint32(nCol);
        auto it = m_cells.constFind(nKey);
        if (it == m_cells.constEnd())
            it = m_cells.insert(
                nKey, QAccessible::registerAccessibleInterface(new CCellIface(Grid(), nRow, nCol)));
        return QAccessible::accessibleInterface(*it);
    }

    // QAccessibleInterface
    int childCount() const override { return (rowCount() + 1) * columnCount(); }
    QAccessibleInterface* child(int nIndex) const override
    {
        const int nCols = columnCount();
        if (nIndex < 0 || nCols == 0 || nIndex >= childCount())
            return nullptr;
        return CellAt(nIndex / nCols - 1, nIndex % nCols);
    }
    int indexOfChild(const QAccessibleInterface* pChild) const override
    {
        const QAccessibleTableCellInterface* pCell =
            pChild ? const_cast<QAccessibleInterface*>(pChild)->tableCellInterface() : nullptr;
        if (!pCell || pChild->parent() != this)
            return -1;
        return (pCell->rowIndex() + 1) * columnCount() + pCell->columnIndex();
    }
    QAccessibleInterface* childAt(int x, int y) const override
    {
        const QPoint inView = Grid()->viewport()->mapFromGlobal(QPoint(x, y));
        const QModelIndex idx = Grid()->indexAt(inView);
        if (idx.isValid())
            return CellAt(idx.row(), idx.column());
        const QHeaderView* pHeader = Grid()->horizontalHeader();
        const QPoint inHeader = pHeader->viewport()->mapFromGlobal(QPoint(x, y));
        if (pHeader->viewport()->rect().contains(inHeader))
            return CellAt(-1, pHeader->logicalIndexAt(inHeader));
        return nullptr;
    }
    QAccessibleInterface* focusChild() const override
    {
        // An open editor has the keys; otherwise the current cell does.
        QWidget* pFocus = QApplication::focusWidget();
        if (pFocus && pFocus != Grid() && Grid()->isAncestorOf(pFocus))
            return QAccessible::queryAccessibleInterface(pFocus);
        const QModelIndex current = Grid()->currentIndex();
        return current.isValid() ? CellAt(current.row(), current.column()) : nullptr;
    }
    QString text(QAccessible::Text t) const override
    {
        // The hint drawn in an empty grid is what it says about itself.
        if (t == QAccessible::Description && rowCount() == 0 && !Grid()->EmptyHint().isEmpty())
            return Grid()->EmptyHint();
        return QAccessibleWidget::text(t);
    }
    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        if (Grid()->IsRangeSelectionEnabled())
            s.multiSelectable = s.extSelectable = true;
        return s;
    }
    QList<QPair<QAccessibleInterface*, QAccessible::Relation>>
    relations(QAccessible::Relation match) const override
    {
        auto rels = QAccessibleWidget::relations(match);
        if (!(match & QAccessible::Label))
            return rels;
        // A label names the grid when the grid, or the window made for it
        // under its class name, is the label's buddy.
        const auto labels = Grid()->window()->findChildren<QLabel*>();
        for (QLabel* pLabel : labels)
        {
            QWidget* pBuddy = pLabel->buddy();
            if (!pBuddy || !(pBuddy == Grid() || pBuddy->isAncestorOf(Grid())))
                continue;
            QAccessibleInterface* pIface = QAccessible::queryAccessibleInterface(pLabel);
            const bool bKnown =
                std::any_of(rels.cbegin(), rels.cend(),
                            [pIface](const auto& rel) { return rel.first == pIface; });
            if (pIface && !bKnown)
                rels.append({pIface, QAccessible::Label});
        }
        return rels;
    }
    void* interface_cast(QAccessible::InterfaceType t) override
    {
        if (t == QAccessible::TableInterface)
            return static_cast<QAccessibleTableInterface*>(this);
        return QAccessibleWidget::interface_cast(t);
    }

    // QAccessibleTableInterface
    QAccessibleInterface* caption() const override { return nullptr; }
    QAccessibleInterface* summary() const override { return nullptr; }
    QAccessibleInterface* cellAt(int nRow, int nCol) const override
    {
        return nRow >= 0 ? CellAt(nRow, nCol) : nullptr;
    }
    int columnCount() const override
    {
        return Grid()->model() ? Grid()->model()->columnCount() : 0;
    }
    int rowCount() const override { return Grid()->model() ? Grid()->model()->rowCount() : 0; }
    int selectedCellCount() const override { return int(SelectedIndexes().size()); }
    int selectedColumnCount() const override { return int(selectedColumns().size()); }
    int selectedRowCount() const override { return int(selectedRows().size()); }
    QString columnDescription(int nCol) const override
    {
        return Grid()->model() ? Grid()->model()->headerData(nCol, Qt::Horizontal).toString()
                               : QString();
    }
    QString rowDescription(int) const override { return {}; }
    QList<QAccessibleInterface*> selectedCells() const override
    {
        QList<QAccessibleInterface*> cells;
        for (const QModelIndex& idx : SelectedIndexes())
            if (QAccessibleInterface* pCell = CellAt(idx.row(), idx.column()))
                cells.append(pCell);
        return cells;
    }
    QList<int> selectedColumns() const override
    {
        QList<int> cols;
        if (const QItemSelectionModel* pSel = Grid()->selectionModel())
            for (const QModelIndex& idx : pSel->selectedColumns())
                cols.append(idx.column());
        return cols;
    }
    QList<int> selectedRows() const override
    {
        QList<int> rows;
        if (const QItemSelectionModel* pSel = Grid()->selectionModel())
            for (const QModelIndex& idx : pSel->selectedRows())
                rows.append(idx.row());
        std::sort(rows.begin(), rows.end());
        return rows;
    }
    bool isColumnSelected(int nCol) const override
    {
        return Grid()->selectionModel() && Grid()->selectionModel()->isColumnSelected(nCol);
    }
    bool isRowSelected(int nRow) const override
    {
        return Grid()->selectionModel() && Grid()->selectionModel()->isRowSelected(nRow);
    }
    bool selectRow(int nRow) override
    {
        const QModelIndex current = Grid()->currentIndex();
        return CGridRowActions(*Grid()).MoveCurrent(nRow, current.isValid() ? current.column() : 0,
                                                    true);
    }
    bool selectColumn(int) override { return false; }
    bool unselectRow(int nRow) override { return CGridRowActions(*Grid()).UnselectRow(nRow); }
    bool unselectColumn(int) override { return false; }
    void modelChange(QAccessibleTableModelChangeEvent* pEvent) override
    {
        // Cells are known by position: any change of rows or columns makes
        // them new. A change of data leaves them, they read it when asked.
        if (pEvent->modelChangeType() != QAccessibleTableModelChangeEvent::DataChanged)
            DropCells();
    }

private:
    QModelIndexList SelectedIndexes() const
    {
        return Grid()->selectionModel() ? Grid()->selectionModel()->selectedIndexes()
                                        : QModelIndexList();
    }
    void DropCells()
    {
        const auto ids = m_cells.values();
        m_cells.clear();
        for (QAccessible::Id id : ids)
            QAccessible::deleteAccessibleInterface(id);
    }

    mutable QHash<qint64, QAccessible::Id> m_cells;
};

QAccessibleInterface* GridFactory(const QString&, QObject* pObject)
{
    // Asked for the most derived class first: every grid gets the table.
    if (auto* pGrid = qobject_cast<CGridBase*>(pObject))
        return new CGridIface(pGrid);
    return nullptr;
}
} // namespace

QAccessibleInterface* detail::GridCell(CGridBase* pGrid, int nRow, int nCol)
{
    auto* pIface = dynamic_cast<CGridIface*>(QAccessible::queryAccessibleInterface(pGrid));
    return pIface ? pIface->CellAt(nRow, nCol) : nullptr;
}

void InstallGridAccessibility()
{
    static const bool s_bInstalled = []
    {
        QAccessible::installFactory(&GridFactory);
        return true;
    }();
    Q_UNUSED(s_bInstalled);
}

int GridChildIndex(const CGridBase& grid, const QModelIndex& index)
{
    const int nCols = grid.model() ? grid.model()->columnCount() : 0;
    return (index.row() + 1) * nCols + index.column();
}

void NotifyCellFocus(CGridBase& grid)
{
    const QModelIndex current = grid.currentIndex();
    if (!QAccessible::isActive() || !current.isValid())
        return;
    QAccessibleEvent event(&grid, QAccessible::Focus);
    event.setChild(GridChildIndex(grid, current));
    QAccessible::updateAccessibility(&event);
}

bool CGridRowActions::MoveCurrent(int nRow, int nCol, bool bSelect) const
{
    QAbstractItemModel* pModel = m_grid.model();
    if (!pModel || !m_grid.selectionModel() || nRow < 0 || nRow >= pModel->rowCount())
        return false;
    const QModelIndex idx = pModel->index(nRow, std::clamp(nCol, 0, pModel->columnCount() - 1));
    if (!m_grid.IsRangeSelectionEnabled())
    {
        // As the arrow keys move it: the highlight follows the current cell.
        m_grid.setCurrentIndex(idx);
        return true;
    }
    m_grid.MoveCurrentKeepingSelection(idx, bSelect ? QItemSelectionModel::Select |
                                                          QItemSelectionModel::Rows
                                                    : QItemSelectionModel::NoUpdate);
    return true;
}

bool CGridRowActions::UnselectRow(int nRow) const
{
    QAbstractItemModel* pModel = m_grid.model();
    if (!m_grid.IsRangeSelectionEnabled() || !pModel || !m_grid.selectionModel() || nRow < 0 ||
        nRow >= pModel->rowCount())
        return false;
    m_grid.selectionModel()->select(pModel->index(nRow, 0),
                                    QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
    return true;
}

bool CGridRowActions::ToggleRow(int nRow, int nCol) const
{
    if (!m_grid.IsRangeSelectionEnabled() || !MoveCurrent(nRow, nCol, false))
        return false;
    m_grid.selectionModel()->select(m_grid.currentIndex(),
                                    QItemSelectionModel::Toggle | QItemSelectionModel::Rows);
    return true;
}

void NameCellEditor(QWidget* pEditor, const QModelIndex& index)
{
    if (!pEditor || !index.isValid())
        return;
    const QAbstractItemModel* pModel = index.model();
    const QString strColumn =
        pModel->headerData(index.column(), Qt::Horizontal, Qt::DisplayRole).toString();
    const QString strRow = pModel->index(index.row(), 0).data(Qt::DisplayRole).toString();
    pEditor->setAccessibleName(CGridSpeech::EditorName(strColumn, strRow));
    pEditor->setAccessibleDescription(CGridSpeech::EditorRow(index.row() + 1));
}
} // namespace physprops::ui
