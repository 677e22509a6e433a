// SPDX-License-Identifier: MIT
// The host's end when a walkthrough fails while a footprint search hangs.
#include "HostRun.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

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
