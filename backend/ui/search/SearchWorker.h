// SPDX-License-Identifier: MIT
#pragma once

#include "ui/UiExport.h"

#include "pellium/Footprint.h"

#include <QObject>

#include <functional>
#include <memory>

namespace physprops::ui
{
// A footprint search made on a thread of its own, so that a slow shared
// folder neither freezes the dialog nor keeps Cancel waiting. The worker
// lives on the thread that starts it and tells that thread's event loop how
// far the search has come and when it has ended. The search thread is
// detached and shares only the search's state with the worker: a cancelled
// search stuck in a system call is left behind and ends on its own, holding
// nothing the caller frees, and nothing waits for it.
class PHYSPROPS_UI_EXPORT CFootprintSearchWorker : public QObject
{
    Q_OBJECT
public:
    using Work = std::function<void(CFootprint& search)>;

    CFootprintSearchWorker();
    ~CFootprintSearchWorker() override;
    CFootprintSearchWorker(const CFootprintSearchWorker&) = delete;
    CFootprintSearchWorker& operator=(const CFootprintSearchWorker&) = delete;

    // Runs work on the search; on the calling thread when no thread can be
    // started, done then before this returns. Once only.
    void Start(Work work);
    // Asks the search to stop after the folder under way.
    void Cancel();

    bool IsFinished() const;
    // Whether the search, finished, was ended by memory running out on its
    // thread; its results are then incomplete.
    bool OutOfMemory() const;
    CListingProgress Progress() const;
    // The search, once finished.
    CFootprint& Search();

Q_SIGNALS:
    // On the worker's thread, queued: a busy search is reported at the pace
    // the event loop takes the reports, not once per folder, and only while
    // something is connected.
    void progressed(const CListingProgress& progress);
    void finished();

protected:
    void connectNotify(const QMetaMethod& signal) override;
    void disconnectNotify(const QMetaMethod& signal) override;

private:
    // Called by name from the search thread: the queued call is then made
    // entirely by Qt, and what crosses the threads is the mutex-guarded state.
    Q_INVOKABLE void Report();

    struct State;
    std::shared_ptr<State> m_pState;
    bool m_bFinishTold = false;
};
} // namespace physprops::ui
