// SPDX-License-Identifier: MIT
#include "CompanionSupport.h"
#include "TestSupport.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using companion::EditorRequest;

namespace
{
struct CompanionRun
{
    QString strOut;
    QString strErr;
    int nExit = -1;
};

// Runs a companion from the build tree to its end.
CompanionRun RunCompanion(const QString& strName, const QStringList& args,
                          const QProcessEnvironment& env)
{
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(testsupport::BinaryPath("bin/" + strName), args);
    EXPECT_TRUE(process.waitForFinished(30000)) << strName.toStdString();
    return {QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError()),
            process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1};
}

QProcessEnvironment Environment(const QString& strSession)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("IPQ_SESSION", strSession);
    env.remove("BRDEDIT_LOG");
    return env;
}
} // namespace

TEST(CompanionOutput, escapesSoEveryRequestStaysOnOneLine)
{
    const struct
    {
        QString strIn;
        QString strOut;
    } cases[] = {
        {"/lib/a b.dra", "/lib/a b.dra"},
        {"a\nb", "a\\nb"},
        {"a\r\nb", "a\\r\\nb"},
        {"tab\there", "tab\\there"},
        {"back\\slash\\n", "back\\\\slash\\\\n"},
        {QString("nul") + QChar(u'\0'), "nul\\x00"},
        {"\x1b[31m", "\\x1b[31m"},
        {QStringLiteral("Ü日本\u2028"), QStringLiteral("Ü日本\\x2028")},
        {"\"quoted\"", "\"quoted\""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(companion::EscapeForLine(c.strIn), c.strOut) << c.strIn.toStdString();
}

TEST(EditorMessage, readsOpenAndNewRequests)
{
    const struct
    {
        QString strMessage;
        EditorRequest::Kind nKind;
        QString strPath;
    } cases[] = {
        {"Input new unnamed.dra", EditorRequest::Kind::New, ""},
        {"Input open \"/lib/a b.dra\"", EditorRequest::Kind::Open, "/lib/a b.dra"},
        {"Input open \"/lib/a\"b\".dra\"", EditorRequest::Kind::Open, "/lib/a\"b\".dra"},
        {"Input open \"\"\"", EditorRequest::Kind::Open, "\""},
        {"Input open \"/lib/x\nInput new unnamed.dra\"", EditorRequest::Kind::Open,
         "/lib/x\nInput new unnamed.dra"},
        {"Input open \"C:\\lib\\\"", EditorRequest::Kind::Open, "C:\\lib\\"},
        {"Input open \"\"", EditorRequest::Kind::Invalid, ""},
        {"Input open \"", EditorRequest::Kind::Invalid, ""},
        {"Input open \"/lib/a.dra", EditorRequest::Kind::Invalid, ""},
        {"Input open /lib/a.dra", EditorRequest::Kind::Invalid, ""},
        {"Input new other.dra", EditorRequest::Kind::Invalid, ""},
        {"Input ", EditorRequest::Kind::Invalid, ""},
        {"Output open \"/lib/a.dra\"", EditorRequest::Kind::Invalid, ""},
        {"", EditorRequest::Kind::Invalid, ""},
    };
    for (const auto& c : cases)
    {
        const EditorRequest r = companion::ParseEditorMessage(c.strMessage);
        EXPECT_EQ(r.nKind, c.nKind) << c.strMessage.toStdString();
        EXPECT_EQ(r.strPath, c.strPath) << c.strMessage.toStdString();
        EXPECT_EQ(r.strError.isEmpty(), c.nKind != EditorRequest::Kind::Invalid)
            << c.strMessage.toStdString();
    }
}

TEST(Companions, printOneLineForWhatTheyWereStartedOn)
{
    const QString strSession =
        QStringLiteral("companions-started-%1").arg(QCoreApplication::applicationPid());
    const QProcessEnvironment env = Environment(strSession);
    const struct
    {
        QString strName;
        QStringList args;
        QString strLine;
    } cases[] = {
        {"prjsetup",
         {"-proj", "/my projects/demo.ini"},
         "prjsetup: project /my projects/demo.ini\n"},
        {"prjsetup", {"-proj", "/p/a\nb.ini"}, "prjsetup: project /p/a\\nb.ini\n"},
        {"prjsetup", {"-proj", ""}, "prjsetup: no project\n"},
        {"prjsetup", {}, "prjsetup: no project\n"},
        {"brdedit", {}, "brdedit: new unnamed.dra\n"},
        {"brdedit", {"/lib/a b.dra"}, "brdedit: open /lib/a b.dra\n"},
        {"brdedit", {"-ipqsession", "other", "/lib/x\ny.dra"}, "brdedit: open /lib/x\\ny.dra\n"},
    };
    for (const auto& c : cases)
    {
        const CompanionRun r =
            RunCompanion(c.strName, c.args + QStringList{"--exit-after-ms", "0"}, env);
        EXPECT_EQ(r.strOut, c.strLine) << c.strName.toStdString() << ": " << r.strErr.toStdString();
    }
}

TEST(Companions, secondEditorInASessionHandsItsRequestToTheFirst)
{
    const QString strSession =
        QStringLiteral("companions-twice-%1").arg(QCoreApplication::applicationPid());
    const QProcessEnvironment env = Environment(strSession);
    QProcess first;
    first.setProcessEnvironment(env);
    first.start(testsupport::BinaryPath("bin/brdedit"), {"--exit-after-ms", "60000"});
    ASSERT_TRUE(first.waitForReadyRead(30000));
    EXPECT_EQ(first.readAllStandardOutput(), "brdedit: new unnamed.dra\n");

    const CompanionRun second = RunCompanion("brdedit", {"/lib/second.dra"}, env);
    EXPECT_EQ(second.strOut, "");
    EXPECT_TRUE(second.strErr.contains("handed the request to the editor already listening"))
        << second.strErr.toStdString();
    ASSERT_TRUE(first.waitForReadyRead(30000));
    EXPECT_EQ(first.readAllStandardOutput(), "brdedit: open /lib/second.dra\n");
    first.kill();
    first.waitForFinished();
}

TEST(Companions, commandLineIsAnsweredOrRefusedClearly)
{
    QProcessEnvironment noDisplay = Environment("companions-options");
    noDisplay.remove("QT_QPA_PLATFORM");
    noDisplay.remove("DISPLAY");
    noDisplay.remove("WAYLAND_DISPLAY");
    noDisplay.remove("XDG_SESSION_TYPE");
    const QProcessEnvironment offscreen = Environment("companions-options");
    const QString strExitAfter =
        "--exit-after-ms needs a number of milliseconds%1 (see %2 --help)\n";
    const struct
    {
        QString strName;
        QStringList args;
        QProcessEnvironment env;
        int nExit;
        QString strOutStart;
        QString strErr; // the whole of standard error
    } cases[] = {
        {"brdedit", {"--help"}, noDisplay, 0, "Usage: brdedit", ""},
        {"prjsetup", {"--help"}, noDisplay, 0, "Usage: prjsetup", ""},
        {"prjsetup",
         {"--exit-after-ms", "abc"},
         noDisplay,
         2,
         "",
         "prjsetup: " + strExitAfter.arg(", not \"abc\"", "prjsetup")},
        {"prjsetup",
         {"--exit-after-ms", "-5"},
         noDisplay,
         2,
         "",
         "prjsetup: " + strExitAfter.arg(", not \"-5\"", "prjsetup")},
        {"prjsetup",
         {"--exit-after-ms"},
         noDisplay,
         2,
         "",
         "prjsetup: " + strExitAfter.arg("", "prjsetup")},
        // A usage fault is told as such, before any display is looked for.
        {"brdedit",
         {"--exit-after-ms", "1s"},
         noDisplay,
         2,
         "",
         "brdedit: " + strExitAfter.arg(", not \"1s\"", "brdedit")},
        {"brdedit",
         {"/lib/a.dra", "--exit-after-ms"},
         noDisplay,
         2,
         "",
         "brdedit: " + strExitAfter.arg("", "brdedit")},
        {"brdedit",
         {"--exit-after-ms", "0"},
         noDisplay,
         2,
         "",
         "brdedit: no display to show the window on (neither DISPLAY nor WAYLAND_DISPLAY is "
         "set); run it on a display, or with QT_QPA_PLATFORM=offscreen\n"},
        {"prjsetup",
         {"-platform", "offscreen", "--exit-after-ms", "0"},
         offscreen,
         0,
         "prjsetup: no project",
         ""},
        // A session option without its value, wherever it stands.
        {"brdedit",
         {"-ipqsession"},
         noDisplay,
         2,
         "",
         "brdedit: -ipqsession needs a value (see brdedit --help)\n"},
        {"brdedit",
         {"--exit-after-ms", "0", "/IPQHOST"},
         noDisplay,
         2,
         "",
         "brdedit: /IPQHOST needs a value (see brdedit --help)\n"},
        {"brdedit",
         {"-ipqsession", "-ipqhost", "box"},
         noDisplay,
         2,
         "",
         "brdedit: -ipqsession needs a value (see brdedit --help)\n"},
        {"brdedit",
         {"-ipqsession", "-platform", "offscreen"},
         offscreen,
         2,
         "",
         "brdedit: -ipqsession needs a value (see brdedit --help)\n"},
        {"brdedit",
         {"-ipqsession", "", "--exit-after-ms", "0"},
         offscreen,
         0,
         "brdedit: new unnamed.dra",
         ""},
        {"brdedit",
         {"/lib/a.dra", "/lib/b\nc.dra", "--exit-after-ms", "0"},
         offscreen,
         0,
         "brdedit: open /lib/a.dra",
         "brdedit: argument \"/lib/b\\nc.dra\" ignored: brdedit opens one drawing (see brdedit "
         "--help)\n"},
        {"prjsetup",
         {"--exit-after-ms", "0", "-PROJ"},
         noDisplay,
         2,
         "",
         "prjsetup: -PROJ needs a value, the project file (see prjsetup --help)\n"},
        {"prjsetup",
         {"--bogus", "--exit-after-ms", "0"},
         offscreen,
         0,
         "prjsetup: no project",
         "prjsetup: argument \"--bogus\" ignored (see prjsetup --help)\n"},
    };
    for (const auto& c : cases)
    {
        const CompanionRun r = RunCompanion(c.strName, c.args, c.env);
        const std::string strWhat = QString(c.strName + " " + c.args.join(' ')).toStdString();
        EXPECT_EQ(r.nExit, c.nExit) << strWhat << ": " << r.strErr.toStdString();
        EXPECT_EQ(r.strOut.left(c.strOutStart.size()), c.strOutStart)
            << strWhat << ": " << r.strOut.toStdString();
        EXPECT_EQ(r.strErr, c.strErr) << strWhat;
    }
}
