// SPDX-License-Identifier: MIT
// The module file changes on disk while the host runs it: the open dialog
// goes on working from the copy loaded, and OK writes every value.
#include "TestSupport.h"
#include "WaitUntil.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <functional>

TEST(ModuleFile, replacedOrRemovedWhileTheDialogIsOpenTheDialogStillWritesEveryValue)
{
    const QString strBuilt = testsupport::BinaryPath(QStringLiteral("lib/libphysprops_backend.so"));
    const struct
    {
        const char* pszWhat;
        std::function<bool(const QString& strModule)> fnChange;
    } cases[] = {
        {"removed", [](const QString& strModule) { return QFile::remove(strModule); }},
        {"replaced by another file",
         [](const QString& strModule)
         {
             const QString strNew = strModule + QStringLiteral(".new");
             QFile file(strNew);
             return file.open(QIODevice::WriteOnly) && file.write("not a module") > 0 &&
                    file.flush() && std::rename(qPrintable(strNew), qPrintable(strModule)) == 0;
         }},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.pszWhat);
        QTemporaryDir dir;
        const QString strModule = dir.filePath(QStringLiteral("libphysprops_backend.so"));
        ASSERT_TRUE(QFile::copy(strBuilt, strModule));
        const QString strScript = dir.filePath(QStringLiteral("s.txt"));
        {
            QFile script(strScript);
            ASSERT_TRUE(script.open(QIODevice::WriteOnly));
            // The wait leaves the test time to change the file before the edits.
            script.write("dialog Physical Properties\nshot opened\nwait 3000\nedit 1 2 DIP8\n"
                         "click 2 1\npress Clear\npress OK\n");
        }
        QProcess host;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("LD_LIBRARY_PATH"),
                   testsupport::BinaryPath(QStringLiteral("lib")));
        host.setProcessEnvironment(env);
        host.start(testsupport::BinaryPath(QStringLiteral("bin/physprops")),
                   {QStringLiteral("--module"), strModule, QStringLiteral("--prop"),
                    QStringLiteral("JEDEC_TYPE=SOIC8"), QStringLiteral("--prop"),
                    QStringLiteral("ALT_SYMBOLS=(Top:A;B)"), QStringLiteral("--prop"),
                    QStringLiteral("NOTE=kept"), QStringLiteral("--script"), strScript,
                    QStringLiteral("--screenshots"), dir.path()});
        ASSERT_TRUE(testsupport::WaitUntil(
            [&]
            {
                return QFile::exists(dir.filePath(QStringLiteral("opened.png"))) ||
                       host.state() == QProcess::NotRunning;
            }));
        ASSERT_EQ(host.state(), QProcess::Running) << host.readAllStandardError().toStdString();
        // Held still while the file changes, so the change comes before the edits.
        ASSERT_EQ(::kill(pid_t(host.processId()), SIGSTOP), 0);
        EXPECT_TRUE(c.fnChange(strModule));
        ASSERT_EQ(::kill(pid_t(host.processId()), SIGCONT), 0);
        ASSERT_TRUE(host.waitForFinished(60000));
        const QString strErr = QString::fromUtf8(host.readAllStandardError());
        EXPECT_EQ(host.exitCode(), 0) << strErr.toStdString();
        EXPECT_TRUE(QString::fromUtf8(host.readAllStandardOutput())
                        .endsWith(QStringLiteral("JEDEC_TYPE=DIP8\nALT_SYMBOLS=\nNOTE=kept\n")))
            << strErr.toStdString();
    }
}
