// SPDX-License-Identifier: MIT
// Long use in one process: every dialog opened and closed a thousand times
// over a 10,000-footprint library, and 10,000 View requests to a running PCB
// editor. Nothing may pile up: resident memory, file descriptors, child
// processes; every request arrives once and in order.
#include "CompanionSupport.h"
#include "LiveSession.h"
#include "TempLibrary.h"
#include "WaitUntil.h"
#include "footprints/BackEndDlg1.h"
#include "footprints/BackEndDlg2.h"
#include "harbex/ToolManager.h"
#include "pellium/Footprint.h"
#include "physprops/PhysPropsDlg.h"
#include "properties/Property.h"
#include "viewing/LaunchRequests.h"
#include "viewing/Launchers.h"
#include "viewing/LocationDlg.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

using physprops::ui::CDialogBase;
using physprops::ui::CLaunchers;

using physprops::core::kPcbEditorToolId;

using testsupport::WaitUntil;

namespace
{
constexpr int kFootprints = 10000;
const int kOpenings = qEnvironmentVariableIntValue("SOAK_OPENINGS") > 0
                          ? qEnvironmentVariableIntValue("SOAK_OPENINGS")
                          : 1000;
const int kViews = qEnvironmentVariableIntValue("SOAK_VIEWS") > 0
                       ? qEnvironmentVariableIntValue("SOAK_VIEWS")
                       : 10000;
constexpr qint64 kMaxGrowthKb = 5 * 1024;

qint64 ResidentKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    return -1;
}

qsizetype OpenDescriptors()
{
    return QDir(QStringLiteral("/proc/self/fd"))
        .entryList(QDir::NoDotAndDotDot | QDir::AllEntries)
        .size();
}

// Processes, zombies included, whose parent is this one.
int Children()
{
    const QByteArray self = QByteArray::number(QCoreApplication::applicationPid());
    int n = 0;
    for (const QString& strPid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs))
    {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(strPid));
        if (!strPid.front().isDigit() || !stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray text = stat.readAll();
        // "pid (comm) state ppid ...": comm may hold blanks and brackets.
        const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
        n += fields.value(1) == self;
    }
    return n;
}

struct Usage
{
    qint64 nResidentKb = 0;
    qsizetype nDescriptors = 0;
    int nChildren = 0;
};

Usage Measure()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
    return {ResidentKb(), OpenDescriptors(), Children()};
}

void ExpectNothingLeft(const Usage& before, const Usage& after, const char* pszWhat)
{
    std::printf("%s: VmRSS %lld -> %lld kB (%+lld), descriptors %lld -> %lld, children %d -> %d\n",
                pszWhat, static_cast<long long>(before.nResidentKb),
                static_cast<long long>(after.nResidentKb),
                static_cast<long long>(after.nResidentKb - before.nResidentKb),
                static_cast<long long>(before.nDescriptors),
                static_cast<long long>(after.nDescriptors), before.nChildren, after.nChildren);
    std::fflush(stdout);
    EXPECT_LE(after.nResidentKb - before.nResidentKb, kMaxGrowthKb) << pszWhat;
    EXPECT_EQ(after.nDescriptors, before.nDescriptors) << pszWhat;
    EXPECT_EQ(after.nChildren, before.nChildren) << pszWhat;
}

class Soak : public testsupport::TempLibraryTest
{
protected:
    // A library folder of kFootprints footprints, listed by the real search.
    void MakeLibrary()
    {
        // In memory where there is some: 10,000 files on a loaded disk take tens of seconds.
        if (m_memory.isValid())
            m_strRoot = m_memory.path();
        QDir().mkpath(Path(QStringLiteral("lib")));
        for (int i = 0; i < kFootprints; ++i)
        {
            QFile file(Path(QStringLiteral("lib/FP%1_%2.psm")
                                .arg(i, 5, 10, QChar(u'0'))
                                .arg(i % 7 ? "SOIC" : "QFN")));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        }
        CSearchPath path;
        path.folders = QStringList{Path(QStringLiteral("lib"))};
        path.unexpanded = QStringList{QString()};
        ASSERT_EQ(m_search.CreateFootprintList(path, QStringLiteral(".psm"), PROP_JEDEC_TYPE,
                                               SEARCH_LISTING),
                  kFootprints);
        m_search.GetFootprintList(m_list);

        // The places of one drawing, as View finds them for the Location dialog.
        QDir().mkpath(Path(QStringLiteral("lib2")));
        for (const char* pszFolder : {"lib", "lib2"})
            ASSERT_TRUE(QFile(Path(QStringLiteral("%1/FP00001_SOIC.dra").arg(pszFolder)))
                            .open(QIODevice::WriteOnly));
        path.folders.append(Path(QStringLiteral("lib2")));
        path.unexpanded.append(QString());
        ASSERT_EQ(m_places.CreateFootprintList(
                      path, QStringList{QStringLiteral("FP00001_SOIC.dra")}, PROP_JEDEC_TYPE),
                  2);
        m_places.GetFootprintList(m_placeList);
    }

