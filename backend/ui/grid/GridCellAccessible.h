// SPDX-License-Identifier: MIT
#pragma once

// The accessible cells of a grid; only GridAccessible.cpp uses them.
#include "grid/GridAccessible.h"
#include "grid/GridBase.h"
#include "grid/ItemRoles.h"

#include <QAccessible>
#include <QHeaderView>
#include <QPointer>

#include <algorithm>

namespace physprops::ui::detail
{
// The cell (nRow, nCol) of the grid's accessible table; row -1 is the header.
QAccessibleInterface* GridCell(CGridBase* pGrid, int nRow, int nCol);

// What assistive technology asks of a grid's rows, in model rows and
// columns (from 0), done as keys would do it. The current cell moves, so the
// remembered row follows; a row selection is kept, as by a move with Ctrl.
class CGridRowActions
{
public:
    explicit CGridRowActions(CGridBase& grid) : m_grid(grid) {}

    // Makes (nRow, nCol) the current cell; bSelect adds the row to the
    // selection. False when the row does not exist.
    bool MoveCurrent(int nRow, int nCol, bool bSelect) const;
    // Takes the row out of the row selection; false without one.
    bool UnselectRow(int nRow) const;
    // Toggles the row's selection as Ctrl+click does; false without one.
    bool ToggleRow(int nRow, int nCol) const;

private:
    CGridBase& m_grid;
};

// One of a drop-down cell's choices: picking it makes it the cell's value.
class CChoiceIface final : public QAccessibleInterface, public QAccessibleActionInterface
{
public:
    CChoiceIface(CGridBase* pGrid, int nRow, int nCol, int nChoice)
        : m_pGrid(pGrid), m_nRow(nRow), m_nCol(nCol), m_nChoice(nChoice)
    {
    }

