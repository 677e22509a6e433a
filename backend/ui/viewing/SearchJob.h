#pragma once

#include "ui/UiExport.h"

#include "pellium/Footprint.h"

#include <QString>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

class QWidget;

// A footprint search made on a thread of its own, so that a slow shared
// folder neither freezes the dialog nor keeps Cancel waiting. The thread is
// detached and shares the job with the caller: a cancelled search stuck in
// a system call is left behind and ends on its own, holding nothing the
// caller frees, and neither the dialog nor the program waits for it.
class PHYSPROPS_UI_EXPORT CFootprintSearchJob
{
public:
    using Work = std::function<void(CFootprint& search)>;
    enum class What
    {
        Footprints, // a listing for Browse
        Drawings,   // a drawing lookup for View
    };

    // Runs work on the job's search; on the calling thread when no thread
    // can be started.
    static std::shared_ptr<CFootprintSearchJob> Start(Work work, What what);

    // Waits for the search: a wait cursor for a short one, a progress
    // dialog with Cancel (titled strTitle) once it takes longer. False when
    // the user cancelled, or something cancelled the progress dialog.
    bool Wait(QWidget* pParent, const QString& strTitle);

    // The search, once Wait has returned true.
    CFootprint& Search() { return m_search; }

    // The progress dialog's text for how far a search has come.
    static QString ProgressText(const CListingProgress& progress, What what);

    explicit CFootprintSearchJob(What what) : m_what(what) {}

private:
    bool WaitDone(std::chrono::milliseconds timeout, CListingProgress* pProgress);

    What m_what;
    CFootprint m_search;
    CListingProgress m_progress; // under m_mutex
    bool m_bDone = false;        // under m_mutex
    std::atomic<bool> m_bCancel{false};
    std::mutex m_mutex;
    std::condition_variable m_finished;
};
