#include "GridBase.h"
#include "CellModel.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QStyledItemDelegate>

#include <limits>
#include <unordered_map>

namespace
{
// Grids created by class name, with their flag word.
std::unordered_map<const CGridBase*, quint16>& SelfDeletingGrids()
{
    static std::unordered_map<const CGridBase*, quint16> s_map;
    return s_map;
}

bool g_bGridLibraryReady = false;

class CGridDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QWidget* createEditor(QWidget* pParent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override
    {
        QWidget* pEditor = QStyledItemDelegate::createEditor(pParent, option, index);
        LiftEditorLimit(pEditor);
        return pEditor;
    }
};
} // namespace

void LiftEditorLimit(QWidget* pEditor)
{
    if (auto* pLine = qobject_cast<QLineEdit*>(pEditor))
        pLine->setMaxLength(std::numeric_limits<int>::max());
}

void GXInit(unsigned, const char*, const char*) { g_bGridLibraryReady = true; }
bool GXIsInitialized() { return g_bGridLibraryReady; }

CGridBase::CGridBase(QWidget* pParent) : QTableView(pParent), m_pCells(new CCellModel(this))
{
    setModel(m_pCells);
    setItemDelegate(new CGridDelegate(this));
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    horizontalHeader()->setSectionsClickable(false);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->viewport()->installEventFilter(this);
    connect(horizontalHeader(), &QHeaderView::sectionDoubleClicked, this,
            &CGridBase::OnHeaderDoubleClicked);
    setTabKeyNavigation(false);
    setWordWrap(false);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked |
                    QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
    EnableSelection(0);
}

CGridBase::~CGridBase() { SelfDeletingGrids().erase(this); }

QString CGridBase::GetValueRowCol(quint32 nRow, int nCol) const
{
    QAbstractItemModel* pModel = model();
    if (!pModel || nCol <= 0 || nCol > pModel->columnCount())
        return {};
    if (nRow == 0)
        return pModel->headerData(nCol - 1, Qt::Horizontal, Qt::DisplayRole).toString();
    if (nRow > quint32(pModel->rowCount()))
        return {};
    return pModel->data(pModel->index(int(nRow - 1), nCol - 1), Qt::DisplayRole).toString();
}

void CGridBase::EnableSelection(int nFlags)
{
    m_bRangeSelection = nFlags != 0;
    if (m_bRangeSelection)
    {
        setSelectionMode(QAbstractItemView::ExtendedSelection);
        setSelectionBehavior(QAbstractItemView::SelectRows);
    }
    else
    {
        // Without range selection the highlight simply follows the current cell.
        setSelectionMode(QAbstractItemView::SingleSelection);
        setSelectionBehavior(QAbstractItemView::SelectItems);
    }
}

void CGridBase::SetMinTrackColWidth(int nWidth) { horizontalHeader()->setMinimumSectionSize(nWidth); }

void CGridBase::EnableMoveCols(bool bMove) { horizontalHeader()->setSectionsMovable(bMove); }

void CGridBase::HideCols(int nFrom, int nTo, bool bHide)
{
    for (int c = nFrom; c <= nTo; ++c)
    {
        if (c == 0)
            verticalHeader()->setVisible(!bHide);
        else
            setColumnHidden(c - 1, bHide);
    }
}

void CGridBase::SetColWidth(int nFrom, int nTo, int nWidth)
{
    for (int c = std::max(1, nFrom); c <= nTo; ++c)
        setColumnWidth(c - 1, nWidth);
}

void CGridBase::SetCurrentCell(quint32 nRow, int nCol)
{
    QAbstractItemModel* pModel = model();
    if (!pModel || nRow == 0 || nCol <= 0 || nRow > quint32(pModel->rowCount()))
        return;
    setCurrentIndex(pModel->index(int(nRow - 1), nCol - 1));
}

