// Footprint browsing at library scale: filter keystrokes, opening and sorting
// the selection dialogs, the Browse listing against find(1), viewing
// drawings, and the memory a listing holds.
//
// Own flags (before Google Benchmark's):
//   --bench_sizes=10000,100000,1000000   footprint counts to run
//   --bench_data=DIR                     where the on-disk libraries are made

#include "Library.h"

#include "footprints/BackEndDlg1.h"
#include "footprints/BackEndDlg2.h"
#include "project/SearchPath.h"
#include "footprints/FootprintListModel.h"
#include "grid/ComboBoxDelegate.h"
#include "grid/Grids.h"
#include "physprops/PhysPropsDlg.h"
#include "viewing/ViewFootprint.h"
#include "pellium/FootprintCachePrivate.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QHeaderView>
#include <QLineEdit>
#include <QProcess>
#include <QSortFilterProxyModel>
#include <QStringListModel>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <malloc.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace
{
using Clock = std::chrono::steady_clock;

// How a keystroke finds the grid's cells: kept as drawn (the rows shown
// before, as when a user types back and forth), never drawn before (rows
// new to the user), or with nothing kept at all.
enum class CellCacheMode
{
    On,
    Cold,
    Off,
};

struct Settings
{
    std::vector<std::size_t> sizes{10000, 100000, 1000000};
    QString strDataDir;
    CellCacheMode cells = CellCacheMode::On;
};

Settings& BenchSettings()
{
    static Settings s_settings;
    return s_settings;
}

const CNameSource& Names()
{
    static const CNameSource s_names;
    return s_names;
}

const QList<CFootprintEntry*>& ListOf(std::size_t nCount);

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

// The processor time of the measured parts, next to the wall-clock time the
// table reports: on a machine shared with other work the two part ways.
class CCpuCounter
{
public:
    void Start() { m_dStart = CpuSeconds(); }
    void Stop() { m_dTotal += CpuSeconds() - m_dStart; }
    void Report(benchmark::State& state) const
    {
        state.counters["cpu_ms"] = m_dTotal * 1000.0 / double(std::max<benchmark::IterationCount>(1, state.iterations()));
    }

private:
    double m_dStart = 0;
    double m_dTotal = 0;
};

// Tells whether a widget was painted while the watch lived.
class CPaintWatch final : public QObject
{
public:
    explicit CPaintWatch(QWidget* pWidget) : m_pWidget(pWidget) { pWidget->installEventFilter(this); }
    ~CPaintWatch() override { m_pWidget->removeEventFilter(this); }
    bool Painted() const { return m_bPainted; }
    bool eventFilter(QObject*, QEvent* pEvent) override
    {
        m_bPainted |= pEvent->type() == QEvent::Paint;
        return false;
    }

private:
    QWidget* m_pWidget;
    bool m_bPainted = false;
};

// What the user sees after an input: posted events handled (the grid's
// delayed layout among them) and the grid painted once. The platform paints
// on the update the input asked for; a second paint on top of it would be
// counted but never seen.
void SettleAndPaint(CGridBase& grid)
{
    CPaintWatch watch(grid.viewport());
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    if (!watch.Painted())
        grid.viewport()->repaint();
}

enum class DialogKind
{
    Single, // one footprint, for JEDEC_TYPE
    Multiple,
};

CComboBoxDelegate* DelegateOf(CSymbolGrid& grid) { return qobject_cast<CComboBoxDelegate*>(grid.itemDelegate()); }

std::unique_ptr<CFootprintSelectDlg> OpenDialog(DialogKind kind, QList<CFootprintEntry*>* pList)
{
    std::unique_ptr<CFootprintSelectDlg> pDlg;
    if (kind == DialogKind::Single)
        pDlg = std::make_unique<CBackEndDlg1>(pList, QString());
    else
        pDlg = std::make_unique<CBackEndDlg2>(pList, QString());
    pDlg->InitDialog();
    if (BenchSettings().cells == CellCacheMode::Off)
        DelegateOf(*pDlg->Grid())->SetCellCache(false);
    pDlg->show();
    SettleAndPaint(*pDlg->Grid());
    return pDlg;
}

QLineEdit* FilterBox(CFootprintSelectDlg& dlg) { return dlg.findChild<QLineEdit*>(); }

// A keystroke: the box goes from the text before to the text after.
struct Keystroke
{
    const char* pszLabel;
    const char* pszBefore;
    const char* pszAfter;
};

// Typing on tries only the rows shown; the first key, a pasted pattern and
// a backspace try every name.
const Keystroke kKeystrokes[] = {
    {"prefix", "SOI", "SOIC"},     {"first", "*", "S"},     {"backspace", "SOIC", "SOI"},
    {"star", "*QF", "*QFP"},       {"pasted", "*", "*QFP"}, {"all", "SOIC", "*"},
    {"none", "SOIC", "SOICZ"},
};

// The measured keystroke in a function of its own, so that a profiler can
// count just it: valgrind --tool=callgrind --collect-atstart=no
// --toggle-collect='*KeystrokeStep*'.
__attribute__((noinline)) void KeystrokeStep(QLineEdit* pFilter, CSymbolGrid& grid, const char* psz)
{
    pFilter->setText(QString::fromLatin1(psz));
    SettleAndPaint(grid);
}

void BM_Keystroke(benchmark::State& state, DialogKind kind, Keystroke key)
{
    CCpuCounter cpu;
    const std::size_t nCount = std::size_t(state.range(0));
    auto list = ListOf(nCount);
    auto pDlg = OpenDialog(kind, &list);
    QLineEdit* pFilter = FilterBox(*pDlg);
    for (auto _ : state)
    {
        pFilter->setText(QString::fromLatin1(key.pszBefore));
        SettleAndPaint(*pDlg->Grid());
        if (BenchSettings().cells == CellCacheMode::Cold)
        {
            DelegateOf(*pDlg->Grid())->SetCellCache(false); // drops every kept cell
            DelegateOf(*pDlg->Grid())->SetCellCache(true);
        }
        cpu.Start();
        const auto t0 = Clock::now();
        KeystrokeStep(pFilter, *pDlg->Grid(), key.pszAfter);
        const auto t1 = Clock::now();
        cpu.Stop();
        state.SetIterationTime(Seconds(t0, t1));
    }
    state.counters["rows"] = double(pDlg->Model()->rowCount());
    cpu.Report(state);
}

void BM_Open(benchmark::State& state, DialogKind kind)
{
    CCpuCounter cpu;
    const std::size_t nCount = std::size_t(state.range(0));
    auto list = ListOf(nCount);
    for (auto _ : state)
    {
        cpu.Start();
        const auto t0 = Clock::now();
        auto pDlg = OpenDialog(kind, &list);
        const auto t1 = Clock::now();
        cpu.Stop();
        state.SetIterationTime(Seconds(t0, t1));
        pDlg.reset();
        QCoreApplication::processEvents();
    }
    cpu.Report(state);
}

// The physical properties dialog on a JEDEC_TYPE value of the given number
// of characters: from construction to the first paint of its grid.
void BM_OpenLargeValue(benchmark::State& state)
{
    CCpuCounter cpu;
    const QString strValue = QStringLiteral("SOIC8 ").repeated(int(state.range(0) / 6 + 1)).left(state.range(0));
    CPropertyArray values{new CProperty(QStringLiteral("JEDEC_TYPE"), strValue)};
    for (auto _ : state)
    {
        cpu.Start();
        const auto t0 = Clock::now();
        auto pDlg = std::make_unique<CPhysPropsDlg>(&values, nullptr);
        pDlg->InitDialog();
        pDlg->show();
        SettleAndPaint(*pDlg->Grid());
        const auto t1 = Clock::now();
        cpu.Stop();
        state.SetIterationTime(Seconds(t0, t1));
        pDlg.reset();
        QCoreApplication::processEvents();
    }
    qDeleteAll(values);
    cpu.Report(state);
}

void BM_Sort(benchmark::State& state, DialogKind kind)
{
    CCpuCounter cpu;
    const std::size_t nCount = std::size_t(state.range(0));
    auto list = ListOf(nCount);
    auto pDlg = OpenDialog(kind, &list);
    QLineEdit* pFilter = FilterBox(*pDlg);
    QHeaderView* pHeader = pDlg->Grid()->horizontalHeader();
    const int nNameCol = CFootprintListModel::ColName;
    for (auto _ : state)
    {
        // Back to list order, and the next double-click sorts ascending.
        pFilter->setText(QStringLiteral("S"));
        pFilter->setText(QStringLiteral("*"));
        SettleAndPaint(*pDlg->Grid());
        const QPoint at(pHeader->sectionViewportPosition(nNameCol) + pHeader->sectionSize(nNameCol) / 2,
                        pHeader->height() / 2);
        cpu.Start();
        const auto t0 = Clock::now();
        QTest::mouseDClick(pHeader->viewport(), Qt::LeftButton, {}, at);
        SettleAndPaint(*pDlg->Grid());
        const auto t1 = Clock::now();
        cpu.Stop();
        state.SetIterationTime(Seconds(t0, t1));
    }
    cpu.Report(state);
}

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
    state.counters["find_ms"] = dFind * 1000.0 / double(std::max<benchmark::IterationCount>(1, state.iterations()));
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
    state.counters["first_ms"] = dFirst * 1000.0 / double(std::max<benchmark::IterationCount>(1, state.iterations()));
    state.counters["vs_first"] = dFirst > 0 ? dRepeat / dFirst : 0.0;
    cpu.Report(state);
}

