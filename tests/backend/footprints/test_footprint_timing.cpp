#include "FootprintFixtures.h"

#include "BackEndDlg2.h"
#include "FootprintListModel.h"
#include "Grids.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>

#include <gtest/gtest.h>

#include <ctime>
#include <iostream>

namespace
{
// Wall time and this thread's processor time, since a shared machine
// stretches the first.
class Stopwatch
{
public:
    Stopwatch() { restart(); }
    void restart()
    {
        m_wall.start();
        m_nCpuStart = CpuNs();
    }
    friend std::ostream& operator<<(std::ostream& out, const Stopwatch& w)
    {
        return out << w.m_wall.elapsed() << " ms (cpu " << (CpuNs() - w.m_nCpuStart) / 1000000 << " ms)";
    }

private:
    static qint64 CpuNs()
    {
        timespec ts{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
        return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
    }
    QElapsedTimer m_wall;
    qint64 m_nCpuStart = 0;
};

// A local look at the cost at a million footprints; it asserts nothing and
// runs only when asked for (--gtest_also_run_disabled_tests).
TEST(FootprintTiming, DISABLED_printsTheCostAtAMillionFootprints)
{
    QStringList names = KicadFootprintNames();
    if (names.isEmpty())
        names = {QStringLiteral("SOIC-8_3.9x4.9mm_P1.27mm"), QStringLiteral("R_0603_1608Metric")};
    FootprintList footprints;
    const int nCount = 1000000;
    footprints.owned.reserve(nCount);
    for (int i = 0; i < nCount; ++i)
        footprints.Add(names[i % names.size()] + u'_' + QString::number(i / names.size()),
                       QStringLiteral("/lib/x.dra"));

    Stopwatch timer;
    {
        qsizetype nTotal = 0;
        for (const CFootprintEntry* p : footprints.list)
            nTotal += p->GetName().size();
        std::cout << "GetName pass: " << timer << " " << nTotal << "\n";
        timer.restart();
    }
    {
        CFootprintListModel model(true);
        model.SetEntries(&footprints.list);
        std::cout << "names prepared: " << timer << "\n";
    }
    timer.restart();
    CBackEndDlg2 dlg(&footprints.list, QString());
    dlg.InitDialog();
    std::cout << "set up: " << timer << "\n";
    dlg.show();
    QApplication::processEvents();
    std::cout << "open: " << timer << "\n";

    auto* pFilter = dlg.findChild<QLineEdit*>(QStringLiteral("edtFilter"));
    for (const char* pszText : {"S", "SO", "SOI", "SOIC", "*QFP", ""})
    {
        timer.restart();
        pFilter->setText(QString::fromUtf8(pszText));
        dlg.Grid()->viewport()->repaint();
        std::cout << "filter '" << pszText << "': " << timer << ", "
                  << dlg.Model()->rowCount() << " rows\n";
    }
    for (const Qt::SortOrder order : {Qt::AscendingOrder, Qt::DescendingOrder})
    {
        timer.restart();
        dlg.Grid()->SortRows(1, order);
        dlg.Grid()->viewport()->repaint();
        std::cout << "sort: " << timer << "\n";
    }
}
} // namespace