void CGridBase::SetRowCount(int nRows) { m_pCells->SetRowCount(nRows); }
void CGridBase::SetColCount(int nCols) { m_pCells->SetColCount(nCols); }

void CGridBase::SetValueRange(quint32 nRow, int nCol, const QString& strText)
{
    if (nRow == 0)
        m_pCells->SetHeader(nCol - 1, strText);
    else
        m_pCells->SetValue(int(nRow - 1), nCol - 1, strText);
}

void CGridBase::SetStyleRange(quint32 nRow, int nCol, const CGridStyle& style)
{
    // Header cells are never editable; only data cells carry styles.
    if (nRow > 0)
        m_pCells->SetStyle(int(nRow - 1), nCol - 1, style);
}

QList<quint32> CGridBase::GetSelectedRows() const
{
    QList<quint32> rows;
    if (selectionModel())
    {
        for (const QModelIndex& idx : selectionModel()->selectedRows())
            rows.append(quint32(idx.row() + 1));
        std::sort(rows.begin(), rows.end());
    }
    if (rows.isEmpty() && currentIndex().isValid())
        rows.append(quint32(currentIndex().row() + 1));
    return rows;
}

void CGridBase::CommitPendingEdit()
{
    if (state() != QAbstractItemView::EditingState)
        return;
    if (QWidget* pEditor = indexWidget(currentIndex()))
    {
        commitData(pEditor);
        closeEditor(pEditor, QAbstractItemDelegate::NoHint);
        return;
    }
    QWidget* pFocus = QApplication::focusWidget();
    if (pFocus && pFocus != this && isAncestorOf(pFocus))
    {
        commitData(pFocus);
        closeEditor(pFocus, QAbstractItemDelegate::NoHint);
    }
}

void CGridBase::DestroyWindow()
{
    hide();
    PostNcDestroy();
}

void CGridBase::PostNcDestroy()
{
    auto& map = SelfDeletingGrids();
    auto it = map.find(this);
    if (it == map.end())
        return;
    map.erase(it);
    delete this;
}

void CGridBase::MarkSelfDeleting(CGridBase* pGrid) { SelfDeletingGrids()[pGrid] = 1; }

bool CGridBase::IsSelfDeleting(const CGridBase* pGrid)
{
    return SelfDeletingGrids().count(pGrid) != 0;
}

bool CGridBase::IsShiftHeld() const
{
    const Qt::KeyboardModifiers mods =
        m_eventModifiers ? *m_eventModifiers : QGuiApplication::keyboardModifiers();
    return mods.testFlag(Qt::ShiftModifier);
}

void CGridBase::OnMovedCurrentCell(quint32 nRow, int)
{
    if (m_bRangeSelection && !m_bKeepSelection && !IsSelectingCells() && !IsShiftHeld() &&
        selectionModel())
        selectionModel()->clearSelection();
    if (nRow != 0)
        m_nSelRow = nRow;
}

bool CGridBase::OnLButtonClickedRowCol(quint32 nRow, int, Qt::KeyboardModifiers, QPoint)
{
    if (nRow != 0)
        m_nSelRow = nRow;
    return true;
}

bool CGridBase::OnLButtonDblClkRowCol(quint32, int, Qt::KeyboardModifiers, QPoint)
{
    return false;
}

void CGridBase::SortRows(int nCol, Qt::SortOrder order)
{
    if (model())
        model()->sort(nCol - 1, order);
}

void CGridBase::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    QTableView::currentChanged(current, previous);
    if (current.isValid())
        OnMovedCurrentCell(quint32(current.row() + 1), current.column() + 1);
}

QItemSelectionModel::SelectionFlags CGridBase::selectionCommand(const QModelIndex& index,
                                                                const QEvent* pEvent) const
{
    // A current-cell move that is neither a mouse selection nor made with
    // Shift clears the row selection instead of selecting the new row.
    const bool bMouse = pEvent && (pEvent->type() == QEvent::MouseButtonPress ||
                                   pEvent->type() == QEvent::MouseMove ||
                                   pEvent->type() == QEvent::MouseButtonRelease ||
                                   pEvent->type() == QEvent::MouseButtonDblClick);
    if (m_bRangeSelection && !bMouse && !m_bKeepSelection && !IsSelectingCells() && !IsShiftHeld())
        return QItemSelectionModel::Clear;
    return QTableView::selectionCommand(index, pEvent);
}

