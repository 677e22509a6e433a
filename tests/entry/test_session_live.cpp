// SPDX-License-Identifier: MIT
// The session chosen here, end to end: the PCB editor started from the
// module joins it, and another process that names it reaches that editor.
#include "SessionFixture.h"
#include "TestSupport.h"
#include "WaitUntil.h"
#include "entry/BackEndMain.h"
#include "harbex/ToolManager.h"
#include "viewing/Launchers.h"

#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>

using physprops::core::CCoreServices;
using physprops::core::kPcbEditorToolId;

namespace
{
using testsupport::ReadLines;
using testsupport::WaitUntil;

class SessionLiveTest : public SessionFixture
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        // The session's channels live in a folder of this test alone, so
        // parallel runs of the suite never meet in "lab_user_proj1".
        m_savedRuntimeDir = qgetenv("XDG_RUNTIME_DIR");
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_dir.path()));
        m_strLog = m_dir.filePath(QStringLiteral("brdedit.log"));
        qputenv("BRDEDIT_LOG", QFile::encodeName(m_strLog));
        // The other process finds the host name the same way.
        m_services.core.m_fnHostName = CCoreServices::Default().m_fnHostName;
    }
    void TearDown() override
    {
        // The editor outlives the tool manager, and would keep the test's
        // output open: end it here.
        const CBaseTool* pEditor = m_tools->FindTool(kPcbEditorToolId);
        if (pEditor && pEditor->m_pProcess)
            ::kill(pid_t(pEditor->m_pProcess->processId()), SIGKILL);
        g_pToolManager = nullptr;
        m_tools.reset();
        qunsetenv("BRDEDIT_LOG");
        qputenv("XDG_RUNTIME_DIR", m_savedRuntimeDir);
    }

    bool WaitForLine(const QString& strLine)
    {
        return WaitUntil([&] { return ReadLines(m_strLog).contains(strLine); });
    }

    struct PeerRun
    {
        int nExit = -1;
        QString strOut;
    };
    PeerRun RunPeer(const QStringList& args)
    {
        QProcess peer;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        // Only its own options may lead it into a session.
        env.remove(QStringLiteral("IPQ_SESSION"));
        env.remove(QStringLiteral("IPQ_HOST"));
        env.remove(QStringLiteral("BRDEDIT_LOG"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        peer.setProcessEnvironment(env);
        peer.start(testsupport::BinaryPath(QStringLiteral("bin/session_peer")), args);
        EXPECT_TRUE(peer.waitForFinished(60000));
        return {peer.exitCode(), QString::fromUtf8(peer.readAllStandardOutput())};
    }

    QTemporaryDir m_dir;
    QByteArray m_savedRuntimeDir;
    QString m_strLog;
    std::unique_ptr<CToolManager> m_tools = std::make_unique<CToolManager>();
};
} // namespace

TEST_F(SessionLiveTest, editorJoinsTheChosenSessionAndAnotherProcessReachesIt)
{
    CSpiProject project;
    FillGlobal(project, QStringLiteral("proj1"));
    CPropertyArray values;
    CBackEndMain main(m_services);
    main.SetToolObject(m_tools.get());
    main.SetValues(&values, &project);
    QString strSession;
    ASSERT_EQ(FindCommandOption(QStringLiteral("ipqsession"), strSession), 0);
    ASSERT_EQ(strSession, QStringLiteral("lab_user_proj1"));

    ASSERT_EQ(OpenFootprintDrawing(QStringLiteral("/lib/first.dra")), 1);
    ASSERT_TRUE(WaitForLine(QStringLiteral("brdedit: open /lib/first.dra")))
        << ReadLines(m_strLog).join(u'\n').toStdString();
    const CBaseTool* pEditor = m_tools->FindTool(kPcbEditorToolId);
    ASSERT_TRUE(pEditor && pEditor->m_pProcess);
    const qint64 nEditorPid = pEditor->m_pProcess->processId();

    // The running editor gets the next request as a message of the session.
    EXPECT_EQ(OpenFootprintDrawing(QStringLiteral("/lib/second.dra")), 1);
    EXPECT_TRUE(WaitForLine(QStringLiteral("brdedit: open /lib/second.dra")));

    // Another process started with the session's name reaches the same editor.
    const PeerRun joined =
        RunPeer({QStringLiteral("-ipqsession"), strSession, QStringLiteral("/lib/from peer.dra")});
    EXPECT_EQ(joined.nExit, 0);
    EXPECT_TRUE(joined.strOut.contains(QStringLiteral("session: lab_user_proj1\n")))
        << joined.strOut.toStdString();
    EXPECT_TRUE(WaitForLine(QStringLiteral("brdedit: open /lib/from peer.dra")))
        << ReadLines(m_strLog).join(u'\n').toStdString();

    // Without the option it chooses a session of its own and reaches nobody.
    const PeerRun alone = RunPeer({QStringLiteral("/lib/lost.dra")});
    EXPECT_EQ(alone.nExit, 1);
    EXPECT_FALSE(alone.strOut.contains(QStringLiteral("session: lab_user_proj1\n")));
    EXPECT_TRUE(alone.strOut.contains(QStringLiteral("_peer\n"))) << alone.strOut.toStdString();

    EXPECT_EQ(pEditor->m_pProcess->processId(), nEditorPid);
    EXPECT_FALSE(ReadLines(m_strLog).contains(QStringLiteral("brdedit: open /lib/lost.dra")));
}
