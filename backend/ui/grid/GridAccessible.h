// SPDX-License-Identifier: MIT
#pragma once

#include "ui/UiExport.h"

#include <QCoreApplication>
#include <QString>

class QModelIndex;
class QWidget;

namespace physprops::ui
{
class CGridBase;

// How the grids show themselves to assistive technology (screen readers,
// the desktop accessibility bus): a table of header and data cells whose
// rows can be chosen and focused, value cells that can be read and edited as
// text, and drop-down cells that are combo boxes offering their choices.
// The first grid installs it; installing again does nothing.
PHYSPROPS_UI_EXPORT void InstallGridAccessibility();

// The number by which assistive technology knows a cell among the grid's
// children: the header row comes first, then the data rows.
PHYSPROPS_UI_EXPORT int GridChildIndex(const CGridBase& grid, const QModelIndex& index);

// Tells assistive technology that the grid's current cell has the focus.
void NotifyCellFocus(CGridBase& grid);

// Names a cell's editor after its cell ("Value of JEDEC_TYPE") and says which
// row it edits, so a screen reader tells what is being typed into.
PHYSPROPS_UI_EXPORT void NameCellEditor(QWidget* pEditor, const QModelIndex& index);

// What the grids say beyond their cells' texts, in the user's language.
class PHYSPROPS_UI_EXPORT CGridSpeech
{
    Q_DECLARE_TR_FUNCTIONS(CGridSpeech)
public:
    // What an empty data cell reads as.
    static QString Empty() { return tr("empty"); }
    // The name of a cell's editor: the column's header, the row's first cell.
    static QString EditorName(const QString& strColumn, const QString& strRow)
    {
        return tr("%1 of %2").arg(strColumn, strRow);
    }
    // The description of a cell's editor.
    static QString EditorRow(int nRow) { return tr("Row %1").arg(nRow); }
};
} // namespace physprops::ui
