// Runs the built host program as a user or a script would.
#include "HostRun.h"
#include "TestSupport.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace
{
using testsupport::HostRun;
using testsupport::RunHost;

QString WriteFile(const QTemporaryDir& dir, const QString& strName, const QByteArray& content)
{
    const QString strPath = dir.filePath(strName);
    QFile file(strPath);
    file.open(QIODevice::WriteOnly);
    file.write(content);
    return strPath;
}
} // namespace

TEST(HostProgram, walkthroughEditsClearsAndConfirms)
{
    QTemporaryDir dir;
    const QString strScript = WriteFile(dir, QStringLiteral("s.txt"),
                                        "dialog Physical Properties\n"
                                        "edit 1 2 DIP8\n"
                                        "click 2 1\n"
                                        "press Clear\n"
                                        "shot props\n"
                                        "press OK\n");
    const HostRun r = RunHost({QStringLiteral("--project"), testsupport::SourcePath(QStringLiteral("examples/demo/demo.ini")),
                           QStringLiteral("--prop"), QStringLiteral("JEDEC_TYPE=SOIC8"),
                           QStringLiteral("--prop"), QStringLiteral("ALT_SYMBOLS=(Top:A;B)"),
                           QStringLiteral("--prop"), QStringLiteral("NOTE=a=b"),
                           QStringLiteral("--script"), strScript,
                           QStringLiteral("--screenshots"), dir.path()});
    EXPECT_EQ(r.nExit, 0) << r.strErr.toStdString();
    EXPECT_TRUE(r.strOut.endsWith(QStringLiteral("JEDEC_TYPE=DIP8\nALT_SYMBOLS=\nNOTE=a=b\n")))
        << r.strOut.toStdString();
    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("props.png"))));
}

TEST(HostProgram, cancelExitsWithOneAndPrintsNoValues)
{
    QTemporaryDir dir;
    const QString strScript = WriteFile(dir, QStringLiteral("s.txt"), "edit 1 2 changed\npress Cancel\n");
    const HostRun r = RunHost({QStringLiteral("--prop"), QStringLiteral("JEDEC_TYPE=SOIC8"),
                           QStringLiteral("--script"), strScript});
    EXPECT_EQ(r.nExit, 1) << r.strErr.toStdString();
    EXPECT_FALSE(r.strOut.contains(QStringLiteral("JEDEC_TYPE=")));
}

TEST(HostProgram, errorsExitWithTwoAndSayWhy)
{
    QTemporaryDir dir;
    const QString strBad = WriteFile(dir, QStringLiteral("bad.ini"), "[Global]\nsession_name = x\nbroken line\n");
    const QString strFifo = dir.filePath(QStringLiteral("fifo"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(strFifo).constData(), 0600), 0);
    struct Case
    {
        QStringList args;
        QString strWords;
    };
    const Case cases[] = {
        {{QStringLiteral("--bogus")}, QStringLiteral("unknown option --bogus")},
        {{QStringLiteral("--prop"), QStringLiteral("NOEQUALS")}, QStringLiteral("NAME=VALUE")},
        {{QStringLiteral("--project")}, QStringLiteral("needs a value")},
        {{QStringLiteral("--project"), strBad}, strBad + QStringLiteral(":3:")},
        {{QStringLiteral("--project"), dir.filePath(QStringLiteral("none.ini"))}, QStringLiteral("cannot open")},
        {{QStringLiteral("--module"), dir.filePath(QStringLiteral("none.so"))}, QStringLiteral("cannot load the module")},
        {{QStringLiteral("--module"), testsupport::BinaryPath(QStringLiteral("lib/libphysprops-harbex.so"))},
         QStringLiteral("no CBackEndMain class record")},
        // Opened, a pipe would wait for a writer for ever.
        {{QStringLiteral("--props-file"), strFifo}, strFifo + QStringLiteral(": not a file")},
    };
    for (const Case& c : cases)
    {
        const HostRun r = RunHost(c.args);
        EXPECT_EQ(r.nExit, 2) << c.args.join(u' ').toStdString();
        EXPECT_TRUE(r.strErr.contains(c.strWords)) << r.strErr.toStdString();
    }

    // Bytes that are not UTF-8 reach the host only from a shell, not through QProcess.
    QProcess proc;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    proc.setProcessEnvironment(env);
    proc.start(QStringLiteral("/bin/sh"),
               {QStringLiteral("-c"),
                QStringLiteral(R"sh(exec "$0" --prop "$(printf 'JEDEC_TYPE=\377\376SOIC')")sh"),
                testsupport::BinaryPath(QStringLiteral("bin/physprops"))});
    ASSERT_TRUE(proc.waitForFinished(60000));
    EXPECT_EQ(proc.exitCode(), 2);
    const QString strErr = QString::fromUtf8(proc.readAllStandardError());
    EXPECT_TRUE(strErr.contains(QStringLiteral("option --prop: the value is not UTF-8 text")))
        << strErr.toStdString();
}

