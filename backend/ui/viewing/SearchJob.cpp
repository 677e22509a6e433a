#include "viewing/SearchJob.h"

#include "common/Modal.h"

#include <QCoreApplication>
#include <QProgressDialog>

#include <system_error>
#include <thread>

#include <dlfcn.h>

namespace
{
// A search left behind runs this library's code: once one has started, the
// library stays mapped for the rest of the process, even if the host
// unloads the module.
void KeepLibraryLoaded()
{
    static const bool s_bKept = []
    {
        Dl_info info{};
        if (dladdr(reinterpret_cast<void*>(&KeepLibraryLoaded), &info) == 0 || !info.dli_fname)
            return false;
        return dlopen(info.dli_fname, RTLD_LAZY | RTLD_NOLOAD | RTLD_NODELETE) != nullptr;
    }();
    (void)s_bKept;
}
} // namespace

std::shared_ptr<CFootprintSearchJob> CFootprintSearchJob::Start(Work work, What what)
{
    auto pJob = std::make_shared<CFootprintSearchJob>(what);
    pJob->m_search.SetProgress(
        [pJob = pJob.get()](const CListingProgress& progress)
        {
            std::lock_guard lock(pJob->m_mutex);
            pJob->m_progress = progress;
            return !pJob->m_bCancel.load();
        });
    // The thread holds the job: whatever becomes of the caller, the search
    // and what it reports stay alive until the thread is done with them.
    auto run = [pJob, work = std::move(work)]
    {
        work(pJob->m_search);
        std::lock_guard lock(pJob->m_mutex);
        pJob->m_bDone = true;
        pJob->m_finished.notify_all();
    };
    KeepLibraryLoaded();
    if (std::thread thread = TryStartThread(run); thread.joinable())
        thread.detach();
    else
    {
        // No thread to be had: the search runs here, without Cancel.
        CWaitCursor wait;
        run();
    }
    return pJob;
}

bool CFootprintSearchJob::WaitDone(std::chrono::milliseconds timeout, CListingProgress* pProgress)
{
    std::unique_lock lock(m_mutex);
    const bool bDone = m_finished.wait_for(lock, timeout, [this] { return m_bDone; });
    if (pProgress)
        *pProgress = m_progress;
    return bDone;
}

QString CFootprintSearchJob::ProgressText(const CListingProgress& progress, What what)
{
    // Until the path has been read the number of folders is not known.
    if (progress.nFolders == 0)
        return QCoreApplication::translate("CPhysPropsDlg", "Reading the footprint folders\u2026");
    if (what == What::Footprints)
        return QCoreApplication::translate("CPhysPropsDlg", "Reading footprint folders: %1 of %2\n"
                                                            "Footprints found: %3")
            .arg(progress.nFoldersDone)
            .arg(progress.nFolders)
            .arg(progress.nFound);
    return QCoreApplication::translate("CPhysPropsDlg", "Reading footprint folders: %1 of %2\n"
                                                        "Drawings found: %3")
        .arg(progress.nFoldersDone)
        .arg(progress.nFolders)
        .arg(progress.nFound);
}

bool CFootprintSearchJob::Wait(QWidget* pParent, const QString& strTitle)
{
    using namespace std::chrono_literals;
    {
        CWaitCursor wait;
        if (WaitDone(300ms, nullptr))
            return true;
    }

    QProgressDialog dialog(pParent);
    dialog.setObjectName(QStringLiteral("searchProgress"));
    dialog.setWindowTitle(strTitle);
    dialog.setCancelButtonText(QCoreApplication::translate("CPhysPropsDlg", "Cancel"));
    dialog.setWindowModality(Qt::WindowModal);
    dialog.setAutoClose(false);
    dialog.setAutoReset(false);
    dialog.setMinimumDuration(0);
    CListingProgress progress;
    for (bool bDone = WaitDone(0ms, &progress); !bDone;)
    {
        // A busy bar until the number of folders is known.
        dialog.setMaximum(progress.nFolders);
        dialog.setValue(progress.nFoldersDone);
        dialog.setLabelText(ProgressText(progress, m_what));
        if (!dialog.isVisible())
            dialog.show();
        QCoreApplication::processEvents();
        if (dialog.wasCanceled())
        {
            // The thread stops after the folder under way, or, stuck, is
            // left to end on its own.
            m_bCancel = true;
            return false;
        }
        bDone = WaitDone(20ms, &progress);
    }
    return true;
}
