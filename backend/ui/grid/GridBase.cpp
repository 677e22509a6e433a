// SPDX-License-Identifier: MIT
#include "grid/GridBase.h"
#include "common/Modal.h"
#include "grid/CellModel.h"
#include "grid/ComboBoxDelegate.h"
#include "grid/GridAccessible.h"
#include "grid/GridRegistry.h"
#include "grid/ItemRoles.h"

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QScopedValueRollback>
#include <QTextOption>

#include <algorithm>
#include <limits>

namespace physprops::ui
{
namespace
{
bool IsMoveKey(int nKey)
{
    switch (nKey)
    {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        return true;
    default:
        return false;
    }
}

bool IsMouseEvent(const QEvent* pEvent)
{
    if (!pEvent)
        return false;
    switch (pEvent->type())
    {
    case QEvent::MouseButtonPress:
    case QEvent::MouseMove:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
        return true;
    default:
        return false;
    }
}

} // namespace

bool TypesText(const QKeyEvent& key)
{
    const QString strText = key.text();
    if (strText.isEmpty() ||
        (key.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)))
        return false;
    return std::all_of(strText.cbegin(), strText.cend(),
                       [](QChar c) { return c.isPrint() || c.isSurrogate(); });
}

void LiftEditorLimit(QWidget* pEditor)
{
    if (auto* pLine = qobject_cast<QLineEdit*>(pEditor))
        pLine->setMaxLength(std::numeric_limits<int>::max());
}

CGridBase::CGridBase(QWidget* pParent) : QTableView(pParent), m_pCells(new CCellModel(this))
{
    InstallGridAccessibility();
    setModel(m_pCells);
    auto* pDelegate = new CComboBoxDelegate(this);
    setItemDelegate(pDelegate);
    connect(pDelegate, &CComboBoxDelegate::editTextChanged, this,
            [this](const QModelIndex& index, const QString& strText)
            {
                if (index.isValid())
                    Q_EMIT editTextChanged(quint32(index.row() + 1), index.column() + 1, strText);
            });
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

CGridBase::~CGridBase()
{
    ForgetSelfDeletingGrid(this);
}

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

void CGridBase::SetMinTrackColWidth(int nWidth)
{
    horizontalHeader()->setMinimumSectionSize(FontScaledWidth(nWidth, *this));
}

void CGridBase::EnableMoveCols(bool bMove)
{
    horizontalHeader()->setSectionsMovable(bMove);
}

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
    // Widths grow with the font; a header text never gets cut.
    const int nScaled = FontScaledWidth(nWidth, *this);
    for (int c = std::max(1, nFrom); c <= nTo; ++c)
        setColumnWidth(c - 1, std::max(nScaled, horizontalHeader()->sectionSizeHint(c - 1)));
}

void CGridBase::SetCurrentCell(quint32 nRow, int nCol)
{
    QAbstractItemModel* pModel = model();
    if (!pModel || nRow == 0 || nCol <= 0 || nRow > quint32(pModel->rowCount()))
        return;
    setCurrentIndex(pModel->index(int(nRow - 1), nCol - 1));
}

void CGridBase::SetRowCount(int nRows)
{
    m_pCells->SetRowCount(nRows);
}
void CGridBase::SetColCount(int nCols)
{
    m_pCells->SetColCount(nCols);
}

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

std::optional<QString> CGridBase::GetEditText(quint32 nRow, int nCol) const
{
    const QAbstractItemModel* pModel = model();
    if (!pModel || nRow == 0 || nCol <= 0)
        return std::nullopt;
    const auto* pLine =
        qobject_cast<const QLineEdit*>(indexWidget(pModel->index(int(nRow - 1), nCol - 1)));
    if (!pLine)
        return std::nullopt;
    return pLine->text();
}

void CGridBase::MoveCurrentKeepingSelection(const QModelIndex& index,
                                            QItemSelectionModel::SelectionFlags command)
{
    if (!selectionModel())
        return;
    const QScopedValueRollback keep(m_bKeepSelection, true);
    selectionModel()->setCurrentIndex(index, command);
}

bool CGridBase::IsChoiceCell(const QModelIndex& index)
{
    return index.isValid() && !index.data(kChoicesRole).toStringList().isEmpty();
}

bool CGridBase::OpenChoiceList(const QModelIndex& index)
{
    if (!IsChoiceCell(index) || !index.flags().testFlag(Qt::ItemIsEditable) || !selectionModel())
        return false;
    // Along the current row the selection stays; see currentChanged.
    if (currentIndex() != index)
        selectionModel()->setCurrentIndex(index, m_bRangeSelection
                                                     ? QItemSelectionModel::NoUpdate
                                                     : QItemSelectionModel::ClearAndSelect);
    if (!indexWidget(index) && !edit(index, QAbstractItemView::AllEditTriggers, nullptr))
        return false;
    auto* pCombo = qobject_cast<QComboBox*>(indexWidget(index));
    if (!pCombo)
        return false;
    pCombo->setFocus(Qt::OtherFocusReason);
    pCombo->showPopup();
    return true;
}

