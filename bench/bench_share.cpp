// SPDX-License-Identifier: MIT
// Browse and View on a footprint library on a network share: the library
// served by the latency share (bench/latency_share.c), a FUSE passthrough
// that waits a set time on every call, each row beside its floor, what a
// client with 16 requests in flight needs for the same result, timed in the
// same iteration. Every floor reads the project file once, as Browse and
// View do, then:
//   Share/Browse         lists every folder (opendir, readdir with d_type)
//   Share/Browse/Repeat  stats every folder
//   Share/View           stats NAME.dra in every folder
// Each row also gives the calls the share answered per folder, by kind
// (`<call>_pf`), for the timed part alone.
//
// Own flags (before Google Benchmark's):
//   --share_folders=132,1000        libraries: the real folders, then repeated
//   --share_delays_ms=0,1,2,5       the delay of every call (fractions allowed)
//   --bench_data=DIR                where the libraries and mounts are made
// Without /dev/fuse the program says so and runs nothing. Run it under
// `chrt -f 1` where allowed: on a loaded machine every wake-up after a round
// trip otherwise waits for a core, and that, not the code, grows the rows.

#include "BenchStart.h"
#include "LatencyShare.h"

#include "common/Services.h"
#include "pellium/Footprint.h"
#include "pellium/FootprintCachePrivate.h"
#include "project/SearchPath.h"
#include "viewing/ViewFootprint.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <dirent.h>
#include <fcntl.h>
#include <sched.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

using physprops::core::ProjectSearchPath;
using physprops::ui::CFootprintViewer;
using physprops::ui::CServices;

using namespace bench;

