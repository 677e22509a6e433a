// SPDX-License-Identifier: MIT
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
    const HostRun r =
        RunHost({QStringLiteral("--project"),
                 testsupport::SourcePath(QStringLiteral("examples/demo/demo.ini")),
                 QStringLiteral("--prop"), QStringLiteral("JEDEC_TYPE=SOIC8"),
                 QStringLiteral("--prop"), QStringLiteral("ALT_SYMBOLS=(Top:A;B)"),
                 QStringLiteral("--prop"), QStringLiteral("NOTE=a=b"), QStringLiteral("--script"),
                 strScript, QStringLiteral("--screenshots"), dir.path()});
    EXPECT_EQ(r.nExit, 0) << r.strErr.toStdString();
    EXPECT_TRUE(r.strOut.endsWith(QStringLiteral("JEDEC_TYPE=DIP8\nALT_SYMBOLS=\nNOTE=a=b\n")))
        << r.strOut.toStdString();
    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("props.png"))));
}

// Keys and clicks as a user gives them: text typed as the dialog opens, and
// one click on the side of the row just clicked.
TEST(HostProgram, walkthroughTypesOnTheRowAndChoosesASideWithOneClick)
{
    QTemporaryDir dir;
    const QString strScript = dir.filePath(QStringLiteral("s.txt"));
    const struct
    {
        QByteArray script;
        QString strValues;
    } cases[] = {
        {"dialog Physical Properties\ntype SOIC8\nkey enter\n",
         QStringLiteral("JEDEC_TYPE=SOIC8\nALT_SYMBOLS=(A)\n")},
        {"dialog Physical Properties\nclick 2 1\npress Browse...\ndialog Footprints\ntype "
         "*QFP\nclick 1 1\n"
         "choose 1 3 Top\npress OK\ndialog Physical Properties\npress OK\n",
         QStringLiteral("JEDEC_TYPE=SOIC14\nALT_SYMBOLS=(Top:")},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.script.toStdString());
        WriteFile(dir, QStringLiteral("s.txt"), c.script);
        const HostRun r =
            RunHost({QStringLiteral("--project"),
                     testsupport::SourcePath(QStringLiteral("examples/demo/demo.ini")),
                     QStringLiteral("--prop"), QStringLiteral("JEDEC_TYPE=SOIC14"),
                     QStringLiteral("--prop"), QStringLiteral("ALT_SYMBOLS=(A)"),
                     QStringLiteral("--script"), strScript});
        EXPECT_EQ(r.nExit, 0) << r.strErr.toStdString();
        EXPECT_TRUE(r.strOut.startsWith(c.strValues)) << r.strOut.toStdString();
        EXPECT_FALSE(r.strErr.contains(QStringLiteral("editing failed"))) << r.strErr.toStdString();
    }
}

TEST(HostProgram, cancelExitsWithOneAndPrintsNoValues)
{
    QTemporaryDir dir;
    const QString strScript =
        WriteFile(dir, QStringLiteral("s.txt"), "edit 1 2 changed\npress Cancel\n");
    const HostRun r = RunHost({QStringLiteral("--prop"), QStringLiteral("JEDEC_TYPE=SOIC8"),
                               QStringLiteral("--script"), strScript});
    EXPECT_EQ(r.nExit, 1) << r.strErr.toStdString();
    EXPECT_FALSE(r.strOut.contains(QStringLiteral("JEDEC_TYPE=")));
}

