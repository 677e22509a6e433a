// SPDX-License-Identifier: MIT
// Opening the selection dialogs and the physical properties dialog, and
// sorting the footprint grid.

#include "BenchFootprints.h"

#include "footprints/FootprintListModel.h"
#include "physprops/PhysPropsDlg.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QHeaderView>
#include <QTest>

#include <memory>

using physprops::ui::CFootprintListModel;

namespace bench
{
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
    const QString strValue =
        QStringLiteral("SOIC8 ").repeated(int(state.range(0) / 6 + 1)).left(state.range(0));
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
        const QPoint at(pHeader->sectionViewportPosition(nNameCol) +
                            pHeader->sectionSize(nNameCol) / 2,
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
} // namespace bench