    QTemporaryDir m_memory{QStringLiteral("/dev/shm/physprops-soak-XXXXXX")};
    CFootprint m_search;
    QList<CFootprintEntry*> m_list;
    CFootprint m_places;
    QList<CFootprintEntry*> m_placeList;
};

// Opens the dialog modally and closes it from inside its own loop, as a
// user's Cancel would.
void OpenAndClose(CDialogBase& dlg)
{
    QDialog& dialog = dlg;
    QTimer::singleShot(0, &dialog, [&dialog] { dialog.reject(); });
    ASSERT_EQ(dlg.DoModal(), 2);
}
} // namespace

TEST_F(Soak, everyDialogOpensAndClosesAThousandTimesLeavingNothingBehind)
{
    ASSERT_NO_FATAL_FAILURE(MakeLibrary());
    testsupport::CFakeServices services;
    CPropertyArray values{
        new CProperty(QStringLiteral("JEDEC_TYPE"), QStringLiteral("FP00001_SOIC")),
        new CProperty(QStringLiteral("ALT_SYMBOLS"), QStringLiteral("(FP00002_SOIC,FP00003_SOIC)")),
        new CProperty(QStringLiteral("VALUE"), QStringLiteral("10k"))};
    const QString strProject = Path(QStringLiteral("proj.ini"));
    const struct
    {
        const char* pszWhat;
        std::function<void()> fnOpenAndClose;
    } dialogs[] = {
        {"Physical Properties",
         [&]
         {
             CPhysPropsDlg dlg(&values, nullptr, services);
             OpenAndClose(dlg);
         }},
        {"Footprints (one)",
         [&]
         {
             CBackEndDlg1 dlg(&m_list, strProject);
             OpenAndClose(dlg);
         }},
        {"Footprints (several)",
         [&]
         {
             CBackEndDlg2 dlg(&m_list, strProject);
             OpenAndClose(dlg);
         }},
        {"Location",
         [&]
         {
             CLocationDlg dlg(&m_placeList, services);
             OpenAndClose(dlg);
         }},
    };

    for (const auto& d : dialogs)
    {
        SCOPED_TRACE(d.pszWhat);
        // Warm up: the first openings load styles, fonts and caches for good.
        for (int i = 0; i < 20; ++i)
            d.fnOpenAndClose();
        const Usage before = Measure();
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < kOpenings && !HasFatalFailure(); ++i)
            d.fnOpenAndClose();
        const qint64 nMs = timer.elapsed();
        ExpectNothingLeft(before, Measure(), d.pszWhat);
        std::printf("%s: %d openings in %lld ms\n", d.pszWhat, kOpenings,
                    static_cast<long long>(nMs));
        std::fflush(stdout);
    }
    qDeleteAll(values);
}

// Checks the editor's log as it grows against the requests sent, line by
// line, keeping nothing else: what the test holds must not look like a leak.
class RequestLog
{
public:
    RequestLog(const QString& strPath, const QStringList& expected)
        : m_file(strPath), m_expected(expected)
    {
    }

