// SPDX-License-Identifier: MIT
#pragma once

#include "ui/UiExport.h"

#include <QTableView>

#include <optional>

class QKeyEvent;
class QPainter;

namespace physprops::ui
{
class CCellModel;
struct CGridStyle;

// The chores every grid of the module shares: the remembered row, the
// current-cell and click rules, header double-click sorting and column
// limits. Rows and columns count as the user sees them: row 0 is the
// header, data rows start at 1; column 0 is the (hidden) row header.
class PHYSPROPS_UI_EXPORT CGridBase : public QTableView
{
    Q_OBJECT
public:
    explicit CGridBase(QWidget* pParent = nullptr);
    ~CGridBase() override;

    // The row every owning dialog acts on; starts at 1, never set to 0 by the grid.
    quint32 m_nSelRow = 1;
    quint32 GetSelRow() const { return m_nSelRow; }
    void SetSelRow(quint32 nRow) { m_nSelRow = nRow; }

    // Text of a cell; row 0 gives the header text, missing cells give "".
    QString GetValueRowCol(quint32 nRow, int nCol) const;

    // Behaviour switches.
    void EnableSelection(int nFlags); // 0: current cell only; otherwise several whole rows
    bool IsRangeSelectionEnabled() const { return m_bRangeSelection; }
    void SetSortRowsOnDblClk(bool bSort) { m_bSortOnDblClk = bSort; }
    // Widths are pixels of the default font; see FontScaledWidth.
    void SetMinTrackColWidth(int nWidth);
    void EnableMoveCols(bool bMove);
    void HideCols(int nFrom, int nTo, bool bHide = true);
    void SetColWidth(int nFrom, int nTo, int nWidth);
    void SetCurrentCell(quint32 nRow, int nCol);

    // The cell table behind the property and location grids.
    void SetRowCount(int nRows);
    void SetColCount(int nCols);
    void SetValueRange(quint32 nRow, int nCol, const QString& strText);
    void SetStyleRange(quint32 nRow, int nCol, const CGridStyle& style);

    // Selected data rows in selection order; the current cell's row when
    // nothing is selected.
    QList<quint32> GetSelectedRows() const;
    // True while a cell's editor is open.
    bool IsEditing() const { return state() == EditingState; }
    // True while the user drags out a selection with the mouse.
    bool IsSelectingCells() const { return m_bMouseSelecting; }
    // Stores an edit still open in a cell, so the owner reads what the user typed.
    void CommitPendingEdit();
    // What the cell's open text editor holds, not stored yet; none when the
    // cell is not being edited.
    std::optional<QString> GetEditText(quint32 nRow, int nCol) const;

    // A cell whose model offers choices (kChoicesRole) is a drop-down.
    static bool IsChoiceCell(const QModelIndex& index);
    // Makes an editable drop-down cell current, opens its editor and shows
    // its list, as a click on a closed combo box would; false for any other
    // cell.
    bool OpenChoiceList(const QModelIndex& index);

    // Moves the current cell to index as a move with Ctrl does: the row
    // selection is not cleared, and command says what becomes of the new
    // row's (NoUpdate leaves it). The remembered row follows.
    void MoveCurrentKeepingSelection(const QModelIndex& index,
                                     QItemSelectionModel::SelectionFlags command);

    // Ends the grid's window; a grid created by class name deletes itself.
    void DestroyWindow();

    // Notifications, in the grid's own row and column numbers.
    virtual void OnMovedCurrentCell(quint32 nRow, int nCol);
    virtual bool OnLButtonClickedRowCol(quint32 nRow, int nCol, Qt::KeyboardModifiers flags,
                                        QPoint pt);
    virtual bool OnLButtonDblClkRowCol(quint32 nRow, int nCol, Qt::KeyboardModifiers flags,
                                       QPoint pt);
    // Header double-click: sort the data rows by that column.
    virtual void SortRows(int nCol, Qt::SortOrder order);
    // Forgets the last header sort, for owners that refill the rows in their
    // own order: the next double-click sorts ascending, and no column shows
    // a sort indicator.
    void ResetSortState();

    // A short text drawn in the empty grid, saying why it has no rows; an
    // empty text draws nothing.
    void SetEmptyHint(const QString& strHint);
    QString EmptyHint() const { return m_strEmptyHint; }

Q_SIGNALS:
    // The text being typed into a cell changed; the cell keeps its value
    // until the edit is stored.
    void editTextChanged(quint32 nRow, int nCol, const QString& strText);

protected:
    virtual void PostNcDestroy();

    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* pEvent) const override;
    void mousePressEvent(QMouseEvent* pEvent) override;
    void mouseReleaseEvent(QMouseEvent* pEvent) override;
    void mouseDoubleClickEvent(QMouseEvent* pEvent) override;
    void keyPressEvent(QKeyEvent* pEvent) override;
    void paintEvent(QPaintEvent* pEvent) override;
    void focusInEvent(QFocusEvent* pEvent) override;
    void focusOutEvent(QFocusEvent* pEvent) override;
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

    bool IsShiftHeld() const;
    bool IsCtrlHeld() const;

    // Registry of grids created by class name, which delete themselves.
    static void MarkSelfDeleting(CGridBase* pGrid);

private:
    void OnHeaderDoubleClicked(int nLogical);
    void PaintCurrentRowFrame(QPainter& painter) const;
    // Repaints a whole row (0-based), where the view would repaint one cell.
    void UpdateRow(int nRow);

    CCellModel* m_pCells;
    bool m_bRangeSelection = false;
    bool m_bSortOnDblClk = false;
    bool m_bMouseSelecting = false;
    bool m_bKeepSelection = false;
    int m_nSortCol = -1;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
    std::optional<Qt::KeyboardModifiers> m_eventModifiers;
    QString m_strEmptyHint;
};

// Whether a key press types text (printable characters, no Ctrl, Alt or
// Meta) rather than moving, choosing or commanding.
PHYSPROPS_UI_EXPORT bool TypesText(const QKeyEvent& key);

// Lets a cell's line editor hold a text of any length; its default limit
// (32,767 characters) would cut a longer value as soon as the cell is edited.
// Other editors are left alone.
PHYSPROPS_UI_EXPORT void LiftEditorLimit(QWidget* pEditor);
} // namespace physprops::ui

// The grid library's start-up call; the grids need nothing from it, but the
// module makes it once, as hosts expect.
PHYSPROPS_UI_EXPORT void GXInit(unsigned nFlags, const char* pszA, const char* pszB);

namespace physprops::ui
{
// Whether GXInit has run.
PHYSPROPS_UI_EXPORT bool GXIsInitialized();
} // namespace physprops::ui