TEST(HostProgram, errorsExitWithTwoAndSayWhy)
{
    QTemporaryDir dir;
    const QString strBad =
        WriteFile(dir, QStringLiteral("bad.ini"), "[Global]\nsession_name = x\nbroken line\n");
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
        {{QStringLiteral("--project"), dir.filePath(QStringLiteral("none.ini"))},
         QStringLiteral("cannot open")},
        // The path as given, not one the loader guessed from it (".../libnone.so").
        {{QStringLiteral("--module"), dir.filePath(QStringLiteral("none.so"))},
         QStringLiteral("cannot load the module %1: there is no such file")
             .arg(dir.filePath(QStringLiteral("none.so")))},
        {{QStringLiteral("--module"),
          testsupport::BinaryPath(QStringLiteral("lib/libphysprops-harbex.so"))},
         QStringLiteral("no CBackEndMain class record")},
        // Opened, a pipe would wait for a writer for ever.
        {{QStringLiteral("--props-file"), strFifo}, strFifo + QStringLiteral(": not a file")},
    };
    for (const Case& c : cases)
    {
        const HostRun r = RunHost(c.args);
        EXPECT_EQ(r.nExit, 2) << c.args.join(u' ').toStdString();
        EXPECT_TRUE(r.strErr.contains(c.strWords)) << r.strErr.toStdString();
        EXPECT_FALSE(r.strErr.contains(QStringLiteral("libnone"))) << r.strErr.toStdString();
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

    // A project in a folder whose name is not UTF-8, given relative: refused
    // at start with the reason, as it is given absolute.
    proc.setWorkingDirectory(dir.path());
    proc.start(QStringLiteral("/bin/sh"),
               {QStringLiteral("-c"),
                QStringLiteral(R"sh(d="$(printf 'Entw\374rfe')"; mkdir "$d" && )sh"
                               R"sh(printf '[Global]\n' > "$d/demo.ini" && cd "$d" && )sh"
                               R"sh(exec "$0" --project demo.ini)sh"),
                testsupport::BinaryPath(QStringLiteral("bin/physprops"))});
    ASSERT_TRUE(proc.waitForFinished(60000));
    EXPECT_EQ(proc.exitCode(), 2);
    const QString strOdd = QString::fromUtf8(proc.readAllStandardError());
    EXPECT_TRUE(strOdd.contains(QStringLiteral("demo.ini: the name of a folder on its path is "
                                               "not UTF-8 text")))
        << strOdd.toStdString();
}

TEST(HostProgram, helpExplainsOptionsAndScripts)
{
    const HostRun r = RunHost({QStringLiteral("--help")});
    EXPECT_EQ(r.nExit, 0);
    for (const char* pszWord :
         {"--project", "--prop", "--module", "--script", "--output", "Exit status", "press BUTTON",
          "a backslash is written \\\\, a newline \\n", "edit ROW COL TEXT", "wait MS",
          "within 120 s", "English text", "Blanks around NAME",
          "checked before the first one runs"})
        EXPECT_TRUE(r.strOut.contains(QString::fromLatin1(pszWord))) << pszWord;
}

