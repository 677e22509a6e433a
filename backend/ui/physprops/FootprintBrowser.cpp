// SPDX-License-Identifier: MIT
#include "common/Texts.h"
#include "footprints/BackEndDlg1.h"
#include "footprints/BackEndDlg2.h"
#include "grid/Grids.h"
#include "pellium/Footprint.h"
#include "physprops/PhysPropsDlg.h"
#include "project/SearchPath.h"
#include "properties/PropertyKind.h"
#include "search/SearchJob.h"

#include <memory>

using physprops::ui::CFootprintSearchJob;
using physprops::ui::CFootprintSelectDlg;
using physprops::ui::CTexts;

using physprops::core::ProjectSearchPath;
using physprops::core::PropertyKind;

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
    const auto pJob = CFootprintSearchJob::Start(
        [path = ProjectSearchPath(strProjectPath), nKind](CFootprint& search)
        {
            search.CreateFootprintList(path, QStringLiteral(".psm"), nKind, SEARCH_LISTING);
            if (!search.Cancelled())
                search.CreateFootprintList(path, QStringLiteral(".dra"), nKind, SEARCH_LISTING);
        },
        CFootprintSearchJob::What::Footprints);
    if (!pJob->Wait(this, tr("Browse")))
        return;
    // The dialog stays open with its values; the user may close other work and try again.
    if (pJob->OutOfMemory())
    {
        m_services.MessageBox(CFootprintSearchJob::OutOfMemoryText());
        return;
    }
    QList<CFootprintEntry*> footprints;
    pJob->Search().GetFootprintList(footprints);
    const CSearchReport& report = pJob->Search().Report();
    if (!report.strProjectError.isEmpty())
    {
        m_services.MessageBox(CTexts::ProjectError(report));
        return;
    }
    if (footprints.isEmpty())
    {
        m_services.MessageBox(tr("No .psm files found for the footprints") +
                              CTexts::Skipped(report));
        return;
    }

    std::unique_ptr<CFootprintSelectDlg> pSelect;
    if (nKind == PROP_JEDEC_TYPE)
        pSelect = std::make_unique<CBackEndDlg1>(&footprints, strProjectPath, m_services);
    else
        pSelect = std::make_unique<CBackEndDlg2>(&footprints, strProjectPath, m_services);
    // What was skipped shows under the list.
    pSelect->SetSearchReport(report);
    if (pSelect->DoModal() != -1)
        SetSelectedValue(pSelect->GetSelection());
}
