// SPDX-License-Identifier: MIT
#include "TestSupport.h"
#include "WaitUntil.h"
#include "harbex/ToolManager.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <functional>
#include <memory>

#include <sys/wait.h>

using testsupport::ReadLines;
using testsupport::WaitUntil;

namespace
{
constexpr unsigned kId = 4711;

qint64 PidOf(CToolManager& tools, unsigned nId)
{
    const CBaseTool* pTool = tools.FindTool(nId);
    return pTool && pTool->m_pProcess ? pTool->m_pProcess->processId() : 0;
}

// Ended, and not the host's to collect: a program's end is collected by
// whoever adopted it (init), so the host cannot leave a zombie behind.
bool IsGone(qint64 nPid)
{
    siginfo_t info{};
    if (::waitid(P_PID, id_t(nPid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 || errno != ECHILD)
        return false;
    QFile stat(QStringLiteral("/proc/%1/stat").arg(nPid));
    if (!stat.open(QIODevice::ReadOnly))
        return true;
    const QByteArray text = stat.readAll();
    return text.mid(text.lastIndexOf(')') + 2, 1) == "Z";
}

// Ends a program a test started (the manager never does).
void End(qint64 nPid)
{
    ASSERT_GT(nPid, 0);
    ::kill(pid_t(nPid), SIGKILL);
    EXPECT_TRUE(WaitUntil([&] { return IsGone(nPid); })) << "not ended, or ours to collect";
}

class ToolManagerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_tools.SetErrorHandler([this](const QString& s) { m_errors.append(s); });
    }
    CToolManager m_tools;
    QStringList m_errors;
};
} // namespace

TEST(FindProgram, looksBesideTheInstallationFirstThenOnPath)
{
    EXPECT_EQ(CToolManager::FindProgram("brdedit"),
              QFileInfo(testsupport::BinaryPath("bin/brdedit")).absoluteFilePath());
    EXPECT_EQ(CToolManager::FindProgram("sleep"), QStandardPaths::findExecutable("sleep"));
    EXPECT_FALSE(CToolManager::FindProgram("sleep").isEmpty());
    EXPECT_EQ(CToolManager::FindProgram("no-such-program-here"), QString());
    EXPECT_EQ(CToolManager::FindProgram(""), QString());
    const QString strSleep = QStandardPaths::findExecutable("sleep");
    EXPECT_EQ(CToolManager::FindProgram(strSleep), strSleep);
    EXPECT_EQ(CToolManager::FindProgram("/no/such/dir/sleep"), QString());
}

TEST_F(ToolManagerTest, hasAWindowExactlyWhileItsProcessRuns)
{
    m_tools.RegisterTool(kId, "sleep", "sleep", "30", nullptr, 1, 0, 0);
    ASSERT_NE(m_tools.FindTool(kId), nullptr);
    EXPECT_EQ(m_tools.GetToolWindow(kId, 1), nullptr) << "registered but not started";
    m_tools.RunTool(kId);
    EXPECT_TRUE(m_errors.isEmpty()) << m_errors.join('\n').toStdString();
    ASSERT_NE(m_tools.GetToolWindow(kId, 1), nullptr);
    const qint64 nPid = PidOf(m_tools, kId);

    ::kill(pid_t(nPid), SIGKILL);
    // Seen without the event loop's help: a launcher asks straight away.
    const QDeadlineTimer deadline(15000);
    while (m_tools.GetToolWindow(kId, 1) && !deadline.hasExpired())
        QThread::msleep(5);
    ASSERT_EQ(m_tools.GetToolWindow(kId, 1), nullptr);
    EXPECT_NE(m_tools.FindTool(kId), nullptr) << "a stale registration stays until replaced";
    EXPECT_TRUE(IsGone(nPid)) << "the ended process is the host's to collect";

    // Running again starts a new process.
    m_tools.RunTool(kId);
    ASSERT_NE(m_tools.GetToolWindow(kId, 1), nullptr);
    EXPECT_NE(PidOf(m_tools, kId), nPid);
    End(PidOf(m_tools, kId));
}