TEST(HostProgram, aStalledOrUnfinishedScriptEndsTheRunWithThree)
{
    QTemporaryDir dir;
    const QString strScript = dir.filePath(QStringLiteral("s.txt"));
    const struct
    {
        QByteArray script;
        QString strWords;
    } cases[] = {
        {"dialog No Such Dialog\n",
         QStringLiteral("walkthrough FAILED: %1:1: step \"dialog\"").arg(strScript)},
        // Nobody is left to close it: offscreen this waited for ever.
        {"dialog Physical Properties\nsay the last step\n",
         QStringLiteral("the script ended while the dialog \"Physical Properties\" is still open")},
        // Told before anything is played: the edit never happens.
        {"edit 1 2 X\npress OK\nwait 99999999999\n",
         QStringLiteral(
             "physprops: %1:3: step \"wait\": 99999999999 ms is more than the script's limit of "
             "120 s (120000 ms); nothing was played")
             .arg(strScript)},
        // A message box is no dialog with a grid, even with the dialog's title.
        {"edit 1 2 NOSUCH\nclick 1 1\npress View\ngrid\n",
         QStringLiteral(
             ":4: step \"grid\": a message box is open, not a dialog with a grid: \"Footprint "
             "can't be viewed")},
        {"edit 1 2 NOSUCH\nclick 1 1\npress View\ndialog Physical Properties\n",
         QStringLiteral(
             ":4: step \"dialog\": a message box is open, not the dialog \"Physical Properties\"")},
        // A box answered with press is told as with message.
        {"edit 1 2 NOSUCH\nclick 1 1\npress View\npress OK\ndialog Physical Properties\n",
         QStringLiteral("walkthrough: press OK\n  message box: Footprint can't be viewed")},
        // A full disk: the picture is not there, so the step is not done.
        {"shot full\n", QStringLiteral(":1: step \"shot\": cannot save %1: No space left on device")
                            .arg(dir.filePath(QStringLiteral("full.png")))},
        // The numbers count the hidden columns as the steps do.
        {"click 2\npress Browse...\ndialog Footprints\ngrid\nchoose 1 2 Top\n",
         QStringLiteral("grid of \"Footprints\": 1 Footprint | 3 Type")},
        {"click 2\npress Browse...\ndialog Footprints\nchoose 1 2 Top\n",
         QStringLiteral(":4: step \"choose\": column 2 (")},
    };
    // Writing there fails as on a full disk.
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/full"), dir.filePath(QStringLiteral("full.png"))));
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.script.toStdString());
        WriteFile(dir, QStringLiteral("s.txt"), c.script);
        const HostRun r = RunHost(
            {QStringLiteral("--project"),
             testsupport::SourcePath(QStringLiteral("examples/demo/demo.ini")),
             QStringLiteral("--prop"), QStringLiteral("JEDEC_TYPE=SOIC8"), QStringLiteral("--prop"),
             QStringLiteral("ALT_SYMBOLS=(Top:SOIC8)"), QStringLiteral("--script"), strScript,
             QStringLiteral("--screenshots"), dir.path()});
        EXPECT_EQ(r.nExit, 3);
        EXPECT_TRUE(r.strErr.contains(c.strWords)) << r.strErr.toStdString();
        EXPECT_FALSE(r.strErr.contains(QStringLiteral("  saved "))) << r.strErr.toStdString();
        // Qt's own complaint about a cell it could not edit is no step's.
        EXPECT_FALSE(r.strErr.contains(QStringLiteral("editing failed"))) << r.strErr.toStdString();
        if (c.script.contains("99999999999"))
        {
            EXPECT_FALSE(r.strErr.contains(QStringLiteral("walkthrough: edit")))
                << "a step was played";
        }
        EXPECT_EQ(r.strOut, QString());
    }
}

