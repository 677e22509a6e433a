// SPDX-License-Identifier: MIT
#pragma once

#include <QApplication>
#include <QList>
#include <QModelIndex>
#include <QString>
#include <QStringList>
#include <QTableView>

class QAbstractButton;
class QComboBox;
class QWidget;

// Finding what a walkthrough step names among the dialogs on screen: by
// position for grids and cells, by the text shown (or its English source)
// for buttons and choices.
namespace host
{
class SourceTexts;

// The dialog a step acts on: the active modal one, else the first visible.
QWidget* TopDialog();

// The first visible grid in a dialog, or nullptr.
QTableView* GridOf(QWidget* pTop);

// The cell at args[nArg] (row) and args[nArg + 1] (column, 1 when missing),
// both counted from 1; false when the words are no numbers or out of range.
bool CellIndex(QTableView* pView, const QStringList& args, int nArg, QModelIndex& idx);

// The grid's shown columns, each "N Header" with the number a step gives it
// (hidden columns keep their numbers), joined by " | ".
QString ShownColumns(const QTableView* pView);

// Why a step cannot act on column nCol (counted from 1): it is hidden; empty
// when it is shown or out of range (told when the step acts).
QString HiddenColumn(const QTableView* pView, int nCol);

// The visible buttons in pTop that show strText, in the dialog's order.
QList<QAbstractButton*> ButtonsNamed(QWidget* pTop, const QString& strText,
                                     const SourceTexts& texts);

// The first of a drop-down's choices that shows strText, or -1.
int ChoiceNamed(const QComboBox* pCombo, const QString& strText, const SourceTexts& texts);

// A shown text on one line of a report: line breaks become " / ".
QString OneLine(QString strText);

// The editor a view opened on a cell: it lies on the cell in the view's
// viewport. (Found there, not through the keyboard focus, which follows
// only once the window is active.)
template <typename Editor> Editor* EditorAt(QTableView* pView, const QModelIndex& idx)
{
    const QRect cell = pView->visualRect(idx);
    for (QWidget* pChild : pView->viewport()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
    {
        if (!pChild->isVisible() || !pChild->geometry().intersects(cell))
            continue;
        if (auto* pEditor = qobject_cast<Editor*>(pChild))
            return pEditor;
        if (auto* pEditor = pChild->findChild<Editor*>())
            return pEditor;
    }
    return qobject_cast<Editor*>(QApplication::focusWidget());
}
} // namespace host
