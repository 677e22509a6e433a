// SPDX-License-Identifier: MIT
#pragma once

// What the footprint benchmarks share: the run's settings, the footprint
// lists the dialogs get, the dialog helpers, and every benchmark that
// bench_footprints.cpp registers.

#include "Library.h"

#include "footprints/FootprintSelectDlg.h"
#include "grid/ComboBoxDelegate.h"
#include "grid/Grids.h"

#include <benchmark/benchmark.h>

#include <QLineEdit>
#include <QList>
#include <QString>

#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <memory>
#include <span>
#include <vector>

namespace bench
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

Settings& BenchSettings();
// The footprint names every library of the run is made of.
const CNameSource& Names();

// The list the selection dialogs get, made as Browse makes it, over the
// library of nCount footprints in nCount / 100 folders.
const QList<CFootprintEntry*>& ListOf(std::size_t nCount);

inline double Seconds(Clock::time_point t0, Clock::time_point t1)
{
    return std::chrono::duration<double>(t1 - t0).count();
}

inline double CpuSeconds()
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
        state.counters["cpu_ms"] =
            m_dTotal * 1000.0 / double(std::max<benchmark::IterationCount>(1, state.iterations()));
    }

private:
    double m_dStart = 0;
    double m_dTotal = 0;
};

// What the user sees after an input: posted events handled and the grid
// painted once.
void SettleAndPaint(physprops::ui::CGridBase& grid);

enum class DialogKind
{
    Single, // one footprint, for JEDEC_TYPE
    Multiple,
};

physprops::ui::CComboBoxDelegate* DelegateOf(CSymbolGrid& grid);
std::unique_ptr<physprops::ui::CFootprintSelectDlg> OpenDialog(DialogKind kind,
                                                               QList<CFootprintEntry*>* pList);
QLineEdit* FilterBox(physprops::ui::CFootprintSelectDlg& dlg);

// A keystroke: the box goes from the text before to the text after.
struct Keystroke
{
    const char* pszLabel;
    const char* pszBefore;
    const char* pszAfter;
};

// The keystrokes measured, each in both dialogs.
std::span<const Keystroke> Keystrokes();

// Filter keystrokes, and the usual Qt way for comparison (bench_keystroke.cpp).
void BM_Keystroke(benchmark::State& state, DialogKind kind, Keystroke key);
void BM_PeerKeystroke(benchmark::State& state);
void BM_PeerSort(benchmark::State& state);
// Opening and sorting the dialogs (bench_dialogs.cpp).
void BM_Open(benchmark::State& state, DialogKind kind);
void BM_OpenLargeValue(benchmark::State& state);
void BM_Sort(benchmark::State& state, DialogKind kind);
// The Browse listing, its memory, and viewing (bench_listing.cpp).
void BM_BrowseListing(benchmark::State& state);
void BM_BrowseListingRepeat(benchmark::State& state);
void BM_ListingMemory(benchmark::State& state);
void BM_ViewFootprintDrawing(benchmark::State& state);
} // namespace bench
