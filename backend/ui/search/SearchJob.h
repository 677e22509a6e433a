// SPDX-License-Identifier: MIT
#pragma once

#include "ui/UiExport.h"

#include "search/SearchWorker.h"

#include <QCoreApplication>
#include <QString>

#include <memory>

class QWidget;

namespace physprops::ui
{
// A footprint search for Browse or View, or the check of a drawing before it
// opens: the worker that runs it, and the wait for it that the dialog shows.
// Whatever may lie on a share (the project file, the folders, the drawings)
// is read there, never on the dialog's thread.
class PHYSPROPS_UI_EXPORT CFootprintSearchJob
{
    Q_DECLARE_TR_FUNCTIONS(CFootprintSearchJob)
public:
    using Work = CFootprintSearchWorker::Work;
    enum class What
    {
        Footprints, // a listing for Browse
        Drawings,   // a drawing lookup for View
        Drawing,    // the check of the one drawing about to open
    };

    // Runs work on the job's search; on the calling thread when no thread
    // can be started.
    static std::shared_ptr<CFootprintSearchJob> Start(Work work, What what);

    // Waits for the search: a wait cursor for a short one, a progress
    // dialog with Cancel (titled strTitle) once it takes longer. False when
    // the user cancelled, or something cancelled the progress dialog.
    bool Wait(QWidget* pParent, const QString& strTitle);

    // The search, once Wait has returned true.
    CFootprint& Search() { return m_worker.Search(); }
    // Once Wait has returned true: memory ran out on the search's thread and
    // the search is incomplete; the caller tells the user and goes no further.
    bool OutOfMemory() const { return m_worker.OutOfMemory(); }

    // What the user is told when memory ran out on the search's thread.
    static QString OutOfMemoryText();

    // The progress dialog's text for how far a search has come.
    static QString ProgressText(const CListingProgress& progress, What what);

    explicit CFootprintSearchJob(What what) : m_what(what) {}

private:
    What m_what;
    CFootprintSearchWorker m_worker;
};
} // namespace physprops::ui