    // Reads what the editor wrote since the last call; the number of requests seen.
    qsizetype Seen()
    {
        if (!m_file.isOpen() && !m_file.open(QIODevice::ReadOnly))
            return m_nSeen;
        m_pending += m_file.readAll();
        qsizetype nStart = 0;
        for (qsizetype nEnd; (nEnd = m_pending.indexOf('\n', nStart)) >= 0; nStart = nEnd + 1)
        {
            const QString strLine = QString::fromUtf8(m_pending.mid(nStart, nEnd - nStart));
            if (!strLine.startsWith(QStringLiteral("brdedit: open ")))
                continue;
            if (m_nSeen >= m_expected.size() || strLine != m_expected[m_nSeen])
            {
                if (m_strFirstWrong.isEmpty())
                    m_strFirstWrong =
                        QStringLiteral("line %1: \"%2\", expected \"%3\"")
                            .arg(m_nSeen + 1)
                            .arg(strLine, m_expected.value(m_nSeen, QStringLiteral("nothing")));
            }
            ++m_nSeen;
        }
        m_pending.remove(0, nStart);
        return m_nSeen;
    }
    const QString& FirstWrong() const { return m_strFirstWrong; }

private:
    QFile m_file;
    const QStringList& m_expected;
    QByteArray m_pending;
    qsizetype m_nSeen = 0;
    QString m_strFirstWrong;
};

TEST_F(Soak, tenThousandViewsReachTheRunningEditorOnceEachAndInOrder)
{
    // The host comes after the first measure, and goes before the last.
    testsupport::CLiveSession live("soak", false);
    ASSERT_NO_FATAL_FAILURE(live.Start());

    constexpr int kWarmUp = 20;
    QStringList paths;
    QStringList expected;
    for (int i = 0; i < kWarmUp + kViews; ++i)
    {
        paths.append(i < kWarmUp
                         ? QStringLiteral("/lib/warm%1.dra").arg(i)
                         : QStringLiteral("/lib/FP%1.dra").arg(i - kWarmUp, 5, 10, QChar(u'0')));
        expected.append(QStringLiteral("brdedit: open ") + companion::EscapeForLine(paths.back()));
    }
    const Usage before = Measure();
    {
        RequestLog log(live.m_strLog, expected);
        testsupport::CLiveHost host;
        const CLaunchers launchers = host.Launchers();

        // The first request starts the editor; warm up on a few more.
        for (int i = 0; i < kWarmUp; ++i)
        {
            ASSERT_EQ(launchers.OpenFootprintDrawing(paths[i]), 1);
            ASSERT_TRUE(WaitUntil([&] { return log.Seen() == i + 1; }))
                << log.FirstWrong().toStdString();
        }
        const CBaseTool* pTool = host.tools.FindTool(kPcbEditorToolId);
        ASSERT_TRUE(pTool && pTool->m_pProcess);
        const qint64 nPid = pTool->m_pProcess->processId();
        const Usage warm = Measure();

        // In batches a user could not outpace: the editor's socket queue is
        // not what is soaked here.
        constexpr int kBatch = 10;
        QElapsedTimer timer;
        timer.start();
        for (int i = kWarmUp; i < expected.size() && !HasFatalFailure(); i += kBatch)
        {
            const int nEnd = std::min<int>(i + kBatch, int(expected.size()));
            for (int j = i; j < nEnd; ++j)
                ASSERT_EQ(launchers.OpenFootprintDrawing(paths[j]), 1) << j;
            ASSERT_TRUE(WaitUntil([&] { return log.Seen() >= nEnd; }))
                << log.Seen() << " of " << nEnd << " requests arrived; "
                << log.FirstWrong().toStdString();
        }
        std::printf("%d View requests arrived in %lld ms\n", kViews,
                    static_cast<long long>(timer.elapsed()));
        std::fflush(stdout);
        QThread::msleep(200); // nothing more comes
        EXPECT_EQ(log.Seen(), expected.size());
        EXPECT_TRUE(log.FirstWrong().isEmpty()) << log.FirstWrong().toStdString();
        EXPECT_EQ(pTool->m_pProcess->processId(), nPid) << "a request started another editor";
        ExpectNothingLeft(warm, Measure(), "View requests (editor running)");
    }
    live.End();
    const Usage after = Measure();
    EXPECT_EQ(after.nChildren, before.nChildren);
    EXPECT_EQ(after.nDescriptors, before.nDescriptors);
}