namespace
{
using Clock = std::chrono::steady_clock;

struct Settings
{
    std::vector<std::size_t> folders{132, 1000};
    std::vector<std::int64_t> delaysUs{0, 1000, 2000, 5000};
    QString strDataDir;
};

Settings& ShareSettings()
{
    static Settings s_settings;
    return s_settings;
}

// A library mounted through the latency share, with the paths the floors
// use ready made.
struct CMountedLibrary
{
    CShareLibrary lib;
    std::unique_ptr<CLatencyShare> pShare;
    QString strProject;
    QByteArray project;
    std::vector<QByteArray> folders;  // through the share
    std::vector<QByteArray> drawings; // the viewed name's NAME.dra in each
    QString Error() const { return !lib.strError.isEmpty() ? lib.strError : pShare->Error(); }
};

// One mount per library for the whole run; main ends them.
std::map<std::size_t, std::unique_ptr<CMountedLibrary>>& Libraries()
{
    static std::map<std::size_t, std::unique_ptr<CMountedLibrary>> s_libraries;
    return s_libraries;
}

CMountedLibrary& Mounted(std::size_t nFolders)
{
    auto& pMounted = Libraries()[nFolders];
    if (pMounted)
        return *pMounted;
    pMounted = std::make_unique<CMountedLibrary>();
    CMountedLibrary& m = *pMounted;
    const QString strDir = ShareSettings().strDataDir + QStringLiteral("/share-%1").arg(nFolders);
    m.lib = MakeShareLibrary(strDir, nFolders);
    // A folder changed in the last two seconds is never remembered: a
    // library made just now would make every repeat a first listing.
    const QFileInfo marker(m.lib.strSource + QStringLiteral("/.complete"));
    const qint64 nAgeMs = marker.lastModified().msecsTo(QDateTime::currentDateTime());
    if (m.lib.strError.isEmpty() && nAgeMs < 3000)
        QThread::msleep(unsigned(3000 - nAgeMs));
    m.pShare = std::make_unique<CLatencyShare>(m.lib.strSource, strDir);
    const QString strMount = m.pShare->MountPoint();
    m.strProject = strMount + u'/' + ShareProjectName();
    m.project = QFile::encodeName(m.strProject);
    for (const QString& strFolder : std::as_const(m.lib.folders))
    {
        m.folders.push_back(QFile::encodeName(strMount + u'/' + strFolder));
        m.drawings.push_back(m.folders.back() + '/' +
                             QFile::encodeName(m.lib.strViewName + QStringLiteral(".dra")));
    }
    return m;
}

double Seconds(Clock::time_point t0, Clock::time_point t1)
{
    return std::chrono::duration<double>(t1 - t0).count();
}

double CpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

// The least a client can do: 16 requests in flight, each thread taking the
// next index until there are none left.
template <class Fn> void OnSixteenThreads(std::size_t nCount, const Fn& fnEach)
{
    std::atomic<std::size_t> nNext{0};
    std::vector<std::jthread> threads;
    for (int t = 0; t < 16; ++t)
        threads.emplace_back(
            [&]
            {
                for (std::size_t i = nNext++; i < nCount; i = nNext++)
                    fnEach(i);
            });
}

std::size_t ReadWhole(const QByteArray& path)
{
    const int fd = open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return 0;
    char buf[65536];
    std::size_t nTotal = 0;
    for (ssize_t n; (n = read(fd, buf, sizeof buf)) > 0;)
        nTotal += std::size_t(n);
    close(fd);
    return nTotal;
}

// The files of a folder, told by d_type as the listing tells them.
std::size_t ListFolder(const QByteArray& path)
{
    DIR* pDir = opendir(path.constData());
    if (!pDir)
        return 0;
    std::size_t nFiles = 0;
    while (const dirent* pEntry = readdir(pDir))
        nFiles += pEntry->d_type == DT_REG;
    closedir(pDir);
    return nFiles;
}

enum class Floor
{
    Listing,     // opendir and readdir of every folder
    FolderStat,  // stat of every folder
    DrawingStat, // stat of NAME.dra in every folder
};

double FloorSeconds(const CMountedLibrary& m, Floor eFloor)
{
    const auto t0 = Clock::now();
    ReadWhole(m.project);
    OnSixteenThreads(
        m.folders.size(),
        [&](std::size_t i)
        {
            struct stat st
            {
            };
            if (eFloor == Floor::Listing)
                ListFolder(m.folders[i]);
            else
                stat((eFloor == Floor::FolderStat ? m.folders : m.drawings)[i].constData(), &st);
        });
    return Seconds(t0, Clock::now());
}

// The listing the Browse button makes: the project's search path, ".psm"
// footprints, then ".dra" ones.
qsizetype BrowseListing(CFootprint& search, const QString& strProject,
                        QList<CFootprintEntry*>& footprints)
{
    search.DeleteFootprintList();
    const CSearchPath path = ProjectSearchPath(strProject);
    search.CreateFootprintList(path, QStringLiteral(".psm"), PROP_JEDEC_TYPE, SEARCH_LISTING);
    search.CreateFootprintList(path, QStringLiteral(".dra"), PROP_JEDEC_TYPE, SEARCH_LISTING);
    search.GetFootprintList(footprints);
    return footprints.size();
}

// The timed parts of a row, their floors, and the calls the share answered
// in the timed parts.
class CRowFigures
{
public:
    explicit CRowFigures(const CMountedLibrary& m) : m_m(m) {}

    void Start()
    {
        m_before = m_m.pShare->Calls();
        m_dCpuStart = CpuSeconds();
        m_t0 = Clock::now();
    }
    // The seconds since Start.
    double Stop()
    {
        const double dSeconds = Seconds(m_t0, Clock::now());
        m_dCpu += CpuSeconds() - m_dCpuStart;
        const CallCounts after = m_m.pShare->Calls();
        for (std::size_t i = 0; i < after.size(); ++i)
            m_calls[i] += after[i] - m_before[i];
        m_dTimed += dSeconds;
        return dSeconds;
    }
    void AddFloor(double dSeconds) { m_dFloor += dSeconds; }

