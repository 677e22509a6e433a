#include "grid/Grids.h"
#include "viewing/ViewFootprint.h"

#include <QFileInfo>

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
    // The same as choosing the row and pressing OK; the chooser stays open.
    if (nRow == 0)
        return true;
    const QString strLocation = nRow == m_nSelRow ? GetSelectedLocation() : QString();
    if (strLocation == QLatin1String(kNotFoundLocation) || !QFileInfo::exists(strLocation))
        return true;
    return OpenFootprintLocation(strLocation) != 0;
}
