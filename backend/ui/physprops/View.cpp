// SPDX-License-Identifier: MIT
#include "grid/Grids.h"
#include "physprops/PhysPropsDlg.h"
#include "properties/PropertyKind.h"
#include "properties/Value.h"
#include "viewing/ViewFootprint.h"

#include <QScopeGuard>

using physprops::ui::CFootprintViewer;

using physprops::core::PropertyKind;

void CPhysPropsDlg::OnView()
{
    CPhysPropsGrid& grid = *Grid();
    // An edit still open in the Value cell is what the user means to view.
    grid.CommitPendingEdit();
    const PROPERTY_NAMES nKind = PropertyKind(grid.GetSelectedProperty());
    const QString strValue = grid.GetSelectedValue().trimmed();
    if (strValue.isEmpty() || nKind == PROP_OTHER)
        return;
    if (nKind == PROP_JEDEC_TYPE)
    {
        CFootprintViewer(m_services).ViewFootprintDrawing({strValue}, ProjectPath(), nKind);
        return;
    }

    QList<CValue*> names;
    const auto freeNames = qScopeGuard(
        [&names]
        {
            qDeleteAll(names);
            names.clear();
        });
    if (SplitAltSymbols(strValue, &names, m_services) == 0 || names.isEmpty())
        return;
    QStringList footprints;
    for (const CValue* p : names)
        if (p)
            footprints.append(p->GetValue());
    CFootprintViewer(m_services).ViewFootprintDrawing(footprints, ProjectPath(), nKind);
}
