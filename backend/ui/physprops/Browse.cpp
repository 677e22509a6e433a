#include "footprints/BackEndDlg1.h"
#include "footprints/BackEndDlg2.h"
#include "grid/Grids.h"
#include "pellium/Footprint.h"
#include "physprops/PhysPropsDlg.h"
#include "project/SearchPath.h"
#include "properties/PropertyKind.h"

#include <QCoreApplication>
#include <QProgressDialog>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace
{
// A Browse listing made on a thread of its own, so that a slow shared
// folder neither freezes the dialog nor keeps Cancel waiting. A cancelled
// job lives on until its thread has finished the folder under way.
struct CListingJob
{
    CFootprint search;
    CListingProgress progress; // under mutex
    bool bDone = false;        // under mutex
    std::atomic<bool> bCancel{false};
    std::mutex mutex;
    std::condition_variable finished;
};

// The listing threads of the module; those still running when it unloads
// are cancelled and waited for, so no listing outlives the module's code.
class CListingThreads
{
public:
    ~CListingThreads()
    {
        for (auto& [pJob, thread] : m_threads)
        {
            pJob->bCancel = true;
            thread.join();
        }
    }
    void Add(std::shared_ptr<CListingJob> pJob, std::thread thread)
    {
        // Threads of jobs that are done end at once: joined here, not kept.
        std::erase_if(m_threads, [](auto& entry) {
            {
                std::lock_guard lock(entry.first->mutex);
                if (!entry.first->bDone)
                    return false;
            }
            entry.second.join();
            return true;
        });
        m_threads.emplace_back(std::move(pJob), std::move(thread));
    }

private:
    std::vector<std::pair<std::shared_ptr<CListingJob>, std::thread>> m_threads; // user-interface thread only
};

void StartListing(const std::shared_ptr<CListingJob>& pJob, const CSearchPath& path, PROPERTY_NAMES nKind)
{
    pJob->search.SetProgress([pJob = pJob.get()](const CListingProgress& progress) {
        std::lock_guard lock(pJob->mutex);
        pJob->progress = progress;
        return !pJob->bCancel.load();
    });
    const auto list = [pJob, path, nKind] {
        pJob->search.CreateFootprintList(path, QStringLiteral(".psm"), nKind, SEARCH_LISTING);
        if (!pJob->search.Cancelled())
            pJob->search.CreateFootprintList(path, QStringLiteral(".dra"), nKind, SEARCH_LISTING);
        std::lock_guard lock(pJob->mutex);
        pJob->bDone = true;
        pJob->finished.notify_all();
    };
    static CListingThreads s_threads;
    if (std::thread thread = TryStartThread(list); thread.joinable())
        s_threads.Add(pJob, std::move(thread));
    else
        list(); // no thread to be had: listed here, under the wait cursor
}

// Waits for the listing: a wait cursor for a short one, a progress dialog
// with Cancel once it takes longer. False when the user cancelled.
bool WaitForListing(CListingJob& job, QWidget* pParent)
{
    using namespace std::chrono_literals;
    auto waitDone = [&job](std::chrono::milliseconds timeout, CListingProgress* pProgress) {
        std::unique_lock lock(job.mutex);
        const bool bDone = job.finished.wait_for(lock, timeout, [&job] { return job.bDone; });
        if (pProgress)
            *pProgress = job.progress;
        return bDone;
    };
    {
        CWaitCursor wait;
        if (waitDone(300ms, nullptr))
            return true;
    }

    QProgressDialog dialog(pParent);
    dialog.setWindowTitle(QCoreApplication::translate("CPhysPropsDlg", "Browse"));
    dialog.setCancelButtonText(QCoreApplication::translate("CPhysPropsDlg", "Cancel"));
    dialog.setWindowModality(Qt::WindowModal);
    dialog.setAutoClose(false);
    dialog.setAutoReset(false);
    dialog.setMinimumDuration(0);
    CListingProgress progress;
    for (bool bDone = false; !bDone;)
    {
        dialog.setMaximum(std::max(1, progress.nFolders));
        dialog.setValue(progress.nFoldersDone);
        dialog.setLabelText(QCoreApplication::translate("CPhysPropsDlg",
                                                        "Reading footprint folders: %1 of %2\n"
                                                        "Footprints found: %3")
                                .arg(progress.nFoldersDone)
                                .arg(progress.nFolders)
                                .arg(progress.nFound));
        if (!dialog.isVisible())
            dialog.show();
        QCoreApplication::processEvents();
        if (dialog.wasCanceled())
        {
            job.bCancel = true;
            return false;
        }
        bDone = waitDone(20ms, &progress);
    }
    return true;
}
} // namespace

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
    auto pJob = std::make_shared<CListingJob>();
    StartListing(pJob, ProjectSearchPath(strProjectPath), nKind);
    if (!WaitForListing(*pJob, this))
        return;
    QList<CFootprintEntry*> footprints;
    pJob->search.GetFootprintList(footprints);
    const CSearchReport& report = pJob->search.Report();
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