TEST_F(ToolManagerTest, programThatCannotBeStartedIsReportedAndHasNoWindow)
{
    QTemporaryDir dir;
    const QString strNotExecutable = dir.filePath("tool");
    QFile(strNotExecutable).open(QIODevice::WriteOnly);
    // Executable, but no program the system can run.
    const QString strNotAProgram = dir.filePath("garbage");
    QFile garbage(strNotAProgram);
    ASSERT_TRUE(garbage.open(QIODevice::WriteOnly));
    garbage.write(QByteArray(64, '\x7f'));
    garbage.close();
    garbage.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QStringList folders{dir.filePath("bin"), "/no/such/folder"};
    m_tools.SetSearchFolders(folders);
    const struct
    {
        QString strProgram;
        const char* pszFolder;
        const char* pszReport;
        QString strPath;      // where it was found
        QStringList searched; // where it was looked for
        const char* pszReason;
    } cases[] = {
        {"no-such-program-here", nullptr, "not found in", "", folders, ""},
        {"sleep", nullptr, "not found in", "", folders, ""}, // on PATH, but not in the folders
        {strNotExecutable, nullptr, "not found in its folder", "", {}, ""},
        {"", nullptr, "not found in", "", folders, ""},
        {strNotAProgram, nullptr, "Exec format error", strNotAProgram, {}, "Exec format error"},
        {"/bin/sleep",
         "/no/such/folder",
         "cannot enter the folder /no/such/folder",
         "/bin/sleep",
         {},
         "cannot enter the folder /no/such/folder: No such file or directory"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.strProgram.toStdString());
        m_errors.clear();
        m_tools.RegisterTool(kId, c.strProgram, c.strProgram, "30", c.pszFolder, 1, 0, 0);
        m_tools.RunTool(kId);
        ASSERT_EQ(m_errors.size(), 1);
        EXPECT_TRUE(m_errors[0].contains(QString::fromLatin1(c.pszReport)))
            << m_errors[0].toStdString();
        EXPECT_EQ(m_tools.GetToolWindow(kId, 1), nullptr);
        const CToolStartError* pError = m_tools.LastStartError(kId);
        ASSERT_NE(pError, nullptr);
        EXPECT_EQ(pError->strProgram, c.strProgram);
        EXPECT_EQ(pError->strPath, c.strPath);
        EXPECT_EQ(pError->searched, c.searched);
        EXPECT_EQ(pError->strReason, QString::fromLatin1(c.pszReason));
    }
    m_errors.clear();
    m_tools.RunTool(kId + 1);
    ASSERT_EQ(m_errors.size(), 1);
    EXPECT_TRUE(m_errors[0].contains("no tool is registered"));

    // A start that works clears the last failure.
    m_tools.SetSearchFolders(CToolManager::DefaultSearchFolders());
    m_tools.RegisterTool(kId, "sleep", "sleep", "30", nullptr, 1, 0, 0);
    m_tools.RunTool(kId);
    EXPECT_EQ(m_tools.LastStartError(kId), nullptr);
    End(PidOf(m_tools, kId));
}

TEST(ToolManagerLifetime, programsOutliveTheirRegistrationAndTheManagerAndLeaveNoZombie)
{
    auto pTools = std::make_unique<CToolManager>();
    const struct
    {
        unsigned nId;
        std::function<void(CToolManager&)> forget;
    } cases[] = {
        {1, [](CToolManager& t) { t.UnregisterTool(1); }},
        {2, [](CToolManager& t) { t.RemoveTool(2, 0); }},
        {3, [](CToolManager& t) { t.RemoveTool(3, 1); }},
        {4,
         [](CToolManager& t)
         {
             t.UnregisterTool(4);
             t.RemoveTool(4, 1);
         }},
        {5, [](CToolManager&) {}}, // still registered when the manager ends
    };
    QList<qint64> pids;
    for (const auto& c : cases)
    {
        pTools->RegisterTool(c.nId, "sleep", "sleep", "30", nullptr, 1, 0, 0);
        pTools->RunTool(c.nId);
        pids.append(PidOf(*pTools, c.nId));
        ASSERT_NE(pids.last(), 0);
        c.forget(*pTools);
    }
    pTools.reset();
    for (const qint64 nPid : pids)
    {
        SCOPED_TRACE(nPid);
        EXPECT_FALSE(WaitUntil([&] { return IsGone(nPid); }, 300)) << "a program was ended";
        // A session of its own: the terminal's Ctrl+C or hang-up meant for
        // the host does not reach it.
        EXPECT_NE(::getsid(pid_t(nPid)), ::getsid(0));
        // Others than the host collect its end: no zombie is left.
        End(nPid);
    }
}

