// SPDX-License-Identifier: MIT
// The file-system calls a search makes, seen through the file-call hook:
// what a folder costs, and how many calls wait at once, which on a network
// share is what the time goes by.
#include "pellium/FootprintCachePrivate.h"
#include "pellium/HelperThread.h"

#include "FileCallProbe.h"
#include "FootprintSearchTest.h"

#include <QTest>

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <thread>

using namespace std::chrono_literals;
using pellium::EFileCall;

namespace
{
enum class ESearch : quint8
{
    kFirst,  // a first listing
    kRepeat, // a listing of the same path again, nothing changed
    kView,   // a search for one drawing
};

const char* Name(ESearch eSearch)
{
    static const char* const names[] = {"first listing", "repeat listing", "view"};
    return names[int(eSearch)];
}

// Forty footprint folders, old enough to be remembered when listed.
class FileCallTest : public FootprintSearchTest
{
protected:
    void SetUp() override
    {
        FootprintSearchTest::SetUp();
        QStringList folders;
        for (int i = 0; i < 40; ++i)
        {
            folders.append(QString::number(i));
            Touch(QStringLiteral("%1/F%1.dra").arg(i));
        }
        m_path = Folders(folders);
        m_old = CFolderListings::SetTuning({});
        std::this_thread::sleep_for(30ms);
    }
    void TearDown() override
    {
        CFolderListings::SetTuning(m_old);
        FootprintSearchTest::TearDown();
    }
    // Forgets every listing; a repeat is made ready by a first listing.
    void Prepare(ESearch eSearch, bool bShare) const
    {
        CFolderListings::Tuning tuning;
        tuning.quiet = 20ms;
        tuning.bTreatAsShare = bShare;
        CFolderListings::SetTuning(tuning);
        if (eSearch == ESearch::kRepeat)
            Search(eSearch);
    }
    void Search(ESearch eSearch) const
    {
        CFootprint footprint;
        if (eSearch == ESearch::kView)
        {
            footprint.CreateFootprintList(m_path, "F7.dra", PROP_JEDEC_TYPE, SEARCH_VIEWING);
            return;
        }
        footprint.CreateFootprintList(m_path, ".psm", PROP_JEDEC_TYPE, SEARCH_LISTING);
        footprint.CreateFootprintList(m_path, ".dra", PROP_JEDEC_TYPE, SEARCH_LISTING);
    }

    CSearchPath m_path;
    CFolderListings::Tuning m_old;
};

// A folder costs one open, one fstat of what was opened and one reading,
// no stat and no access by path; a repeat one stat, or none where watches
// answer for it.
TEST_F(FileCallTest, aFolderCostsOneOpenOneFstatAndOneReadingOrOneStatWhenRepeated)
{
    using Calls = std::array<int, 4>; // open, fstat, reading, access
    const struct
    {
        ESearch eSearch;
        bool bShare;
        Calls calls;
        int nLeastStats, nMostStats;
    } cases[] = {
        {ESearch::kFirst, false, {1, 1, 1, 0}, 0, 0},  {ESearch::kFirst, true, {1, 1, 1, 0}, 0, 0},
        {ESearch::kRepeat, false, {0, 0, 0, 0}, 0, 1}, {ESearch::kRepeat, true, {0, 0, 0, 0}, 1, 1},
        {ESearch::kView, false, {1, 1, 1, 0}, 0, 0},   {ESearch::kView, true, {1, 1, 1, 0}, 0, 0},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(std::string(Name(c.eSearch)) + (c.bShare ? " on a share" : ""));
        Prepare(c.eSearch, c.bShare);
        const testsupport::CFileCallProbe probe;
        Search(c.eSearch);
        QStringList wrong;
        for (const QString& strFolder : m_path.folders)
        {
            const Calls calls{probe.Count(EFileCall::kOpen, strFolder),
                              probe.Count(EFileCall::kFstat, strFolder),
                              probe.Count(EFileCall::kReadDir, strFolder),
                              probe.Count(EFileCall::kAccess, strFolder)};
            const int nStats = probe.Count(EFileCall::kStat, strFolder);
            if (calls != c.calls || nStats < c.nLeastStats || nStats > c.nMostStats)
                wrong.append(QStringLiteral("%1: open %2 fstat %3 read %4 access %5 stat %6")
                                 .arg(strFolder)
                                 .arg(calls[0])
                                 .arg(calls[1])
                                 .arg(calls[2])
                                 .arg(calls[3])
                                 .arg(nStats));
        }
        EXPECT_EQ(wrong.size(), 0) << wrong.value(0).toStdString();
    }
}

// With every call under the library held, as a share that answers late: on
// a share many wait at once, on a local disk no more than two threads' worth.
TEST_F(FileCallTest, onAShareManyCallsWaitAtOnceOnALocalDiskAtMostTwo)
{
    // A machine with one core reads a local disk on one thread.
    const int nLocal = pellium::SeveralCores() ? 2 : 1;
    const struct
    {
        ESearch eSearch;
        bool bShare;
        int nLeast, nMost; // calls held at once
    } cases[] = {
        {ESearch::kFirst, true, 16, 32},
        {ESearch::kFirst, false, nLocal, nLocal},
        // Watches may answer for a local disk's folders without a call.
        {ESearch::kRepeat, true, 16, 32},
        {ESearch::kRepeat, false, 0, 2},
        {ESearch::kView, true, 16, 32},
        {ESearch::kView, false, nLocal, nLocal},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(std::string(Name(c.eSearch)) + (c.bShare ? " on a share" : ""));
        Prepare(c.eSearch, c.bShare);
        testsupport::CFileCallProbe probe;
        probe.StallUnder(m_strRoot + u'/');
        std::atomic<bool> bDone{false};
        std::thread search(
            [&]
            {
                Search(c.eSearch);
                bDone = true;
            });
        EXPECT_TRUE(QTest::qWaitFor([&] { return bDone || probe.Stalled() >= c.nLeast; }, 30000));
        EXPECT_GE(probe.Stalled(), c.nLeast);
        // The threads are all held by now: none more comes.
        EXPECT_FALSE(QTest::qWaitFor([&] { return probe.Stalled() > c.nMost; }, 100));
        probe.Release();
        search.join();
    }
}
} // namespace