// A click on a disabled button does nothing: the step fails and says why.
TEST(HostProgram, pressingADisabledButtonFailsTheStepWithTheButtonsReason)
{
    QTemporaryDir dir;
    const QString strScript = WriteFile(dir, QStringLiteral("s.txt"), "click 1 1\npress View\n");
    const HostRun r = RunHost({QStringLiteral("--prop"), QStringLiteral("DESCRIPTION=8 pins"),
                               QStringLiteral("--script"), strScript});
    EXPECT_EQ(r.nExit, 3);
    EXPECT_TRUE(
        r.strErr.contains(QStringLiteral(":2: step \"press\": the button \"View\" in \"Physical "
                                         "Properties\" is disabled: View opens the footprints")))
        << r.strErr.toStdString();
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
        {{QStringLiteral("--prop"), QStringLiteral("A=1")},
         2,
         {},
         QStringLiteral("no display to show the dialog on (neither DISPLAY nor WAYLAND_DISPLAY is "
                        "set); run it on "
                        "a display, or play a walkthrough with --script FILE\n")},
        // Offscreen nobody could answer the dialog: it waited for ever.
        {{QStringLiteral("-platform"), QStringLiteral("offscreen"), QStringLiteral("--prop"),
          QStringLiteral("A=1")},
         2,
         {},
         QStringLiteral(
             "the platform offscreen shows no window: nobody could answer the dialog; play a "
             "walkthrough with --script FILE")},
        {{QStringLiteral("-platform"), QStringLiteral("xcb"), QStringLiteral("--script"), strOk},
         2,
         {},
         QStringLiteral(
             "no display to show the dialog on (the platform is xcb and DISPLAY is not set); a "
             "walkthrough needs none: leave out -platform xcb to play it offscreen")},
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
    const QString strScript =
        WriteFile(dir, QStringLiteral("s.txt"),
                  "dialog Physical Properties\nsay pressing OK\ngrid\nwait 10\npress OK\n");
    const QStringList props = {
        QStringLiteral("--prop"), QStringLiteral("DESCRIPTION=ok\nJEDEC_TYPE=EVIL"),
        QStringLiteral("--prop"), QStringLiteral("JEDEC_TYPE=SOIC8"),
        QStringLiteral("--prop"), QStringLiteral("NOTE=C:\\new")};
    // Lines that look as if they gave the search path are named by --verbose.
    const QString strProject = WriteFile(dir, QStringLiteral("p.ini"),
                                         "[Global]\npsmpath = lib\n  psmpath = other\n[brdedit]\n"
                                         "psmpath = x\n");
    const struct
    {
        QStringList args;
        QString strOut;
        QString strErrWords = {};
    } cases[] = {
        {{},
         QStringLiteral("DESCRIPTION=ok\\nJEDEC_TYPE=EVIL\nJEDEC_TYPE=SOIC8\nNOTE=C:\\\\new\n"),
         QStringLiteral("session: none\n")},
        {{QStringLiteral("--project"), strProject},
         QStringLiteral("DESCRIPTION=ok\\nJEDEC_TYPE=EVIL\nJEDEC_TYPE=SOIC8\nNOTE=C:\\\\new\n"),
         strProject +
             QStringLiteral(":3: this indented line adds a value to the line above it; "
                            "it does not set \"psmpath\"") +
             QStringLiteral(" (take out the indent to set it)\n") + strProject +
             QStringLiteral(":5: \"psmpath\" in the section [brdedit] is not read")},
        // Without a project the module joins no session, whatever was asked.
        {{QStringLiteral("--output"), QStringLiteral("json"), QStringLiteral("-ipqsession"),
          QStringLiteral("abc")},
         QStringLiteral(
             R"({"properties":[{"name":"DESCRIPTION","value":"ok\nJEDEC_TYPE=EVIL"},)"
             R"({"name":"JEDEC_TYPE","value":"SOIC8"},{"name":"NOTE","value":"C:\\new"}]})"
             "\n"),
         QStringLiteral("session: none\n")},
    };
    for (const auto& c : cases)
    {
        const HostRun r = RunHost(
            QStringList{QStringLiteral("--verbose"), QStringLiteral("--script"), strScript} +
            props + c.args);
        EXPECT_EQ(r.nExit, 0) << r.strErr.toStdString();
        EXPECT_EQ(r.strOut, c.strOut);
        // The narration is still there, on standard error.
        for (const char* pszWords :
             {"module: ", "session: ", "pressing OK", "walkthrough: press OK"})
            EXPECT_TRUE(r.strErr.contains(QString::fromLatin1(pszWords))) << pszWords;
        EXPECT_TRUE(r.strErr.contains(c.strErrWords)) << r.strErr.toStdString();
    }
}

TEST(HostProgram, theDemoWalkthroughPlaysTheSameInEveryLanguage)
{
    // Dialogs, buttons and messages are translated; the script names them in English.
    for (const char* pszLanguage : {"de", "fr"})
    {
        SCOPED_TRACE(pszLanguage);
        QTemporaryDir dir;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("LANGUAGE"), QString::fromLatin1(pszLanguage));
        const HostRun r =
            RunHost({QStringLiteral("--project"),
                     testsupport::SourcePath(QStringLiteral("examples/demo/demo.ini")),
                     QStringLiteral("--prop"), QStringLiteral("JEDEC_TYPE=SOIC14"),
                     QStringLiteral("--prop"), QStringLiteral("ALT_SYMBOLS=(Top:SOIC14;DIP8)"),
                     QStringLiteral("--prop"), QStringLiteral("DESCRIPTION=14-pin small outline"),
                     QStringLiteral("--script"),
                     testsupport::SourcePath(QStringLiteral("examples/demo/walkthrough.txt")),
                     QStringLiteral("--screenshots"), dir.path()},
                    env);
        EXPECT_EQ(r.nExit, 0) << r.strErr.toStdString();
        EXPECT_EQ(
            r.strOut,
            QStringLiteral(
                "JEDEC_TYPE=SOIC8\nALT_SYMBOLS=\nDESCRIPTION=8-pin small outline, 150 mil\n"));
        // It did play in that language.
        EXPECT_TRUE(r.strErr.contains(QString::fromUtf8(qstrcmp(pszLanguage, "de") == 0
                                                            ? "Physikalische Eigenschaften"
                                                            : "Propriétés physiques")))
            << r.strErr.toStdString();
    }
}
