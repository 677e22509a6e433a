// SPDX-License-Identifier: MIT
#include "physprops/FootprintBrowser.h"
#include "common/Texts.h"
#include "footprints/BackEndDlg1.h"
#include "footprints/BackEndDlg2.h"
#include "project/SearchPath.h"
#include "search/SearchJob.h"

#include <memory>
#include <new>

using physprops::core::ProjectSearchPath;

// The flow's texts are the Physical Properties dialog's, whose Browse
// button it serves: they stay in that dialog's translation context.
namespace physprops::ui
{
QString CFootprintBrowser::BrowseFootprints(PROPERTY_NAMES nKind, const QString& strProjectPath,
                                            QWidget* pParent) const
{
    // Without a project the path is empty and the search falls back to PSMPATH.
    // The project file is read on the search's thread: it may lie on a share
    // that stalls, and the wait for it needs its Cancel.
    const auto pJob = CFootprintSearchJob::Start(
        [strProjectPath, nKind](CFootprint& search)
        {
            const CSearchPath path = ProjectSearchPath(strProjectPath);
            search.CreateFootprintList(path, QStringLiteral(".psm"), nKind, SEARCH_LISTING);
            if (!search.Cancelled())
                search.CreateFootprintList(path, QStringLiteral(".dra"), nKind, SEARCH_LISTING);
        },
        CFootprintSearchJob::What::Footprints);
    if (!pJob->Wait(pParent, CTexts::BrowseProgressTitle()))
        return {};
    // The entries belong to the job's search, which outlives the dialog that shows them.
    QList<CFootprintEntry*> footprints;
    std::unique_ptr<CFootprintSelectDlg> pSelect;
    try
    {
        if (!Listed(*pJob, footprints))
            return {};
        pSelect = Chooser(footprints, nKind, strProjectPath, pJob->Search().Report());
    }
    catch (const std::bad_alloc&)
    {
        // Memory ran out as the footprints found were taken or listed in the
        // dialog: told as when the search runs out, with the dialog as it was.
        m_services.MessageBox(CFootprintSearchJob::OutOfMemoryText());
        return {};
    }
    if (pSelect->DoModal() == -1)
        return {};
    return pSelect->GetSelection();
}

bool CFootprintBrowser::Listed(CFootprintSearchJob& job, QList<CFootprintEntry*>& footprints) const
{
    // The dialog stays open with its values; the user may close other work and try again.
    if (job.OutOfMemory())
    {
        m_services.MessageBox(CFootprintSearchJob::OutOfMemoryText());
        return false;
    }
    job.Search().GetFootprintList(footprints);
    const CSearchReport& report = job.Search().Report();
    if (!report.strProjectError.isEmpty())
    {
        m_services.MessageBox(CTexts::ProjectError(report));
        return false;
    }
    if (footprints.isEmpty())
    {
        m_services.MessageBox(CTexts::NoFootprintsFound() + CTexts::Skipped(report));
        return false;
    }
    return true;
}

std::unique_ptr<CFootprintSelectDlg> CFootprintBrowser::Chooser(QList<CFootprintEntry*>& footprints,
                                                                PROPERTY_NAMES nKind,
                                                                const QString& strProjectPath,
                                                                const CSearchReport& report) const
{
    std::unique_ptr<CFootprintSelectDlg> pSelect;
    if (nKind == PROP_JEDEC_TYPE)
        pSelect = std::make_unique<CBackEndDlg1>(&footprints, strProjectPath, m_services);
    else
        pSelect = std::make_unique<CBackEndDlg2>(&footprints, strProjectPath, m_services);
    // What was skipped shows under the list.
    pSelect->SetSearchReport(report);
    // Set up here, where running out of memory is caught, rather than in
    // DoModal, which only shows it then.
    pSelect->InitDialog();
    return pSelect;
}
} // namespace physprops::ui