std::size_t HeapInUse()
{
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

// Heap held by a finished listing and the list of pointers the dialog gets,
// per footprint; the folder read buffers are gone by then.
void BM_ListingMemory(benchmark::State& state)
{
    CCpuCounter cpu;
    const std::size_t nCount = std::size_t(state.range(0));
    const CLibraryOnPath lib(nCount);
    double dBytesPerEntry = 0;
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
    }
    state.counters["bytes_per_entry"] = dBytesPerEntry;
    cpu.Report(state);
}

// Answers the "Location" chooser as soon as it is up, as a user who only
// wanted to see the hits would.
void CloseChooserWhenShown(QTimer& timer)
{
    timer.setInterval(0);
    QObject::connect(&timer, &QTimer::timeout, [&timer] {
        auto* pDialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!pDialog || !pDialog->isVisible())
            return;
        timer.stop();
        pDialog->reject();
    });
    timer.start();
}

// View on an ALT_SYMBOLS value of state.range(0) names over the largest
// library asked for (at most 100,000 footprints, 100 to a folder). Each name
// is found once, spread over the whole path: one name opens at once, more
// bring up the chooser of all their hits. Names past the end of a small
// library are missing ones.
void BM_ViewFootprintDrawing(benchmark::State& state)
{
    CCpuCounter cpu;
    const auto& sizes = BenchSettings().sizes;
    const std::size_t nCount = std::min<std::size_t>(100000, *std::max_element(sizes.begin(), sizes.end()));
    const CLibraryOnPath lib(nCount);
    const std::size_t nNames = std::size_t(state.range(0));
    const std::size_t nStride = std::max<std::size_t>(1, nCount / nNames);
    QStringList names;
    for (std::size_t k = 0; k < nNames; ++k)
    {
        const std::size_t i = k * nStride + nStride / 2;
        names.append(Names().Name(i < nCount ? i : nCount + k));
    }
    int nOpened = 0;
    CServices services = CServices::Default();
    services.m_fnOpenDrawing = [&nOpened](const QString&, const CServices&) { return ++nOpened; };
    for (auto _ : state)
    {
        QTimer closer;
        CloseChooserWhenShown(closer);
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

// The usual Qt way, for comparison: the same names in a QStringListModel,
// filtered by a QSortFilterProxyModel with the box's text as a wildcard
// (the same pattern the dialogs make: text then a star, ignoring case),
// shown in a QTableView.
struct PeerView
{
    explicit PeerView(std::size_t nCount)
    {
        QStringList names;
        names.reserve(qsizetype(nCount));
        for (const CFootprintEntry* pEntry : ListOf(nCount))
            names.append(pEntry->Name());
        source.setStringList(names);
        proxy.setSourceModel(&source);
        proxy.setFilterCaseSensitivity(Qt::CaseInsensitive);
        view.setModel(&proxy);
        view.resize(600, 400);
        view.show();
        Settle();
    }
    void Filter(const char* pszText)
    {
        proxy.setFilterRegularExpression(QRegularExpression(
            QRegularExpression::wildcardToRegularExpression(QString::fromLatin1(pszText) + u'*'),
            QRegularExpression::CaseInsensitiveOption));
    }
    void Settle()
    {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
        view.viewport()->repaint();
    }
    QStringListModel source;
    QSortFilterProxyModel proxy;
    QTableView view;
};

// The peer's keystroke: the pasted pattern, every name tried.
void BM_PeerKeystroke(benchmark::State& state)
{
    CCpuCounter cpu;
    PeerView peer(std::size_t(state.range(0)));
    for (auto _ : state)
    {
        peer.Filter("*");
        peer.Settle();
        cpu.Start();
        const auto t0 = Clock::now();
        peer.Filter("*QFP");
        peer.Settle();
        const auto t1 = Clock::now();
        cpu.Stop();
        state.SetIterationTime(Seconds(t0, t1));
    }
    state.counters["rows"] = double(peer.proxy.rowCount());
    cpu.Report(state);
}

// The peer's sort: every name shown, from list order to ascending.
void BM_PeerSort(benchmark::State& state)
{
    CCpuCounter cpu;
    PeerView peer(std::size_t(state.range(0)));
    peer.Filter("*");
    for (auto _ : state)
    {
        peer.proxy.sort(-1);
        peer.Settle();
        cpu.Start();
        const auto t0 = Clock::now();
        peer.view.sortByColumn(0, Qt::AscendingOrder);
        peer.Settle();
        const auto t1 = Clock::now();
        cpu.Stop();
        state.SetIterationTime(Seconds(t0, t1));
    }
    cpu.Report(state);
}

// Median, minimum and maximum of the repetitions: the table reports all three.
template <class B> B* WithStatistics(B* pBench)
{
    return pBench
        ->ComputeStatistics("min",
                            [](const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); })
        ->ComputeStatistics("max",
                            [](const std::vector<double>& v) { return *std::max_element(v.begin(), v.end()); })
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
}

void RegisterAll()
{
    const auto& sizes = BenchSettings().sizes;
    const std::pair<DialogKind, const char*> dialogs[] = {{DialogKind::Single, "Single"},
                                                          {DialogKind::Multiple, "Multiple"}};
    for (const auto& [kind, pszDialog] : dialogs)
    {
        for (const Keystroke& key : kKeystrokes)
        {
            auto* pBench = benchmark::RegisterBenchmark(
                (std::string("Keystroke/") + pszDialog + "/" + key.pszLabel).c_str(), BM_Keystroke,
                kind, key);
            for (const std::size_t n : sizes)
                pBench->Arg(std::int64_t(n));
            WithStatistics(pBench);
        }
        auto* pOpen = benchmark::RegisterBenchmark((std::string("Open/") + pszDialog).c_str(), BM_Open, kind);
        auto* pSort = benchmark::RegisterBenchmark((std::string("Sort/") + pszDialog).c_str(), BM_Sort, kind);
        for (const std::size_t n : sizes)
        {
            pOpen->Arg(std::int64_t(n));
            pSort->Arg(std::int64_t(n));
        }
        WithStatistics(pOpen);
        WithStatistics(pSort);
    }
    auto* pPeerKey = benchmark::RegisterBenchmark("Peer/ProxyModel/Keystroke", BM_PeerKeystroke);
    auto* pPeerSort = benchmark::RegisterBenchmark("Peer/ProxyModel/Sort", BM_PeerSort);
    auto* pBrowse = benchmark::RegisterBenchmark("BrowseListing", BM_BrowseListing);
    auto* pRepeat = benchmark::RegisterBenchmark("BrowseListing/Repeat", BM_BrowseListingRepeat);
    for (const std::size_t n : sizes)
        for (auto* pBench : {pPeerKey, pPeerSort, pBrowse, pRepeat})
            pBench->Arg(std::int64_t(n));
    for (auto* pBench : {pPeerKey, pPeerSort, pBrowse, pRepeat})
        WithStatistics(pBench);
    WithStatistics(
        benchmark::RegisterBenchmark("ViewFootprintDrawing", BM_ViewFootprintDrawing)->Arg(1)->Arg(100)->Arg(1000));
    WithStatistics(benchmark::RegisterBenchmark("Open/LargeValue", BM_OpenLargeValue)
                       ->Arg(1 << 10)
                       ->Arg(4 << 20)
                       ->Arg(10 << 20));
    // The memory figure is asked at the largest size only.
    WithStatistics(benchmark::RegisterBenchmark("ListingMemory", BM_ListingMemory)
                       ->Arg(std::int64_t(*std::max_element(sizes.begin(), sizes.end())))
                       ->Iterations(1));
}

// Takes our own flags out of argv, leaving Google Benchmark's.
bool ParseOwnFlags(int& argc, char** argv)
{
    Settings& settings = BenchSettings();
    int nOut = 1;
    for (int i = 1; i < argc; ++i)
    {
        const std::string arg = argv[i];
        if (arg.rfind("--bench_sizes=", 0) == 0)
        {
            settings.sizes.clear();
            for (const QString& strPart : QString::fromStdString(arg.substr(14)).split(u','))
            {
                bool bOk = false;
                const qulonglong n = strPart.toULongLong(&bOk);
                if (!bOk || n == 0 || n > 100000000)
                {
                    std::fprintf(stderr, "bad --bench_sizes value: %s\n", qPrintable(strPart));
                    return false;
                }
                settings.sizes.push_back(std::size_t(n));
            }
        }
        else if (arg == "--bench_cells=on" || arg == "--bench_cells=cold" || arg == "--bench_cells=off")
            settings.cells = arg.ends_with("on") ? CellCacheMode::On
                             : arg.ends_with("cold") ? CellCacheMode::Cold
                                                     : CellCacheMode::Off;
        else if (arg.rfind("--bench_data=", 0) == 0)
            settings.strDataDir = QString::fromLocal8Bit(arg.substr(13).c_str());
        else
            argv[nOut++] = argv[i];
    }
    argc = nOut;
    argv[argc] = nullptr;
    return !settings.sizes.empty();
}

// The offscreen platform says on every dialog shown that it does without
// size hints; that would bury the results.
void QuietMessages(QtMsgType type, const QMessageLogContext& context, const QString& strMessage)
{
    if (strMessage.contains(u"propagateSizeHints"))
        return;
    std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, strMessage)));
}
} // namespace

int main(int argc, char** argv)
{
    qInstallMessageHandler(QuietMessages);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (!ParseOwnFlags(argc, argv))
        return 2;
    QApplication app(argc, argv);
    if (BenchSettings().strDataDir.isEmpty())
        BenchSettings().strDataDir = QDir(QCoreApplication::applicationDirPath()).absoluteFilePath(
            QStringLiteral("../bench-data"));
    QDir().mkpath(BenchSettings().strDataDir);

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 2;
    benchmark::AddCustomContext("footprint_names", Names().Origin().toStdString());
    RegisterAll();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