TEST_F(ToolManagerTest, programsHoldNoneOfTheHostsStreamsAndWriteToTheirLog)
{
    QTemporaryDir dir;
    const QString strOut = dir.filePath("out");
    const QString strErr = dir.filePath("err");
    const QString strState = dir.filePath("state"); // not there yet
    const QByteArray savedState = qgetenv("XDG_STATE_HOME");
    qputenv("XDG_STATE_HOME", QFile::encodeName(strState));
    const QString strLog = strState + "/physprops/companions.log";
    EXPECT_EQ(CToolManager::OutputLogPath(), strLog);
    std::fflush(stdout);
    std::fflush(stderr);
    const int nSavedOut = ::dup(STDOUT_FILENO);
    const int nSavedErr = ::dup(STDERR_FILENO);
    const int nOut = ::open(QFile::encodeName(strOut).constData(), O_WRONLY | O_CREAT, 0600);
    const int nErr = ::open(QFile::encodeName(strErr).constData(), O_WRONLY | O_CREAT, 0600);
    // A descriptor the host opened without close-on-exec.
    constexpr int kHostFd = 50;
    ::dup2(nOut, kHostFd);
    ::dup2(nOut, STDOUT_FILENO);
    ::dup2(nErr, STDERR_FILENO);
    m_tools.RegisterTool(kId, "sh", "sh",
                         "-c \"echo out; echo err >&2; readlink /proc/self/fd/0; "
                         "[ -e /proc/$$/fd/50 ] && echo leaked; true\"",
                         nullptr, 1, 0, 0);
    m_tools.RunTool(kId);
    const bool bEnded = WaitUntil([&] { return !m_tools.GetToolWindow(kId, 1); });
    ::dup2(nSavedOut, STDOUT_FILENO);
    ::dup2(nSavedErr, STDERR_FILENO);
    for (const int fd : {nOut, nErr, nSavedOut, nSavedErr, kHostFd})
        ::close(fd);
    if (savedState.isNull())
        qunsetenv("XDG_STATE_HOME");
    else
        qputenv("XDG_STATE_HOME", savedState);
    ASSERT_TRUE(bEnded);
    EXPECT_EQ(ReadLines(strOut), QStringList{});
    EXPECT_EQ(ReadLines(strErr), QStringList{});
    QStringList lines = ReadLines(strLog);
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_TRUE(
        lines.takeFirst().contains(QStringLiteral(" process %1: ").arg(PidOf(m_tools, kId))));
    EXPECT_EQ(lines, (QStringList{"out", "err", "/dev/null"}));
    EXPECT_EQ(QFileInfo(strState + "/physprops").permissions().toInt() & 0x0077, 0);
    EXPECT_EQ(QFileInfo(strLog).permissions().toInt() & 0x0077, 0);
}

