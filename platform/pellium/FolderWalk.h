// SPDX-License-Identifier: MIT
#pragma once

// The folders of a search path, each opened once, checked through what was
// opened and then read, by the calling thread with helpers: at most one on a
// local disk, where the work is the processor's, and many on a network
// share, where every call waits for a round trip and the waits overlap. The
// library's own; not installed.

#include "pellium/FootprintFolders.h"
#include "pellium/HelperThread.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <functional>
#include <mutex>
#include <vector>

class CListingCache;

namespace pellium
{
// The threads that look at the folders of one search on a network share,
// the calling thread included.
constexpr std::size_t kShareThreads = 32;

// One folder of a walk: what its check found and what its reader made of it.
struct WalkedFolder
{
    UsableFolder folder; // its fstat, and the listing remembered for it
    QByteArray encoded;
    CFolderFault fault;      // why it cannot be searched
    bool bStatFault = false; // the fault is one a stat tells
    // The reader's: whether it read the folder, met a link, and the error
    // that kept it from reading the entries.
    bool bRead = false;
    bool bLinks = false;
    int nError = 0;
};

// Checks every folder of a path (open, fstat, and a listing remembered for
// that fstat), then reads each that can be searched, many folders at once on
// a share. The calling thread takes its part whenever it waits. A folder is
// kept open from its check to its reading, a bounded number at a time.
class CFolderWalk
{
public:
    // Reads one folder that can be searched, open on nFd (-1 when its
    // remembered listing stands for it and it was closed); called on any of
    // the walk's threads, once for each folder not dropped.
    using Reader = std::function<void(WalkedFolder& walked, int nFd)>;
    struct Options
    {
        bool bKeepRemembered = false; // a folder with a remembered listing stays open
        bool bPace = true;            // the tuning's delay and hook before each reading
    };

    CFolderWalk(CListingCache& cache, const QStringList& folders, Options options, Reader fnRead);
    // Stops, waits for the folders under way and closes those still open.
    ~CFolderWalk();
    CFolderWalk(const CFolderWalk&) = delete;
    CFolderWalk& operator=(const CFolderWalk&) = delete;

    quint64 Generation() const { return m_nGeneration; }
    std::size_t Size() const { return m_slots.size(); }
    // Returns once every folder is checked; throws what ended a helper.
    void WaitChecked();
    // After WaitChecked.
    const WalkedFolder& Folder(std::size_t i) const { return m_slots[i].walked; }
    // Not to be read: met before through another path.
    void Drop(std::size_t i);
    // Returns once folder i, checked usable and not dropped, is read.
    const WalkedFolder& WaitRead(std::size_t i);
    // Starts no folder more; those under way end.
    void Stop();

private:
    struct Slot
    {
        WalkedFolder walked;
        int nFd = -1;
        bool bDropped = false;
        bool bDone = false; // read, or passed over
    };

    // Takes one piece of work and does it outside the lock; false when
    // there is none to take now. Without bRead only a check, or a reading
    // that frees a folder held open for one.
    bool Step(std::unique_lock<std::mutex>& lock, bool bRead);
    void Check(Slot& slot);
    void Read(Slot& slot);
    static void Close(Slot& slot);
    // A helper's part: work until none is left or the walk stops.
    void Work();
    void WaitUntil(const std::function<bool()>& fnDone, bool bRead);
    void PushRead(std::size_t i);
    std::size_t PopRead();
    // The first folder opened tells whether the path lies on a share.
    void LookAtDevice(const Slot& slot);

    CListingCache& m_cache;
    const Options m_options;
    const Reader m_fnRead;
    const quint64 m_nGeneration;
    const std::chrono::milliseconds m_delay;
    const std::function<void(const QString&)> m_onFolder;
    const std::size_t m_nMostOpen;
    std::vector<Slot> m_slots;
    std::atomic<bool> m_bDeviceSeen{false};

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::size_t m_nNextCheck = 0, m_nChecked = 0;
    std::size_t m_nOpen = 0;           // folders held open, checks under way counted
    std::vector<std::size_t> m_toRead; // a heap: the first folder in path order on top
    bool m_bStop = false;
    std::exception_ptr m_pFailure;

    CHelperThread m_helpers; // last: its threads use everything above
};
} // namespace pellium
