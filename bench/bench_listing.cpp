// SPDX-License-Identifier: MIT
// The Browse listing against find(1), first and repeated, the memory a
// listing holds, and viewing drawings on a large search path.

#include "BenchFootprints.h"

#include "pellium/FootprintCachePrivate.h"
#include "project/SearchPath.h"
#include "viewing/ViewFootprint.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QProcess>
#include <QProgressDialog>

#include <malloc.h>

#include <algorithm>
#include <map>
#include <memory>

using physprops::ui::CFootprintViewer;
using physprops::ui::CServices;

using physprops::core::ProjectSearchPath;

namespace
{
using namespace bench;

// The drawings the chooser would open, counted; no editor is started.
class CCountingOpener final : public physprops::ui::IDrawingOpener
{
public:
    int OpenDrawing(const QString&) const override { return ++m_nOpened; }

private:
    mutable int m_nOpened = 0;
};

// A library of nCount footprints, a hundred to a folder, on the search path
// as the host gives it without a project.
class CLibraryOnPath
{
public:
    explicit CLibraryOnPath(std::size_t nCount)
        : m_lib(MakeDiskLibrary(Names(), BenchSettings().strDataDir, nCount,
                                std::max<std::size_t>(1, nCount / 100)))
    {
        qputenv("PSMPATH", m_lib.folders.join(u':').toLocal8Bit());
    }
    ~CLibraryOnPath() { qunsetenv("PSMPATH"); }
    CLibraryOnPath(const CLibraryOnPath&) = delete;
    CLibraryOnPath& operator=(const CLibraryOnPath&) = delete;

    const QString& Root() const { return m_lib.strRoot; }
    const QStringList& Folders() const { return m_lib.folders; }

private:
    CDiskLibrary m_lib;
};

// Runs find(1) over the tree, output discarded, without a shell.
double FindSeconds(const QString& strRoot)
{
    QProcess find;
    // The search path of a large library is too long for a child's environment.
    find.setProcessEnvironment(QProcessEnvironment());
    find.setStandardOutputFile(QProcess::nullDevice());
    const auto t0 = Clock::now();
    find.start(QStringLiteral("find"), {strRoot, QStringLiteral("-type"), QStringLiteral("f")});
    find.waitForFinished(-1);
    const auto t1 = Clock::now();
    if (find.exitStatus() != QProcess::NormalExit || find.exitCode() != 0)
        return -1.0;
    return Seconds(t0, t1);
}

// The listing the Browse button makes: ".psm" footprints, then ".dra" ones.
// Browse works out the search path once for both calls.
int BrowseListing(CFootprint& search, QList<CFootprintEntry*>& footprints)
{
    search.DeleteFootprintList();
    const CSearchPath path = ProjectSearchPath(QString());
    search.CreateFootprintList(path, QStringLiteral(".psm"), PROP_JEDEC_TYPE, SEARCH_LISTING);
    search.CreateFootprintList(path, QStringLiteral(".dra"), PROP_JEDEC_TYPE, SEARCH_LISTING);
    search.GetFootprintList(footprints);
    return int(footprints.size());
}
} // namespace

