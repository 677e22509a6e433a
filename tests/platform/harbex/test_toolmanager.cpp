#include "TestSupport.h"
#include "ToolManager.h"
#include "WaitUntil.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>
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

// Neither running nor left as a zombie: the process id is free again.
bool IsGone(qint64 nPid)
{
    return ::kill(pid_t(nPid), 0) != 0 && errno == ESRCH;
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
    EXPECT_TRUE(IsGone(nPid)) << "the ended process was not reaped";

    // Running again starts a new process.
    m_tools.RunTool(kId);
    ASSERT_NE(m_tools.GetToolWindow(kId, 1), nullptr);
    EXPECT_NE(PidOf(m_tools, kId), nPid);
}

TEST_F(ToolManagerTest, programThatCannotBeStartedIsReportedAndHasNoWindow)
{
    QTemporaryDir dir;
    const QString strNotExecutable = dir.filePath("tool");
    QFile(strNotExecutable).open(QIODevice::WriteOnly);
    const struct
    {
        QString strProgram;
        const char* pszReport;
    } cases[] = {
        {"no-such-program-here", "not found in"},
        {strNotExecutable, "not found in"},
        {"", "not found in"},
    };
    for (const auto& c : cases)
    {
        m_errors.clear();
        m_tools.RegisterTool(kId, c.strProgram, c.strProgram, "", nullptr, 1, 0, 0);
        m_tools.RunTool(kId);
        ASSERT_EQ(m_errors.size(), 1);
        EXPECT_TRUE(m_errors[0].contains(QString::fromLatin1(c.pszReport)))
            << m_errors[0].toStdString();
        EXPECT_EQ(m_tools.GetToolWindow(kId, 1), nullptr);
    }
    m_errors.clear();
    m_tools.RunTool(kId + 1);
    ASSERT_EQ(m_errors.size(), 1);
    EXPECT_TRUE(m_errors[0].contains("no tool is registered"));
}

TEST_F(ToolManagerTest, unregisteredProcessRunsOnUntilRemoved)
{
    m_tools.RegisterTool(kId, "sleep", "sleep", "30", nullptr, 1, 0, 0);
    m_tools.RunTool(kId);
    const qint64 nPid = PidOf(m_tools, kId);
    ASSERT_NE(nPid, 0);
    m_tools.UnregisterTool(kId);
    EXPECT_EQ(m_tools.FindTool(kId), nullptr);
    EXPECT_FALSE(IsGone(nPid));
    m_tools.RemoveTool(kId, 0);
    EXPECT_FALSE(IsGone(nPid)) << "flag 0 leaves running programs alone";
    m_tools.RemoveTool(kId, 1);
    EXPECT_TRUE(IsGone(nPid));
}

TEST_F(ToolManagerTest, endsItsProgramsWhenDestroyed)
{
    auto pTools = std::make_unique<CToolManager>();
    pTools->RegisterTool(1, "sleep", "sleep", "30", nullptr, 1, 0, 0);
    pTools->RegisterTool(2, "sleep", "sleep", "31", nullptr, 1, 0, 0);
    pTools->RunTool(1);
    pTools->RunTool(2);
    const qint64 nPid1 = PidOf(*pTools, 1);
    const qint64 nPid2 = PidOf(*pTools, 2);
    ASSERT_NE(nPid1, 0);
    ASSERT_NE(nPid2, 0);
    pTools.reset();
    EXPECT_TRUE(IsGone(nPid1));
    EXPECT_TRUE(IsGone(nPid2));
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
    const QString strLog = dir.filePath("brdedit.log");
    qputenv("BRDEDIT_LOG", QFile::encodeName(strLog));
    qputenv("IPQ_SESSION",
            "harbex-raise-" + QByteArray::number(QCoreApplication::applicationPid()));
    m_tools.RegisterTool(kId, "brdedit", "brdedit", "", nullptr, 1, 0, 0);
    m_tools.RunTool(kId);
    ASSERT_TRUE(WaitUntil([&] { return !ReadLines(strLog).isEmpty(); }));
    m_tools.RunTool(kId);
    m_tools.RunTool(kId);
    EXPECT_TRUE(WaitUntil([&] { return ReadLines(strLog).size() >= 3; }));
    EXPECT_EQ(ReadLines(strLog),
              (QStringList{"brdedit: new unnamed.dra", "brdedit: raise", "brdedit: raise"}));
    qunsetenv("BRDEDIT_LOG");
    qunsetenv("IPQ_SESSION");
}