    void Report(benchmark::State& state) const
    {
        const double dIterations =
            double(std::max<benchmark::IterationCount>(1, state.iterations()));
        const double dFolders = double(m_m.folders.size()) * dIterations;
        state.counters["floor_ms"] = m_dFloor * 1000.0 / dIterations;
        state.counters["vs_floor"] = m_dFloor > 0 ? m_dTimed / m_dFloor : 0.0;
        state.counters["cpu_ms"] = m_dCpu * 1000.0 / dIterations;
        double dCalls = 0;
        for (int i = 0; i < kLatencyCallCount; ++i)
        {
            state.counters[std::string(CLatencyShare::CallName(i)) + "_pf"] =
                double(m_calls[std::size_t(i)]) / dFolders;
            dCalls += double(m_calls[std::size_t(i)]);
        }
        state.counters["calls_pf"] = dCalls / dFolders;
    }

private:
    const CMountedLibrary& m_m;
    CallCounts m_before{};
    CallCounts m_calls{};
    Clock::time_point m_t0;
    double m_dCpuStart = 0, m_dCpu = 0, m_dTimed = 0, m_dFloor = 0;
};

// The row's library with the row's delay set; null after reporting why not.
CMountedLibrary* RowLibrary(benchmark::State& state)
{
    CMountedLibrary& m = Mounted(std::size_t(state.range(0)));
    if (!m.Error().isEmpty())
    {
        state.SkipWithError(m.Error().toStdString().c_str());
        return nullptr;
    }
    m.pShare->SetDelay(std::chrono::microseconds(state.range(1)));
    return &m;
}

// The first Browse: nothing remembered.
void BM_ShareBrowse(benchmark::State& state)
{
    CMountedLibrary* pM = RowLibrary(state);
    if (!pM)
        return;
    CRowFigures figures(*pM);
    qsizetype nFound = 0;
    for (auto _ : state)
    {
        figures.AddFloor(FloorSeconds(*pM, Floor::Listing));
        CFolderListings::Forget();
        CFootprint search{ProjectSearchPath};
        QList<CFootprintEntry*> footprints;
        figures.Start();
        nFound = BrowseListing(search, pM->strProject, footprints);
        state.SetIterationTime(figures.Stop());
    }
    if (std::size_t(nFound) != pM->lib.nNames)
        state.SkipWithError("the listing missed footprints");
    state.counters["footprints"] = double(nFound);
    figures.Report(state);
}

// Browse again on the unchanged library, right after a first one (timed
// too, for vs_first); the floor is a stat of every folder.
void BM_ShareBrowseRepeat(benchmark::State& state)
{
    CMountedLibrary* pM = RowLibrary(state);
    if (!pM)
        return;
    CRowFigures figures(*pM);
    double dFirst = 0, dRepeat = 0;
    for (auto _ : state)
    {
        CFolderListings::Forget();
        CFootprint first{ProjectSearchPath};
        QList<CFootprintEntry*> firstList;
        const auto t0 = Clock::now();
        BrowseListing(first, pM->strProject, firstList);
        dFirst += Seconds(t0, Clock::now());
        figures.AddFloor(FloorSeconds(*pM, Floor::FolderStat));
        CFootprint search{ProjectSearchPath};
        QList<CFootprintEntry*> footprints;
        figures.Start();
        BrowseListing(search, pM->strProject, footprints);
        const double dSeconds = figures.Stop();
        dRepeat += dSeconds;
        state.SetIterationTime(dSeconds);
    }
    const double dIterations = double(std::max<benchmark::IterationCount>(1, state.iterations()));
    state.counters["first_ms"] = dFirst * 1000.0 / dIterations;
    state.counters["vs_first"] = dFirst > 0 ? dRepeat / dFirst : 0.0;
    figures.Report(state);
}

// View of one name found in one folder, the middle one, nothing remembered.
// The drawing goes to a stand-in opener; a message would end the row.
void BM_ShareView(benchmark::State& state)
{
    CMountedLibrary* pM = RowLibrary(state);
    if (!pM)
        return;
    CRowFigures figures(*pM);
    // The drawing is counted, a message kept to end the row with.
    struct CStandIns final : physprops::ui::IDrawingOpener, physprops::ui::IMessages
    {
        int OpenDrawing(const QString&) const override { return ++nOpened; }
        int MessageBox(const QString& strText, int, int) const override
        {
            strMessage = strText;
            return 1;
        }
        mutable int nOpened = 0;
        mutable QString strMessage;
    } standIns;
    const CServices& real = CServices::Default();
    const CServices services(standIns, real.m_Tools, real.m_Editor, real.m_Core, &standIns);
    const QStringList names{pM->lib.strViewName};
    for (auto _ : state)
    {
        figures.AddFloor(FloorSeconds(*pM, Floor::DrawingStat));
        CFolderListings::Forget();
        figures.Start();
        CFootprintViewer(services).ViewFootprintDrawing(names, pM->strProject, PROP_ALT_SYMBOLS);
        state.SetIterationTime(figures.Stop());
    }
    if (standIns.nOpened != int(state.iterations()))
        state.SkipWithError(("no drawing opened: " + standIns.strMessage.toStdString()).c_str());
    figures.Report(state);
}

void RegisterAll()
{
    const std::pair<const char*, void (*)(benchmark::State&)> rows[] = {
        {"Share/Browse", BM_ShareBrowse},
        {"Share/Browse/Repeat", BM_ShareBrowseRepeat},
        {"Share/View", BM_ShareView},
    };
    for (const std::size_t nFolders : ShareSettings().folders)
        for (const std::int64_t nDelayUs : ShareSettings().delaysUs)
            for (const auto& [pszName, fn] : rows)
                benchmark::RegisterBenchmark(pszName, fn)
                    ->Args({std::int64_t(nFolders), nDelayUs})
                    ->ArgNames({"folders", "delay_us"})
                    ->ComputeStatistics("min", [](const std::vector<double>& v)
                                        { return *std::min_element(v.begin(), v.end()); })
                    ->ComputeStatistics("max", [](const std::vector<double>& v)
                                        { return *std::max_element(v.begin(), v.end()); })
                    ->UseManualTime()
                    ->Unit(benchmark::kMillisecond);
}

// A comma-separated list of numbers, each scaled; false on anything else.
template <class T> bool ParseList(const std::string& strList, double dScale, std::vector<T>& out)
{
    out.clear();
    for (const QString& strPart : QString::fromStdString(strList).split(u','))
    {
        bool bOk = false;
        const double d = strPart.toDouble(&bOk) * dScale;
        if (!bOk || d < 0 || d > 1e8)
            return false;
        out.push_back(T(d + 0.5));
    }
    return !out.empty();
}

// Takes our own flags out of argv, leaving Google Benchmark's.
bool ParseOwnFlags(int& argc, char** argv)
{
    Settings& settings = ShareSettings();
    int nOut = 1;
    bool bOk = true;
    for (int i = 1; i < argc; ++i)
    {
        const std::string arg = argv[i];
        if (arg.rfind("--share_folders=", 0) == 0)
            bOk &= ParseList(arg.substr(16), 1.0, settings.folders) &&
                   std::find(settings.folders.begin(), settings.folders.end(), 0) ==
                       settings.folders.end();
        else if (arg.rfind("--share_delays_ms=", 0) == 0)
            bOk &= ParseList(arg.substr(18), 1000.0, settings.delaysUs);
        else if (arg.rfind("--bench_data=", 0) == 0)
            settings.strDataDir = QString::fromLocal8Bit(arg.substr(13).c_str());
        else
            argv[nOut++] = argv[i];
    }
    argc = nOut;
    argv[argc] = nullptr;
    if (!bOk)
        std::fprintf(stderr, "bad --share_folders or --share_delays_ms value\n");
    return bOk;
}

} // namespace

int main(int argc, char** argv)
{
    bench::StartQuietOffscreen();
    if (!ParseOwnFlags(argc, argv))
        return 2;
    QApplication app(argc, argv);
    if (!bench::StartBenchmark(argc, argv, ShareSettings().strDataDir))
        return 2;
    // A benchmark, not a test: without FUSE there is nothing to measure.
    if (!QFileInfo::exists(QStringLiteral("/dev/fuse")))
    {
        std::fprintf(stderr, "no /dev/fuse: the latency share rows are skipped\n");
        return 0;
    }
    benchmark::AddCustomContext("scheduling",
                                sched_getscheduler(0) == SCHED_FIFO ? "real-time" : "normal");
    RegisterAll();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    Libraries().clear(); // unmounts while Qt is still up
    return 0;
}
