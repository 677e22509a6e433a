// Runs the built host program as a user or a script would.
#include "HostRun.h"
#include "TestSupport.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

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
        {{QStringLiteral("--module"), testsupport::BinaryPath(QStringLiteral("lib/libharbex.so"))},
         QStringLiteral("no CBackEndMain class record")},
    };
    for (const Case& c : cases)
    {
        const HostRun r = RunHost(c.args);
        EXPECT_EQ(r.nExit, 2) << c.args.join(u' ').toStdString();
        EXPECT_TRUE(r.strErr.contains(c.strWords)) << r.strErr.toStdString();
    }
}

TEST(HostProgram, helpExplainsOptionsAndScripts)
{
    const HostRun r = RunHost({QStringLiteral("--help")});
    EXPECT_EQ(r.nExit, 0);
    for (const char* pszWord : {"--project", "--prop", "--module", "--script", "Exit status", "press BUTTON"})
        EXPECT_TRUE(r.strOut.contains(QString::fromLatin1(pszWord))) << pszWord;
}

TEST(HostProgram, aStalledScriptEndsTheRunWithThree)
{
    QTemporaryDir dir;
    const QString strScript = WriteFile(dir, QStringLiteral("s.txt"), "dialog No Such Dialog\n");
    const HostRun r = RunHost({QStringLiteral("--script"), strScript});
    EXPECT_EQ(r.nExit, 3);
    EXPECT_TRUE(r.strOut.contains(QStringLiteral("walkthrough FAILED")));
}
