// SPDX-License-Identifier: MIT
#include "search/SearchJob.h"

#include "common/Modal.h"

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QProgressDialog>
#include <QTimer>

#include <chrono>
#include <utility>

namespace physprops::ui
{
namespace
{
// Ends a wait when the progress dialog is hidden: by its Cancel button, its
// close box or Escape, or by whoever closes it from outside (which may call
// QProgressDialog::cancel() without a signal).
class CQuitOnHide : public QObject
{
public:
    CQuitOnHide(QWidget& widget, QEventLoop& loop) : m_loop(loop)
    {
        widget.installEventFilter(this);
    }
    bool eventFilter(QObject* /*pWatched*/, QEvent* pEvent) override
    {
        if (pEvent->type() == QEvent::Hide)
        {
            m_bHidden = true;
            m_loop.quit();
        }
        return false;
    }
    // Whether the widget was hidden since the last call.
    bool TakeHidden() { return std::exchange(m_bHidden, false); }

private:
    QEventLoop& m_loop;
    bool m_bHidden = false;
};
} // namespace

std::shared_ptr<CFootprintSearchJob> CFootprintSearchJob::Start(Work work, What what)
{
    auto pJob = std::make_shared<CFootprintSearchJob>(what);
    pJob->m_worker.Start(std::move(work));
    return pJob;
}

QString CFootprintSearchJob::OutOfMemoryText()
{
    return tr("not enough memory to list the footprints");
}

QString CFootprintSearchJob::ProgressText(const CListingProgress& progress, What what)
{
    if (what == What::Drawing)
        return tr("Opening the footprint drawing\u2026");
    // Until the path has been read the number of folders is not known.
    if (progress.nFolders == 0)
        return tr("Reading the footprint folders\u2026");
    if (what == What::Footprints)
        return tr("Reading footprint folders: %1 of %2\n"
                  "Footprints found: %3")
            .arg(progress.nFoldersDone)
            .arg(progress.nFolders)
            .arg(progress.nFound);
    return tr("Reading footprint folders: %1 of %2\n"
              "Drawings found: %3")
        .arg(progress.nFoldersDone)
        .arg(progress.nFolders)
        .arg(progress.nFound);
}

bool CFootprintSearchJob::Wait(QWidget* pParent, const QString& strTitle)
{
    using namespace std::chrono_literals;
    if (m_worker.IsFinished())
        return true;
    QEventLoop loop;
    QObject::connect(&m_worker, &CFootprintSearchWorker::finished, &loop, &QEventLoop::quit);
    {
        // A short search shows the wait cursor only; what the user does
        // meanwhile is taken once it is over.
        CWaitCursor wait;
        QTimer patience;
        patience.setSingleShot(true);
        QObject::connect(&patience, &QTimer::timeout, &loop, &QEventLoop::quit);
        patience.start(300ms);
        loop.exec(QEventLoop::ExcludeUserInputEvents);
        if (m_worker.IsFinished())
            return true;
        // Neither the search nor the patience ended: the program is quitting
        // (its event loops end at once now), and waits for no search.
        if (patience.isActive())
        {
            m_worker.Cancel();
            return false;
        }
    }

    QProgressDialog dialog(pParent);
    dialog.setObjectName(QStringLiteral("searchProgress"));
    dialog.setWindowTitle(strTitle);
    dialog.setCancelButtonText(tr("Cancel"));
    dialog.setWindowModality(Qt::WindowModal);
    dialog.setAutoClose(false);
    dialog.setAutoReset(false);
    dialog.setMinimumDuration(0);
    const auto showProgress = [&dialog, what = m_what](const CListingProgress& progress)
    {
        // A busy bar until the number of folders is known.
        dialog.setMaximum(progress.nFolders);
        dialog.setValue(progress.nFoldersDone);
        dialog.setLabelText(ProgressText(progress, what));
    };
    showProgress(m_worker.Progress());
    QObject::connect(&m_worker, &CFootprintSearchWorker::progressed, &dialog, showProgress);
    CQuitOnHide quitOnHide(dialog, loop);
    for (;;)
    {
        // Shown again if something hid it without Cancel.
        if (!dialog.isVisible())
            dialog.show();
        loop.exec();
        const bool bHidden = quitOnHide.TakeHidden();
        // Cancelled, or the program is quitting: the search stops after the
        // folder under way, or, stuck, is left to end on its own.
        if (dialog.wasCanceled() || (!bHidden && !m_worker.IsFinished()))
        {
            m_worker.Cancel();
            return false;
        }
        if (m_worker.IsFinished())
            return true;
    }
}
} // namespace physprops::ui