namespace bench
{
// The list the selection dialogs get, made as Browse makes it, over the
// library of nCount footprints in nCount / 100 folders. Lists are kept for
// the whole run: every benchmark of one size shows the same list.
const QList<CFootprintEntry*>& ListOf(std::size_t nCount)
{
    struct Listed
    {
        CFootprint search{ProjectSearchPath};
        QList<CFootprintEntry*> list;
    };
    static std::map<std::size_t, std::unique_ptr<Listed>> s_lists;
    auto& pListed = s_lists[nCount];
    if (!pListed)
    {
        const CLibraryOnPath lib(nCount);
        pListed = std::make_unique<Listed>();
        BrowseListing(pListed->search, pListed->list);
    }
    return pListed->list;
}

void BM_BrowseListing(benchmark::State& state)
{
    CCpuCounter cpu;
    const std::size_t nCount = std::size_t(state.range(0));
    const CLibraryOnPath lib(nCount);
    double dListing = 0, dFind = 0;
    qsizetype nFound = 0;
    for (auto _ : state)
    {
        const double dFindNow = FindSeconds(lib.Root());
        if (dFindNow < 0)
        {
            state.SkipWithError("find failed");
            break;
        }
        // A first listing: nothing remembered.
        CFolderListings::Forget();
        cpu.Start();
        const auto t0 = Clock::now();
        CFootprint search{ProjectSearchPath};
        QList<CFootprintEntry*> footprints;
        BrowseListing(search, footprints);
        const auto t1 = Clock::now();
        cpu.Stop();
        nFound = footprints.size();
        state.SetIterationTime(Seconds(t0, t1));
        dListing += Seconds(t0, t1);
        dFind += dFindNow;
    }
    state.counters["footprints"] = double(nFound);
    state.counters["find_ms"] =
        dFind * 1000.0 / double(std::max<benchmark::IterationCount>(1, state.iterations()));
    state.counters["vs_find"] = dFind > 0 ? dListing / dFind : 0.0;
    cpu.Report(state);
}

// Browse again on an unchanged library: the remembered listings answer.
// vs_first is the repeat's time over a first listing's, both timed in every
// iteration.
void BM_BrowseListingRepeat(benchmark::State& state)
{
    CCpuCounter cpu;
    const std::size_t nCount = std::size_t(state.range(0));
    const CLibraryOnPath lib(nCount);
    // Folders changed in the last two seconds are not remembered: a library
    // made moments ago (the smoke run's) is listed afresh every time.
    double dRepeat = 0, dFirst = 0;
    for (auto _ : state)
    {
        CFolderListings::Forget();
        const auto tFirst = Clock::now();
        {
            CFootprint search{ProjectSearchPath};
            QList<CFootprintEntry*> footprints;
            BrowseListing(search, footprints);
        }
        const auto tFirstEnd = Clock::now();
        cpu.Start();
        const auto t0 = Clock::now();
        CFootprint search{ProjectSearchPath};
        QList<CFootprintEntry*> footprints;
        BrowseListing(search, footprints);
        const auto t1 = Clock::now();
        cpu.Stop();
        state.SetIterationTime(Seconds(t0, t1));
        dRepeat += Seconds(t0, t1);
        dFirst += Seconds(tFirst, tFirstEnd);
    }
    state.counters["first_ms"] =
        dFirst * 1000.0 / double(std::max<benchmark::IterationCount>(1, state.iterations()));
    state.counters["vs_first"] = dFirst > 0 ? dRepeat / dFirst : 0.0;
    cpu.Report(state);
}

std::size_t HeapInUse()
{
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

// Heap held by a finished listing and the list of pointers the dialog gets,
// per footprint; the folder read buffers are gone by then. floor_bytes is
// what no layout can do without: the names' UTF-8 bytes, one reference to
// its folder per entry, and the folders' names.
void BM_ListingMemory(benchmark::State& state)
{
    CCpuCounter cpu;
    const std::size_t nCount = std::size_t(state.range(0));
    const CLibraryOnPath lib(nCount);
    double dBytesPerEntry = 0, dFloor = 0;
    for (auto _ : state)
    {
        // The remembered listings are counted: they are the listing's own.
        CFolderListings::Forget();
        malloc_trim(0);
        const std::size_t nBefore = HeapInUse();
        cpu.Start();
        const auto t0 = Clock::now();
        auto pSearch = std::make_unique<CFootprint>(ProjectSearchPath);
        QList<CFootprintEntry*> footprints;
        BrowseListing(*pSearch, footprints);
        const auto t1 = Clock::now();
        cpu.Stop();
        state.SetIterationTime(Seconds(t0, t1));
        const std::size_t nAfter = HeapInUse() + sizeof(CFootprint);
        if (!footprints.isEmpty() && nAfter > nBefore)
            dBytesPerEntry = double(nAfter - nBefore) / double(footprints.size());
        std::size_t nFloor = 0;
        for (const CFootprintEntry* pEntry : std::as_const(footprints))
            nFloor += pEntry->Utf8Name().size() + sizeof(void*);
        for (const QString& strFolder : lib.Folders())
            nFloor += std::size_t(strFolder.toUtf8().size());
        if (!footprints.isEmpty())
            dFloor = double(nFloor) / double(footprints.size());
    }
    state.counters["bytes_per_entry"] = dBytesPerEntry;
    state.counters["floor_bytes"] = dFloor;
    cpu.Report(state);
}
} // namespace bench

namespace
{
// Answers the "Location" chooser as soon as it is up, as a user who only
// wanted to see the hits would. It watches for the chooser being shown
// rather than polling: a zero-interval timer would keep the main thread
// spinning while the search thread works, and the two would share the cores.
class CChooserCloser : public QObject
{
public:
    CChooserCloser() { QCoreApplication::instance()->installEventFilter(this); }
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override
    {
        // The search's progress shows first on a busy machine; rejecting it
        // would cancel the search and leave the chooser that follows open
        // for ever.
        auto* pDialog = qobject_cast<QDialog*>(pWatched);
        if (pEvent->type() == QEvent::Show && pDialog && !qobject_cast<QProgressDialog*>(pDialog))
            QMetaObject::invokeMethod(pDialog, &QDialog::reject, Qt::QueuedConnection);
        return false;
    }
};
} // namespace

namespace bench
{
// View on an ALT_SYMBOLS value of state.range(0) names over the largest
// library asked for (at most 100,000 footprints, 100 to a folder). Each name
// is found once, spread over the whole path: one name opens at once, more
// bring up the chooser of all their hits. Names past the end of a small
// library are missing ones.
void BM_ViewFootprintDrawing(benchmark::State& state)
{
    CCpuCounter cpu;
    const auto& sizes = BenchSettings().sizes;
    const std::size_t nCount =
        std::min<std::size_t>(100000, *std::max_element(sizes.begin(), sizes.end()));
    const CLibraryOnPath lib(nCount);
    const std::size_t nNames = std::size_t(state.range(0));
    const std::size_t nStride = std::max<std::size_t>(1, nCount / nNames);
    QStringList names;
    for (std::size_t k = 0; k < nNames; ++k)
    {
        const std::size_t i = k * nStride + nStride / 2;
        names.append(Names().Name(i < nCount ? i : nCount + k));
    }
    CCountingOpener opener;
    const CServices& real = CServices::Default();
    const CServices services(real.m_Messages, real.m_Tools, real.m_Editor, real.m_Core, &opener);
    for (auto _ : state)
    {
        const CChooserCloser closer;
        cpu.Start();
        const auto t0 = Clock::now();
        CFootprintViewer(services).ViewFootprintDrawing(names, QString(), PROP_ALT_SYMBOLS);
        const auto t1 = Clock::now();
        cpu.Stop();
        state.SetIterationTime(Seconds(t0, t1));
    }
    state.counters["footprints"] = double(nCount);
    cpu.Report(state);
}
} // namespace bench
