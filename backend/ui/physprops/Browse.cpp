#include "footprints/BackEndDlg1.h"
#include "footprints/BackEndDlg2.h"
#include "grid/Grids.h"
#include "common/MessageBox.h"
#include "physprops/PhysPropsDlg.h"

#include <memory>

void CPhysPropsDlg::OnBrowse()
{
    if (!m_pPropsGrid)
        return;
    // A value still being typed is part of the row the user browses for.
    m_pPropsGrid->CommitPendingEdit();
    const QString strProperty = m_pPropsGrid->GetSelectedProperty();
    if (strProperty.isEmpty())
        return;
    PROPERTY_NAMES nKind = PROP_OTHER;
    if (strProperty.compare(QStringLiteral("JEDEC_TYPE"), Qt::CaseInsensitive) == 0)
        nKind = PROP_JEDEC_TYPE;
    else if (strProperty.compare(QStringLiteral("ALT_SYMBOLS"), Qt::CaseInsensitive) == 0)
        nKind = PROP_ALT_SYMBOLS;

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
        AfxMessageBox(report.ProjectErrorText());
        return;
    }
    if (footprints.isEmpty())
    {
        AfxMessageBox(QStringLiteral("No .psm files found for the footprints") + report.SkippedText());
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