void CGridBase::mousePressEvent(QMouseEvent* pEvent)
{
    m_eventModifiers = pEvent->modifiers();
    m_bMouseSelecting = pEvent->button() == Qt::LeftButton;
    QTableView::mousePressEvent(pEvent);
    const QModelIndex idx = indexAt(pEvent->position().toPoint());
    if (pEvent->button() == Qt::LeftButton && idx.isValid())
        OnLButtonClickedRowCol(quint32(idx.row() + 1), idx.column() + 1, pEvent->modifiers(),
                               pEvent->position().toPoint());
    m_eventModifiers.reset();
}

void CGridBase::mouseReleaseEvent(QMouseEvent* pEvent)
{
    QTableView::mouseReleaseEvent(pEvent);
    m_bMouseSelecting = false;
}

void CGridBase::mouseDoubleClickEvent(QMouseEvent* pEvent)
{
    const QModelIndex idx = indexAt(pEvent->position().toPoint());
    if (pEvent->button() == Qt::LeftButton && idx.isValid())
    {
        // A handled double-click does not also open the cell editor.
        if (OnLButtonDblClkRowCol(quint32(idx.row() + 1), idx.column() + 1, pEvent->modifiers(),
                                  pEvent->position().toPoint()))
            return;
    }
    QTableView::mouseDoubleClickEvent(pEvent);
}

void CGridBase::keyPressEvent(QKeyEvent* pEvent)
{
    m_eventModifiers = pEvent->modifiers();
    QTableView::keyPressEvent(pEvent);
    m_eventModifiers.reset();
}

bool CGridBase::eventFilter(QObject* pWatched, QEvent* pEvent)
{
    if (pWatched == horizontalHeader()->viewport() && pEvent->type() == QEvent::MouseButtonDblClick)
    {
        auto* pMouse = static_cast<QMouseEvent*>(pEvent);
        if (pMouse->button() == Qt::LeftButton)
        {
            const int nLogical = horizontalHeader()->logicalIndexAt(pMouse->position().toPoint());
            // Row 0 is the header: the double-click notification says so and changes nothing.
            OnLButtonDblClkRowCol(0, nLogical + 1, pMouse->modifiers(), pMouse->position().toPoint());
        }
    }
    return QTableView::eventFilter(pWatched, pEvent);
}

void CGridBase::OnHeaderDoubleClicked(int nLogical)
{
    if (!m_bSortOnDblClk || nLogical < 0)
        return;
    const int nCol = nLogical + 1;
    m_sortOrder = (nCol == m_nSortCol && m_sortOrder == Qt::AscendingOrder) ? Qt::DescendingOrder
                                                                           : Qt::AscendingOrder;
    m_nSortCol = nCol;
    // The remembered row is a row number: it stays where it was while the
    // rows move under it, and the current cell is put back on it.
    const quint32 nKeep = m_nSelRow;
    const int nCurCol = currentIndex().isValid() ? currentIndex().column() : 0;
    SortRows(nCol, m_sortOrder);
    m_nSelRow = nKeep;
    if (model() && selectionModel() && nKeep >= 1 && nKeep <= quint32(model()->rowCount()))
    {
        m_bKeepSelection = true;
        selectionModel()->setCurrentIndex(model()->index(int(nKeep - 1), nCurCol),
                                          m_bRangeSelection ? QItemSelectionModel::NoUpdate
                                                            : QItemSelectionModel::ClearAndSelect);
        m_bKeepSelection = false;
    }
    Q_EMIT rowsSorted(nCol, m_sortOrder);
}