TEST(HostProgram, helpExplainsOptionsAndScripts)
{
    const HostRun r = RunHost({QStringLiteral("--help")});
    EXPECT_EQ(r.nExit, 0);
    for (const char* pszWord : {"--project", "--prop", "--module", "--script", "--output", "Exit status",
                                "press BUTTON", "a backslash is written \\\\, a newline \\n"})
        EXPECT_TRUE(r.strOut.contains(QString::fromLatin1(pszWord))) << pszWord;
}

TEST(HostProgram, aStalledOrUnfinishedScriptEndsTheRunWithThree)
{
    QTemporaryDir dir;
    const struct
    {
        QByteArray script;
        QString strWords;
    } cases[] = {
        {"dialog No Such Dialog\n", QStringLiteral("walkthrough FAILED: line 1 (dialog)")},
        // Nobody is left to close it: offscreen this waited for ever.
        {"dialog Physical Properties\nsay the last step\n",
         QStringLiteral("the script ended while the dialog \"Physical Properties\" is still open")},
    };
    for (const auto& c : cases)
    {
        const QString strScript = WriteFile(dir, QStringLiteral("s.txt"), c.script);
        const HostRun r = RunHost({QStringLiteral("--script"), strScript});
        EXPECT_EQ(r.nExit, 3);
        EXPECT_TRUE(r.strErr.contains(c.strWords)) << r.strErr.toStdString();
        EXPECT_EQ(r.strOut, QString());
    }
}

TEST(HostProgram, withoutADisplayOptionsAndFilesAreStillAnswered)
{
    QTemporaryDir dir;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* pszVar : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QString::fromLatin1(pszVar));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir.path()); // no Wayland socket there
    const QString strOk = WriteFile(dir, QStringLiteral("ok.txt"), "press OK\n");
    const struct
    {
        QStringList args;
        int nExit;
        QString strOut;   // start of standard output
        QString strWords; // in standard error
    } cases[] = {
        {{QStringLiteral("--help")}, 0, QStringLiteral("Usage: physprops"), {}},
        {{QStringLiteral("--version")}, 0, QStringLiteral("physprops "), {}},
        {{QStringLiteral("--bogus")}, 2, {}, QStringLiteral("unknown option --bogus")},
        {{QStringLiteral("--project"), dir.filePath(QStringLiteral("none.ini"))},
         2,
         {},
         QStringLiteral("cannot open")},
        {{QStringLiteral("--prop"), QStringLiteral("A=1")}, 2, {},
         QStringLiteral("no display to show the dialog on (neither DISPLAY nor WAYLAND_DISPLAY is set); play a "
                        "walkthrough with --script FILE, or set QT_QPA_PLATFORM=offscreen")},
        {{QStringLiteral("-platform"), QStringLiteral("xcb"), QStringLiteral("--script"), strOk}, 2, {},
         QStringLiteral("no display")},
        // A walkthrough needs no display: it runs offscreen.
        {{QStringLiteral("--prop"), QStringLiteral("A=1"), QStringLiteral("--script"), strOk},
         0,
         QStringLiteral("A=1\n"),
         {}},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.args.join(u' ').toStdString());
        const HostRun r = RunHost(c.args, env);
        EXPECT_EQ(r.nExit, c.nExit) << r.strErr.toStdString();
        EXPECT_TRUE(r.strOut.startsWith(c.strOut)) << r.strOut.toStdString();
        EXPECT_TRUE(r.strErr.contains(c.strWords)) << r.strErr.toStdString();
    }
}

TEST(HostProgram, standardOutputCarriesTheResultAloneAndUnambiguous)
{
    QTemporaryDir dir;
    const QString strScript = WriteFile(dir, QStringLiteral("s.txt"),
                                        "dialog Physical Properties\nsay pressing OK\ngrid\nwait 10\npress OK\n");
    const QStringList props = {QStringLiteral("--prop"), QStringLiteral("DESCRIPTION=ok\nJEDEC_TYPE=EVIL"),
                               QStringLiteral("--prop"), QStringLiteral("JEDEC_TYPE=SOIC8"),
                               QStringLiteral("--prop"), QStringLiteral("NOTE=C:\\new")};
    const struct
    {
        QStringList args;
        QString strOut;
    } cases[] = {
        {{}, QStringLiteral("DESCRIPTION=ok\\nJEDEC_TYPE=EVIL\nJEDEC_TYPE=SOIC8\nNOTE=C:\\\\new\n")},
        {{QStringLiteral("--output"), QStringLiteral("json")},
         QStringLiteral(R"({"properties":[{"name":"DESCRIPTION","value":"ok\nJEDEC_TYPE=EVIL"},)"
                        R"({"name":"JEDEC_TYPE","value":"SOIC8"},{"name":"NOTE","value":"C:\\new"}]})"
                        "\n")},
    };
    for (const auto& c : cases)
    {
        const HostRun r = RunHost(QStringList{QStringLiteral("--verbose"), QStringLiteral("--script"), strScript} +
                                  props + c.args);
        EXPECT_EQ(r.nExit, 0) << r.strErr.toStdString();
        EXPECT_EQ(r.strOut, c.strOut);
        // The narration is still there, on standard error.
        for (const char* pszWords : {"module: ", "session: ", "pressing OK", "walkthrough: press OK"})
            EXPECT_TRUE(r.strErr.contains(QString::fromLatin1(pszWords))) << pszWords;
    }
}
