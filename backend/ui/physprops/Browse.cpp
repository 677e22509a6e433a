#include "footprints/BackEndDlg1.h"
#include "footprints/BackEndDlg2.h"
#include "grid/Grids.h"
#include "physprops/PhysPropsDlg.h"
#include "properties/PropertyKind.h"

#include <memory>

void CPhysPropsDlg::OnBrowse()
{
    CPhysPropsGrid& grid = *Grid();
    // A value still being typed is part of the row the user browses for.
    grid.CommitPendingEdit();
    const QString strProperty = grid.GetSelectedProperty();
    if (strProperty.isEmpty())
        return;
    const PROPERTY_NAMES nKind = PropertyKind(strProperty);

    // Without a project the path is empty and the search falls back to PSMPATH.
    const QString strProjectPath = ProjectPath();
    QList<CFootprintEntry*> footprints;
    {
        CWaitCursor wait;
        m_Footprint.DeleteFootprintList();
        m_Footprint.CreateFootprintList(strProjectPath, QStringLiteral(".psm"), nKind, SEARCH_LISTING);
        m_Footprint.CreateFootprintList(strProjectPath, QStringLiteral(".dra"), nKind, SEARCH_LISTING);
        m_Footprint.GetFootprintList(footprints);
    }
    const CSearchReport& report = m_Footprint.Report();
    if (!report.strProjectError.isEmpty())
    {
        m_services.MessageBox(CTexts::ProjectError(report));
        return;
    }
    if (footprints.isEmpty())
    {
        m_services.MessageBox(tr("No .psm files found for the footprints") + CTexts::Skipped(report));
        return;
    }

    std::unique_ptr<CFootprintSelectDlg> pSelect;
    if (nKind == PROP_JEDEC_TYPE)
        pSelect = std::make_unique<CBackEndDlg1>(&footprints, strProjectPath);
    else
        pSelect = std::make_unique<CBackEndDlg2>(&footprints, strProjectPath);
    if (pSelect->DoModal() != -1)
        SetSelectedValue(pSelect->GetSelection());
}