    bool isValid() const override { return !Text().isNull(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override
    {
        return m_pGrid ? m_pGrid->window()->windowHandle() : nullptr;
    }
    QAccessibleInterface* parent() const override
    {
        return m_pGrid ? GridCell(m_pGrid, m_nRow, m_nCol) : nullptr;
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QString text(QAccessible::Text t) const override
    {
        return t == QAccessible::Name ? Text() : QString();
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override
    {
        QAccessibleInterface* pCell = parent();
        return pCell ? pCell->rect() : QRect();
    }
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    QAccessible::State state() const override
    {
        QAccessible::State s;
        s.selectable = true;
        s.selected = isValid() && Index().data(Qt::EditRole).toString() == Text();
        return s;
    }
    void* interface_cast(QAccessible::InterfaceType t) override
    {
        return t == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this)
                                                 : nullptr;
    }

    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& strAction) override
    {
        if (strAction == pressAction() && isValid())
            m_pGrid->model()->setData(Index(), Text(), Qt::EditRole);
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

private:
    QModelIndex Index() const
    {
        return m_pGrid && m_pGrid->model() ? m_pGrid->model()->index(m_nRow, m_nCol)
                                           : QModelIndex();
    }
    QString Text() const
    {
        const QStringList choices = Index().data(kChoicesRole).toStringList();
        return m_nChoice < choices.size() ? choices.at(m_nChoice) : QString();
    }

    QPointer<CGridBase> m_pGrid;
    int m_nRow;
    int m_nCol;
    int m_nChoice;
};

// A cell of a grid, by model row and column; row -1 is the header row.
class CCellIface final : public QAccessibleInterface,
                         public QAccessibleTableCellInterface,
                         public QAccessibleActionInterface,
                         public QAccessibleTextInterface,
                         public QAccessibleEditableTextInterface
{
public:
    CCellIface(CGridBase* pGrid, int nRow, int nCol) : m_pGrid(pGrid), m_nRow(nRow), m_nCol(nCol) {}
    ~CCellIface() override
    {
        for (QAccessible::Id id : std::as_const(m_choices))
            QAccessible::deleteAccessibleInterface(id);
    }

    bool isValid() const override
    {
        const QAbstractItemModel* pModel = m_pGrid ? m_pGrid->model() : nullptr;
        return pModel && m_nCol < pModel->columnCount() && m_nRow < pModel->rowCount();
    }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override
    {
        return m_pGrid ? m_pGrid->window()->windowHandle() : nullptr;
    }
    QAccessibleInterface* parent() const override
    {
        return m_pGrid ? QAccessible::queryAccessibleInterface(m_pGrid) : nullptr;
    }
    QAccessibleInterface* child(int nIndex) const override
    {
        if (nIndex < 0 || nIndex >= childCount())
            return nullptr;
        while (m_choices.size() <= nIndex)
        {
            auto* pChoice = new CChoiceIface(m_pGrid, m_nRow, m_nCol, int(m_choices.size()));
            m_choices.append(QAccessible::registerAccessibleInterface(pChoice));
        }
        return QAccessible::accessibleInterface(m_choices.at(nIndex));
    }
    int childCount() const override { return int(Choices().size()); }
    int indexOfChild(const QAccessibleInterface* pChild) const override
    {
        for (qsizetype i = 0; i < m_choices.size(); ++i)
            if (QAccessible::accessibleInterface(m_choices.at(i)) == pChild)
                return int(i);
        return -1;
    }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QString text(QAccessible::Text t) const override
    {
        if (!isValid())
            return {};
        if (m_nRow < 0)
            return t == QAccessible::Name ? HeaderText() : QString();
        switch (t)
        {
        case QAccessible::Name:
        {
            const QString strShown = Index().data(Qt::DisplayRole).toString();
            return strShown.isEmpty() ? CGridSpeech::Empty() : strShown;
        }
        case QAccessible::Value:
            return Value();
        case QAccessible::Description:
            return Index().data(Qt::ToolTipRole).toString();
        default:
            return {};
        }
    }
    void setText(QAccessible::Text t, const QString& strText) override
    {
        if (t == QAccessible::Value)
            SetValue(strText);
    }
    QRect rect() const override
    {
        if (!isValid())
            return {};
        if (m_nRow < 0)
        {
            const QHeaderView* pHeader = m_pGrid->horizontalHeader();
            const QPoint at = pHeader->viewport()->mapToGlobal(
                QPoint(pHeader->sectionViewportPosition(m_nCol), 0));
            return {at, QSize(pHeader->sectionSize(m_nCol), pHeader->height())};
        }
        const QRect cell = m_pGrid->visualRect(Index());
        return {m_pGrid->viewport()->mapToGlobal(cell.topLeft()), cell.size()};
    }
    QAccessible::Role role() const override
    {
        if (m_nRow < 0)
            return QAccessible::ColumnHeader;
        return IsDropDown() ? QAccessible::ComboBox : QAccessible::Cell;
    }
    QAccessible::State state() const override
    {
        QAccessible::State s;
        if (!isValid())
        {
            s.invalid = true;
            return s;
        }
        s.invisible = !m_pGrid->isVisible() || m_pGrid->isColumnHidden(m_nCol) ||
                      (m_nRow >= 0 && m_pGrid->isRowHidden(m_nRow));
        if (m_nRow < 0)
            return s;
        const QModelIndex idx = Index();
        s.focusable = true;
        s.selectable = true;
        s.selected = m_pGrid->selectionModel() && m_pGrid->selectionModel()->isSelected(idx);
        s.focused = m_pGrid->hasFocus() && m_pGrid->currentIndex() == idx;
        if (IsDropDown())
            s.hasPopup = true;
        else if (IsEditable())
            s.editable = true;
        else
            s.readOnly = true;
        return s;
    }
    QList<QPair<QAccessibleInterface*, QAccessible::Relation>>
    relations(QAccessible::Relation match) const override
    {
        QList<QPair<QAccessibleInterface*, QAccessible::Relation>> rels;
        // The open editor is this cell's, named after it.
        if (isValid() && m_nRow >= 0 && (match & QAccessible::Controlled))
            if (QWidget* pEditor = m_pGrid->indexWidget(Index()))
                if (QAccessibleInterface* pIface = QAccessible::queryAccessibleInterface(pEditor))
                    rels.append({pIface, QAccessible::Controlled});
        return rels;
    }
    void* interface_cast(QAccessible::InterfaceType t) override
    {
        switch (t)
        {
        case QAccessible::TableCellInterface:
            return static_cast<QAccessibleTableCellInterface*>(this);
        case QAccessible::ActionInterface:
            return m_nRow >= 0 ? static_cast<QAccessibleActionInterface*>(this) : nullptr;
        case QAccessible::TextInterface:
            return m_nRow >= 0 ? static_cast<QAccessibleTextInterface*>(this) : nullptr;
        case QAccessible::EditableTextInterface:
            return m_nRow >= 0 && (IsEditable() || IsDropDown())
                       ? static_cast<QAccessibleEditableTextInterface*>(this)
                       : nullptr;
        default:
            return nullptr;
        }
    }

    // QAccessibleTableCellInterface
    bool isSelected() const override { return state().selected; }
    QList<QAccessibleInterface*> columnHeaderCells() const override
    {
        QAccessibleInterface* pHeader = m_pGrid ? GridCell(m_pGrid, -1, m_nCol) : nullptr;
        return pHeader ? QList<QAccessibleInterface*>{pHeader} : QList<QAccessibleInterface*>{};
    }
    QList<QAccessibleInterface*> rowHeaderCells() const override { return {}; }
    int columnIndex() const override { return m_nCol; }
    int rowIndex() const override { return m_nRow; }
    int columnExtent() const override { return 1; }
    int rowExtent() const override { return 1; }
    QAccessibleInterface* table() const override { return parent(); }

    // QAccessibleActionInterface
    QStringList actionNames() const override
    {
        QStringList names{setFocusAction()};
        if (m_pGrid && m_pGrid->IsRangeSelectionEnabled())
            names.append(toggleAction());
        return names;
    }
    void doAction(const QString& strAction) override
    {
        if (!isValid() || m_nRow < 0)
            return;
        if (strAction == setFocusAction())
        {
            CGridRowActions(*m_pGrid).MoveCurrent(m_nRow, m_nCol, false);
            m_pGrid->setFocus(Qt::OtherFocusReason);
        }
        else if (strAction == toggleAction())
            CGridRowActions(*m_pGrid).ToggleRow(m_nRow, m_nCol);
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

    // QAccessibleTextInterface: the cell's whole text, never selected.
    void selection(int, int* pStart, int* pEnd) const override { *pStart = *pEnd = 0; }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    QString text(int nStart, int nEnd) const override
    {
        return Value().mid(nStart, std::max(0, nEnd - nStart));
    }
    int characterCount() const override { return int(Value().size()); }
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint&) const override { return -1; }
    void scrollToSubstring(int, int) override
    {
        if (isValid() && m_nRow >= 0)
            m_pGrid->scrollTo(Index());
    }
    QString attributes(int, int* pStart, int* pEnd) const override
    {
        *pStart = 0;
        *pEnd = characterCount();
        return {};
    }

    // QAccessibleEditableTextInterface: stores the changed text as the
    // cell's value; a drop-down cell takes only one of its choices.
    void deleteText(int nStart, int nEnd) override { replaceText(nStart, nEnd, QString()); }
    void insertText(int nOffset, const QString& strText) override
    {
        replaceText(nOffset, nOffset, strText);
    }
    void replaceText(int nStart, int nEnd, const QString& strText) override
    {
        QString strValue = Value();
        nStart = std::clamp(nStart, 0, int(strValue.size()));
        nEnd = std::clamp(nEnd, nStart, int(strValue.size()));
        SetValue(strValue.replace(nStart, nEnd - nStart, strText));
    }

private:
    QModelIndex Index() const
    {
        return m_pGrid && m_pGrid->model() && m_nRow >= 0 ? m_pGrid->model()->index(m_nRow, m_nCol)
                                                          : QModelIndex();
    }
    QString HeaderText() const
    {
        return m_pGrid->model()->headerData(m_nCol, Qt::Horizontal, Qt::DisplayRole).toString();
    }
    QString Value() const { return Index().data(Qt::EditRole).toString(); }
    QStringList Choices() const
    {
        return m_nRow >= 0 ? Index().data(kChoicesRole).toStringList() : QStringList();
    }
    bool IsDropDown() const { return !Choices().isEmpty(); }
    bool IsEditable() const
    {
        return Index().flags().testFlag(Qt::ItemIsEditable) &&
               m_pGrid->editTriggers() != QAbstractItemView::NoEditTriggers;
    }
    void SetValue(const QString& strText)
    {
        if (!isValid() || m_nRow < 0)
            return;
        QString strStored = strText;
        if (IsDropDown())
        {
            const QStringList choices = Choices();
            const qsizetype nAt = choices.indexOf(strText.trimmed(), 0);
            qsizetype nFound = nAt;
            for (qsizetype i = 0; nFound < 0 && i < choices.size(); ++i)
                if (choices.at(i).compare(strText.trimmed(), Qt::CaseInsensitive) == 0)
                    nFound = i;
            if (nFound < 0)
                return; // not a choice: the cell keeps its value
            strStored = choices.at(nFound);
        }
        else if (!IsEditable())
            return;
        m_pGrid->model()->setData(Index(), strStored, Qt::EditRole);
    }

    QPointer<CGridBase> m_pGrid;
    int m_nRow;
    int m_nCol;
    mutable QList<QAccessible::Id> m_choices;
};

} // namespace physprops::ui::detail
