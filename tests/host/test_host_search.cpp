// SPDX-License-Identifier: MIT
// The host's end when a walkthrough fails while a footprint search hangs,
// and when memory runs out while it searches.
#include "HostRun.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>

#include <csignal>
#include <cstdio>

namespace
{
QString WriteFile(const QString& strPath, const QByteArray& content)
{
    QFile file(strPath);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly)) << strPath.toStdString();
    file.write(content);
    return strPath;
}
} // namespace

// A step fails while Browse or View waits on a folder that hangs: the
// script cancels the search, and the host exits with 3 while the folder
// still hangs, instead of waiting for it.
TEST(HostSearch, aFailedStepCancelsAHangingSearchAndTheHostExitsWithoutIt)
{
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("hanging")));
    WriteFile(dir.filePath(QStringLiteral("hanging/SOIC8.psm")), {});
    WriteFile(dir.filePath(QStringLiteral("hanging/SOIC8.dra")), {});
    const QString strGate = WriteFile(dir.filePath(QStringLiteral("gate")), {});
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("PSMPATH"), dir.filePath(QStringLiteral("hanging")));
    env.insert(QStringLiteral("LD_PRELOAD"), QStringLiteral(HANG_OPENDIR_PATH));
    env.insert(QStringLiteral("HANG_OPENDIR_GATE"), strGate);
    // An instrumented host wants its sanitizer's library loaded first.
    env.insert(QStringLiteral("ASAN_OPTIONS"), env.value(QStringLiteral("ASAN_OPTIONS")) +
                                                   QStringLiteral(":verify_asan_link_order=0"));
    for (const char* pszButton : {"Browse...", "View"})
    {
        SCOPED_TRACE(pszButton);
        // The step after the button expects the dialog back: the search's
        // progress stays on top instead, and the step fails.
        const QString strScript =
            WriteFile(dir.filePath(QStringLiteral("s.txt")),
                      QByteArray("dialog Physical Properties\nclick 1 1\npress ") + pszButton +
                          "\ndialog Physical Properties\npress OK\n");
        const testsupport::HostRun r =
            testsupport::RunHost({QStringLiteral("--prop"), QStringLiteral("JEDEC_TYPE=SOIC8"),
                                  QStringLiteral("--script"), strScript},
                                 env);
        EXPECT_EQ(r.nExit, 3) << r.strErr.toStdString();
        EXPECT_TRUE(r.strErr.contains(QStringLiteral("s.txt:4: step \"dialog\"")))
            << r.strErr.toStdString();
        EXPECT_TRUE(QFile::exists(strGate)); // the folder hung all along
    }
    QFile::remove(strGate);
}

namespace
{
// The peak address space of a host that only shows its dialog, in bytes.
qint64 IdleHostPeak(const QStringList& args, const QProcessEnvironment& env)
{
    QProcess proc;
    proc.setProcessEnvironment(env);
    proc.start(testsupport::BinaryPath(QStringLiteral("bin/physprops")), args);
    qint64 nPeak = 0;
    while (!proc.waitForFinished(20))
    {
        QFile status(QStringLiteral("/proc/%1/status").arg(proc.processId()));
        if (!status.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray& line : status.readAll().split('\n'))
            if (line.startsWith("VmPeak:"))
                nPeak = qMax(nPeak, line.mid(7).trimmed().split(' ').value(0).toLongLong() * 1024);
        if (proc.state() == QProcess::NotRunning)
            break;
    }
    return nPeak;
}
} // namespace

// Browse on a large library in a host given an address-space limit, swept
// from what the idle dialog reserved upwards, one host per limit: none
// aborts (SIGABRT, exit 134 in a shell). Memory running out in the search
// itself is told in the dialog (see SearchProgress in test_browse_progress).
TEST(HostSearch, memoryRunningOutInBrowseNeverAbortsTheHost)
{
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "a sanitizer's shadow memory needs the address space the limit takes away";
#else
    QTemporaryDir dir;
    QStringList folders;
    const QByteArray pad(24, 'X');
    for (int nFolder = 0; nFolder < 16; ++nFolder)
    {
        const QString strFolder = dir.filePath(QStringLiteral("lib/%1").arg(nFolder));
        ASSERT_TRUE(QDir().mkpath(strFolder));
        folders.append(strFolder);
        for (int i = 0; i < 4000; ++i)
            QFile(strFolder + QStringLiteral("/FP_%1_%2_%3.psm").arg(nFolder).arg(i).arg(pad))
                .open(QIODevice::WriteOnly);
    }
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("PSMPATH"), folders.join(u':'));
    const QString strIdle = WriteFile(dir.filePath(QStringLiteral("idle.txt")),
                                      "dialog Physical Properties\nwait 1500\npress OK\n");
    const QString strBrowse = WriteFile(dir.filePath(QStringLiteral("browse.txt")),
                                        "dialog Physical Properties\nclick 1 1\npress Browse...\n");
    const QStringList prop{QStringLiteral("--prop"), QStringLiteral("JEDEC_TYPE=SOIC8")};
    const qint64 nIdle = IdleHostPeak(prop + QStringList{QStringLiteral("--script"), strIdle}, env);
    ASSERT_GT(nIdle, 0);

    constexpr qint64 kStep = 24 << 20;
    QStringList outcomes;
    for (int k = 1; k <= 8; ++k)
    {
        const rlim_t nLimit = rlim_t(nIdle + k * kStep);
        QProcess proc;
        proc.setProcessEnvironment(env);
        proc.setChildProcessModifier(
            [nLimit]
            {
                const rlimit limit{nLimit, nLimit};
                ::setrlimit(RLIMIT_AS, &limit);
            });
        proc.start(testsupport::BinaryPath(QStringLiteral("bin/physprops")),
                   prop + QStringList{QStringLiteral("--script"), strBrowse});
        ASSERT_TRUE(proc.waitForFinished(120000));
        const QString strErr = QString::fromUtf8(proc.readAllStandardError());
        SCOPED_TRACE(
            QStringLiteral("limit %1 MiB: %2").arg(nLimit >> 20).arg(strErr).toStdString());
        EXPECT_EQ(proc.exitStatus(), QProcess::NormalExit) << "signal " << proc.exitCode();
        EXPECT_NE(proc.exitCode(), 128 + SIGABRT);
        outcomes.append(
            QStringLiteral("%1 MiB: exit %2%3")
                .arg(nLimit >> 20)
                .arg(proc.exitCode())
                .arg(strErr.contains(u"not enough memory") ? QStringLiteral(", told") : QString()));
    }
    std::printf("idle peak %lld MiB; %s\n", nIdle >> 20, qPrintable(outcomes.join(u"; ")));
#endif
}
