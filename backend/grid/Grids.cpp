#include "Grids.h"

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

bool CLocGrid::OnLButtonDblClkRowCol(quint32 nRow, int nCol, Qt::KeyboardModifiers flags, QPoint pt)
{
    // Opening the location belongs to the viewing flow.
    return CGridBase::OnLButtonDblClkRowCol(nRow, nCol, flags, pt);
}