TEST_F(ToolManagerTest, howAProgramEndedIsKnownOnceItHasEnded)
{
    const struct
    {
        const char* pszProgram;
        const char* pszArgs;
        bool bKill; // ended by the test
        const char* pszStatus;
    } cases[] = {
        {"sh", "-c \"exit 1\"", false, "exit status 1"},
        {"true", "", false, "exit status 0"},
        {"sh", "-c \"kill -SEGV $$\"", false, "killed by signal 11 (Segmentation fault)"},
        {"sleep", "30", true, "killed by signal 9 (Killed)"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.pszArgs);
        m_tools.RegisterTool(kId, c.pszProgram, c.pszProgram, c.pszArgs, nullptr, 1, 0, 0);
        m_tools.RunTool(kId);
        const CToolProcess* pProcess = m_tools.StartedProcess(kId);
        ASSERT_NE(pProcess, nullptr);
        if (c.bKill)
        {
            EXPECT_TRUE(pProcess->WaitStatusPending());
            EXPECT_EQ(pProcess->WaitStatus(), std::nullopt) << "a status while it runs";
            End(pProcess->processId());
        }
        ASSERT_TRUE(WaitUntil([&] { return pProcess->WaitStatus().has_value(); }));
        EXPECT_EQ(CToolProcess::WaitStatusText(*pProcess->WaitStatus()), c.pszStatus);
        EXPECT_FALSE(pProcess->WaitStatusPending());
    }
}

TEST_F(ToolManagerTest, startsInTheGivenFolderWithArgumentsSplitNotThroughAShell)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // touch creates each argument as a file: shell syntax would do otherwise.
    const QString strArgs =
        QStringLiteral("\"a b\" \"$(echo x)\" 'q' \"semi;colon\" \"\\\"quoted\\\"\"");
    const QByteArray folder = QFile::encodeName(dir.path());
    m_tools.RegisterTool(kId, "touch", "touch", strArgs, folder.constData(), 1, 0, 0);
    EXPECT_EQ(m_tools.FindTool(kId)->GetWorkingDir(), dir.path());
    m_tools.RunTool(kId);
    ASSERT_TRUE(WaitUntil([&] { return m_tools.GetToolWindow(kId, 1) == nullptr; }));
    QStringList files = QDir(dir.path()).entryList(QDir::Files);
    files.sort();
    EXPECT_EQ(files, (QStringList{"\"quoted\"", "$(echo x)", "'q'", "a b", "semi;colon"}));
}

TEST_F(ToolManagerTest, runningToolIsAskedToComeForward)
{
    QTemporaryDir dir;
    qputenv("IPQ_SESSION",
            "harbex-raise-" + QByteArray::number(QCoreApplication::applicationPid()));
    const struct
    {
        QString strProgram;
        const char* pszLogVariable;
        QString strFirstLine;
    } cases[] = {
        {"brdedit", "BRDEDIT_LOG", "brdedit: new unnamed.dra"},
        {"prjsetup", "PRJSETUP_LOG", "prjsetup: no project"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.strProgram.toStdString());
        const QString strLog = dir.filePath(c.strProgram + ".log");
        qputenv(c.pszLogVariable, QFile::encodeName(strLog));
        m_tools.RegisterTool(kId, c.strProgram, c.strProgram, "", nullptr, 1, 0, 0);
        m_tools.RunTool(kId);
        // At once, before the program can be ready: it must neither die of
        // the request nor lose it.
        m_tools.RunTool(kId);
        EXPECT_TRUE(WaitUntil([&] { return ReadLines(strLog).size() >= 2; }));
        m_tools.RunTool(kId);
        EXPECT_TRUE(WaitUntil([&] { return ReadLines(strLog).size() >= 3; }));
        const QString strRaise = c.strProgram + ": raise";
        EXPECT_EQ(ReadLines(strLog), (QStringList{c.strFirstLine, strRaise, strRaise}));
        End(PidOf(m_tools, kId));
        qunsetenv(c.pszLogVariable);
    }
    qunsetenv("IPQ_SESSION");

    // A program that does not ask for the request is not disturbed by it.
    m_tools.RegisterTool(kId, "sleep", "sleep", "30", nullptr, 1, 0, 0);
    m_tools.RunTool(kId);
    const qint64 nPid = PidOf(m_tools, kId);
    m_tools.RunTool(kId);
    m_tools.RunTool(kId);
    EXPECT_FALSE(WaitUntil([&] { return IsGone(nPid); }, 300));
    EXPECT_EQ(PidOf(m_tools, kId), nPid);
    End(nPid);
}
