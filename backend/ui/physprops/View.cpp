#include "grid/Grids.h"
#include "physprops/PhysPropsDlg.h"
#include "properties/Value.h"
#include "viewing/ViewFootprint.h"

#include <QScopeGuard>

void CPhysPropsDlg::OnView()
{
    if (!m_pPropsGrid)
        return;
    // An edit still open in the Value cell is what the user means to view.
    m_pPropsGrid->CommitPendingEdit();
    const QString strName = m_pPropsGrid->GetSelectedProperty();
    const QString strValue = m_pPropsGrid->GetSelectedValue().trimmed();
    if (strValue.isEmpty())
        return;

    if (strName.compare(u"JEDEC_TYPE", Qt::CaseInsensitive) == 0)
    {
        ViewFootprintDrawing({strValue}, ProjectPath(), PROP_JEDEC_TYPE);
        return;
    }
    if (strName.compare(u"ALT_SYMBOLS", Qt::CaseInsensitive) != 0)
        return;

    QList<CValue*> names;
    const auto freeNames = qScopeGuard([&names] {
        qDeleteAll(names);
        names.clear();
    });
    if (SplitAltSymbols(strValue, &names) == 0 || names.isEmpty())
        return;
    QStringList footprints;
    for (const CValue* p : names)
        if (p)
            footprints.append(p->GetValue());
    ViewFootprintDrawing(footprints, ProjectPath(), PROP_ALT_SYMBOLS);
}
