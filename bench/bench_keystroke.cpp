// SPDX-License-Identifier: MIT
// Filter keystrokes in the selection dialogs, and the usual Qt way (a
// proxy model over a string list) on the same names for comparison.

#include "BenchFootprints.h"

#include "footprints/FootprintListModel.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QRegularExpression>
#include <QSortFilterProxyModel>
#include <QStringListModel>
#include <QTableView>

namespace
{
using namespace bench;

// Typing on tries only the rows shown; the first key, a pasted pattern and
// a backspace try every name.
const Keystroke kKeystrokes[] = {
    {"prefix", "SOI", "SOIC"}, {"first", "*", "S"},     {"backspace", "SOIC", "SOI"},
    {"star", "*QF", "*QFP"},   {"pasted", "*", "*QFP"}, {"all", "SOIC", "*"},
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
            names.append(pEntry->GetName());
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
} // namespace

namespace bench
{
std::span<const Keystroke> Keystrokes()
{
    return kKeystrokes;
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
} // namespace bench
