// SPDX-License-Identifier: MIT
#include "grid/Grids.h"

using physprops::ui::CGridBase;

CPhysPropsGrid::CPhysPropsGrid(QWidget* pParent) : CGridBase(pParent)
{
    setObjectName(QStringLiteral("grdProperties"));
}

CSymbolGrid::CSymbolGrid(QWidget* pParent) : CGridBase(pParent)
{
    setObjectName(QStringLiteral("grdFootprints"));
}

CLocGrid::CLocGrid(QWidget* pParent) : CGridBase(pParent)
{
    setObjectName(QStringLiteral("grdLocations"));
}

bool CLocGrid::OnLButtonDblClkRowCol(quint32 nRow, int, Qt::KeyboardModifiers, QPoint)
{
    // The header row chooses nothing; a data row is handled, never edited.
    if (nRow != 0)
        Q_EMIT locationDoubleClicked(nRow, nRow == m_nSelRow ? GetSelectedLocation() : QString());
    return true;
}
