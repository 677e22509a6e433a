// SPDX-License-Identifier: MIT
// Footprint browsing at library scale: filter keystrokes, opening and sorting
// the selection dialogs, the Browse listing against find(1), viewing
// drawings, and the memory a listing holds.
//
// Own flags (before Google Benchmark's):
//   --bench_sizes=10000,100000,1000000   footprint counts to run
//   --bench_data=DIR                     where the on-disk libraries are made
//
// This file holds the run's settings, the helpers the dialogs' benchmarks
// share, and registers every benchmark; the benchmarks themselves are in
// bench_keystroke.cpp, bench_dialogs.cpp and bench_listing.cpp.

#include "BenchFootprints.h"
#include "BenchStart.h"

#include "footprints/BackEndDlg1.h"
#include "footprints/BackEndDlg2.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

using physprops::ui::CComboBoxDelegate;
using physprops::ui::CFootprintSelectDlg;
using physprops::ui::CGridBase;

namespace bench
{
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

// Tells whether a widget was painted while the watch lived.
class CPaintWatch final : public QObject
{
public:
    explicit CPaintWatch(QWidget* pWidget) : m_pWidget(pWidget)
    {
        pWidget->installEventFilter(this);
    }
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

CComboBoxDelegate* DelegateOf(CSymbolGrid& grid)
{
    return qobject_cast<CComboBoxDelegate*>(grid.itemDelegate());
}

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

QLineEdit* FilterBox(CFootprintSelectDlg& dlg)
{
    return dlg.findChild<QLineEdit*>();
}
} // namespace bench

using namespace bench;

namespace
{
// Median, minimum and maximum of the repetitions: the table reports all three.
template <class B> B* WithStatistics(B* pBench)
{
    return pBench
        ->ComputeStatistics("min", [](const std::vector<double>& v)
                            { return *std::min_element(v.begin(), v.end()); })
        ->ComputeStatistics("max", [](const std::vector<double>& v)
                            { return *std::max_element(v.begin(), v.end()); })
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
        for (const Keystroke& key : Keystrokes())
        {
            auto* pBench = benchmark::RegisterBenchmark(
                (std::string("Keystroke/") + pszDialog + "/" + key.pszLabel).c_str(), BM_Keystroke,
                kind, key);
            for (const std::size_t n : sizes)
                pBench->Arg(std::int64_t(n));
            WithStatistics(pBench);
        }
        auto* pOpen =
            benchmark::RegisterBenchmark((std::string("Open/") + pszDialog).c_str(), BM_Open, kind);
        auto* pSort =
            benchmark::RegisterBenchmark((std::string("Sort/") + pszDialog).c_str(), BM_Sort, kind);
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
    // Every iteration lists afresh before the timed repeat: at 0.5 s of
    // repeats a million footprints took minutes of untimed first listings.
    pRepeat->MinTime(0.05);
    WithStatistics(benchmark::RegisterBenchmark("ViewFootprintDrawing", BM_ViewFootprintDrawing)
                       ->Arg(1)
                       ->Arg(100)
                       ->Arg(1000));
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
        else if (arg == "--bench_cells=on" || arg == "--bench_cells=cold" ||
                 arg == "--bench_cells=off")
            settings.cells = arg.ends_with("on")     ? CellCacheMode::On
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

} // namespace

int main(int argc, char** argv)
{
    bench::StartQuietOffscreen();
    if (!ParseOwnFlags(argc, argv))
        return 2;
    QApplication app(argc, argv);
    if (!bench::StartBenchmark(argc, argv, BenchSettings().strDataDir))
        return 2;
    benchmark::AddCustomContext("footprint_names", Names().Origin().toStdString());
    RegisterAll();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