void CGridBase::DestroyWindow()
{
    hide();
    PostNcDestroy();
}

void CGridBase::PostNcDestroy()
{
    // A grid its dialog owns is left to the dialog.
    if (ForgetSelfDeletingGrid(this))
        delete this;
}

void CGridBase::MarkSelfDeleting(CGridBase* pGrid)
{
    MarkSelfDeletingGrid(pGrid);
}

bool CGridBase::IsShiftHeld() const
{
    const Qt::KeyboardModifiers mods =
        m_eventModifiers ? *m_eventModifiers : QGuiApplication::keyboardModifiers();
    return mods.testFlag(Qt::ShiftModifier);
}

// Only the key or click being handled counts: Ctrl held while the owner
// refills the grid (pasting into a filter box) is no request of the grid's.
bool CGridBase::IsCtrlHeld() const
{
    return m_eventModifiers && m_eventModifiers->testFlag(Qt::ControlModifier);
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
    // The table view would tell assistive technology that the new cell has
    // the focus even while the keys are elsewhere (a filter box refilling
    // the grid): only a grid that has the focus says so.
    QAbstractItemView::currentChanged(current, previous); // NOLINT(bugprone-parent-virtual-call)
    if (!current.isValid())
        return;
    if (hasFocus())
        NotifyCellFocus(*this);
    // Selections are of whole rows: moving along the row, or with Ctrl,
    // leaves them as they are, so a scattered selection survives the way
    // to the "Type" column and from one chosen row to the next.
    const bool bSameRow = previous.isValid() && previous.row() == current.row();
    const QScopedValueRollback keep(m_bKeepSelection, m_bKeepSelection || bSameRow || IsCtrlHeld());
    OnMovedCurrentCell(quint32(current.row() + 1), current.column() + 1);
    // The current-row frame leaves one row and goes round another.
    if (m_bRangeSelection)
    {
        if (previous.isValid())
            UpdateRow(previous.row());
        UpdateRow(current.row());
    }
}

void CGridBase::focusInEvent(QFocusEvent* pEvent)
{
    QTableView::focusInEvent(pEvent);
    // After the grid's own focus notice, which follows this event: the
    // current cell is where a screen reader's focus ends.
    QMetaObject::invokeMethod(
        this,
        [this]
        {
            if (hasFocus())
                NotifyCellFocus(*this);
        },
        Qt::QueuedConnection);
    if (m_bRangeSelection && currentIndex().isValid())
        UpdateRow(currentIndex().row());
}

void CGridBase::focusOutEvent(QFocusEvent* pEvent)
{
    QTableView::focusOutEvent(pEvent);
    if (m_bRangeSelection && currentIndex().isValid())
        UpdateRow(currentIndex().row());
}

void CGridBase::UpdateRow(int nRow)
{
    viewport()->update(QRect(0, rowViewportPosition(nRow), viewport()->width(), rowHeight(nRow)));
}

QItemSelectionModel::SelectionFlags CGridBase::selectionCommand(const QModelIndex& index,
                                                                const QEvent* pEvent) const
{
    if (!m_bRangeSelection || IsMouseEvent(pEvent) || m_bKeepSelection || IsSelectingCells())
        return QTableView::selectionCommand(index, pEvent);
    if (pEvent && pEvent->type() == QEvent::KeyPress)
    {
        const auto* pKey = static_cast<const QKeyEvent*>(pEvent);
        if (pKey->modifiers().testFlag(Qt::ControlModifier) && IsMoveKey(pKey->key()))
            return QItemSelectionModel::NoUpdate;
        const QModelIndex current = currentIndex();
        if (!pKey->modifiers().testFlag(Qt::ShiftModifier) && current.isValid() &&
            index.row() == current.row())
            return QItemSelectionModel::NoUpdate;
    }
    // Any other move that is not made with Shift clears the row selection
    // instead of selecting the new row.
    if (!IsShiftHeld())
        return QItemSelectionModel::Clear;
    return QTableView::selectionCommand(index, pEvent);
}

void CGridBase::mousePressEvent(QMouseEvent* pEvent)
{
    const QModelIndex idx = indexAt(pEvent->position().toPoint());
    // On the current row a drop-down cell is a closed combo box: one plain
    // click opens its list and leaves the selection as it is. On another
    // row the click first moves the current cell, as on any cell.
    if (pEvent->button() == Qt::LeftButton && pEvent->modifiers() == Qt::NoModifier &&
        idx.isValid() && currentIndex().isValid() && currentIndex().row() == idx.row() &&
        OpenChoiceList(idx))
    {
        OnLButtonClickedRowCol(quint32(idx.row() + 1), idx.column() + 1, pEvent->modifiers(),
                               pEvent->position().toPoint());
        pEvent->accept();
        return;
    }
    m_eventModifiers = pEvent->modifiers();
    m_bMouseSelecting = pEvent->button() == Qt::LeftButton;
    QTableView::mousePressEvent(pEvent);
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
    const QModelIndex current = currentIndex();
    const Qt::KeyboardModifiers mods = pEvent->modifiers() & ~Qt::KeypadModifier;
    const bool bSpace = pEvent->key() == Qt::Key_Space;
    // A drop-down cell opens its list with the keys of a closed combo box.
    if (((bSpace && mods == Qt::NoModifier) ||
         (pEvent->key() == Qt::Key_Down && mods == Qt::AltModifier)) &&
        OpenChoiceList(current))
    {
        pEvent->accept();
        return;
    }
    // Space toggles the current row where it chooses nothing; Ctrl+Space
    // everywhere, also on a cell that a key would start editing.
    if (m_bRangeSelection && bSpace && selectionModel() && current.isValid() &&
        (mods == Qt::ControlModifier || (mods == Qt::NoModifier && !IsChoiceCell(current))))
    {
        selectionModel()->select(current, QItemSelectionModel::Toggle | QItemSelectionModel::Rows);
        pEvent->accept();
        return;
    }
    m_eventModifiers = pEvent->modifiers();
    QTableView::keyPressEvent(pEvent);
    m_eventModifiers.reset();
}

void CGridBase::SetEmptyHint(const QString& strHint)
{
    if (strHint == m_strEmptyHint)
        return;
    m_strEmptyHint = strHint;
    viewport()->update();
    // Assistive technology reads the hint as the grid's description.
    if (QAccessible::isActive())
    {
        QAccessibleEvent event(this, QAccessible::DescriptionChanged);
        QAccessible::updateAccessibility(&event);
    }
}

void CGridBase::paintEvent(QPaintEvent* pEvent)
{
    QTableView::paintEvent(pEvent);
    if (!model())
        return;
    if (model()->rowCount() == 0)
    {
        if (m_strEmptyHint.isEmpty())
            return;
        QPainter painter(viewport());
        // Where the first row would stand; a long text wraps, even inside a word.
        const int nMargin = verticalHeader()->defaultSectionSize() / 2;
        const QRect area = viewport()->rect().adjusted(nMargin, nMargin, -nMargin, -nMargin);
        QTextOption option(Qt::AlignHCenter | Qt::AlignTop);
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        painter.setPen(palette().color(QPalette::PlaceholderText));
        painter.drawText(QRectF(area), m_strEmptyHint, option);
        return;
    }
    if (m_bRangeSelection)
    {
        QPainter painter(viewport());
        PaintCurrentRowFrame(painter);
    }
}

// With several rows selectable, the current row need not be selected; a
// frame shows which row the keyboard is on (and which OK takes when nothing
// is selected), whether or not the grid has the focus.
void CGridBase::PaintCurrentRowFrame(QPainter& painter) const
{
    const QModelIndex current = currentIndex();
    if (!current.isValid() || isRowHidden(current.row()))
        return;
    const QRect row(-horizontalOffset(), rowViewportPosition(current.row()),
                    horizontalHeader()->length(), rowHeight(current.row()));
    const bool bSelected = selectionModel() && selectionModel()->isRowSelected(current.row(), {});
    // Bolder while the keys act on the grid.
    const int nWidth = hasFocus() ? 2 : 1;
    painter.setPen(
        QPen(palette().color(bSelected ? QPalette::HighlightedText : QPalette::Highlight), nWidth,
             Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(
        QRectF(row).adjusted(nWidth / 2.0, nWidth / 2.0, -nWidth / 2.0, -nWidth / 2.0));
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
            OnLButtonDblClkRowCol(0, nLogical + 1, pMouse->modifiers(),
                                  pMouse->position().toPoint());
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
    if (model() && nKeep >= 1 && nKeep <= quint32(model()->rowCount()))
        MoveCurrentKeepingSelection(model()->index(int(nKeep - 1), nCurCol),
                                    m_bRangeSelection ? QItemSelectionModel::NoUpdate
                                                      : QItemSelectionModel::ClearAndSelect);
    // The header shows which column the rows are sorted by, and which way.
    horizontalHeader()->setSortIndicator(nLogical, m_sortOrder);
    horizontalHeader()->setSortIndicatorShown(true);
}

void CGridBase::ResetSortState()
{
    m_nSortCol = -1;
    m_sortOrder = Qt::AscendingOrder;
    horizontalHeader()->setSortIndicatorShown(false);
}
} // namespace physprops::ui
