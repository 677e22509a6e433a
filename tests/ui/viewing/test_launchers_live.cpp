// SPDX-License-Identifier: MIT
// The launchers with the real tool manager, message session and PCB editor
// stand-in, end to end.
#include "TestSupport.h"
#include "WaitUntil.h"
#include "common/Services.h"
#include "entry/BackEndMain.h"
#include "harbex/ToolManager.h"
#include "ipqc/IpqChannel.h"
#include "ipqc/ipqc.h"
#include "viewing/EditorDelivery.h"
#include "viewing/Launchers.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <memory>

using physprops::ui::CEditorDelivery;
using physprops::ui::CLaunchers;
using physprops::ui::CServices;

using physprops::core::kPcbEditorToolId;

using testsupport::ReadLines;
using testsupport::WaitUntil;

namespace
{
class LiveLauncherTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        // Every program the tool manager starts from here on joins this session.
        QByteArray session =
            "launchers-live-" + QByteArray::number(QCoreApplication::applicationPid());
        char* argv[] = {const_cast<char*>("test"), const_cast<char*>("-ipqsession"), session.data(),
                        nullptr};
        int argc = 3;
        ASSERT_EQ(ipqcInit(&argc, argv), 0);
    }

    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_strLog = m_dir.filePath(QStringLiteral("brdedit.log"));
        qputenv("BRDEDIT_LOG", QFile::encodeName(m_strLog));
        m_pTools = std::make_unique<CToolManager>();
        m_services.fnToolManager = [this] { return m_pTools.get(); };
    }

    void TearDown() override
    {
        // The editor outlives the tool manager; the next test needs the
        // session for an editor of its own.
        EndEditor(EditorPid());
        m_pTools.reset();
        qunsetenv("BRDEDIT_LOG");
    }

    static void EndEditor(qint64 nPid)
    {
        if (nPid <= 0)
            return;
        ::kill(pid_t(nPid), SIGKILL);
        EXPECT_TRUE(WaitUntil([&] { return !IsRunning(nPid); }));
    }
    // Running, neither ended nor left as a zombie to be collected.
    static bool IsRunning(qint64 nPid)
    {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(nPid));
        if (!stat.open(QIODevice::ReadOnly))
            return false;
        const QByteArray text = stat.readAll();
        return text.mid(text.lastIndexOf(')') + 2, 1) != "Z";
    }

    QStringList Lines() const { return ReadLines(m_strLog); }
    bool WaitForLine(const QString& strLine)
    {
        return WaitUntil([&] { return Lines().contains(strLine); });
    }
    qint64 EditorPid() const
    {
        const CBaseTool* pTool = m_pTools ? m_pTools->FindTool(kPcbEditorToolId) : nullptr;
        return pTool && pTool->m_pProcess ? pTool->m_pProcess->processId() : 0;
    }
    QStringList Requests() const
    {
        return Lines().filter(QRegularExpression("^brdedit: (open|new) "));
    }

    QTemporaryDir m_dir;
    QString m_strLog;
    std::unique_ptr<CToolManager> m_pTools;
    testsupport::CFakeServices m_services;
    CLaunchers Launchers() const { return CLaunchers(m_services); }
};
} // namespace

TEST_F(LiveLauncherTest, laterRequestsReachRunningEditorAndRestartAfterItDies)
{
    EXPECT_EQ(Launchers().OpenFootprintDrawing(QStringLiteral("/lib/smd/SOIC8.dra")), 1);
    ASSERT_TRUE(WaitForLine(QStringLiteral("brdedit: open /lib/smd/SOIC8.dra")))
        << Lines().join('\n').toStdString();
    const qint64 nFirstPid = EditorPid();
    ASSERT_NE(nFirstPid, 0);

    // Each path arrives as one message, whole, and forges no other request.
    const struct
    {
        QString strPath;
        QString strLine;
    } paths[] = {
        {QStringLiteral("/lib/my parts/QFP 44.dra"),
         QStringLiteral("brdedit: open /lib/my parts/QFP 44.dra")},
        {QStringLiteral("/lib/a\"b\nInput new unnamed.dra"),
         QStringLiteral("brdedit: open /lib/a\"b\\nInput new unnamed.dra")},
        {QStringLiteral("/lib/Stecker_Ü_日本.dra"),
         QStringLiteral("brdedit: open /lib/Stecker_Ü_日本.dra")},
        {QStringLiteral("/lib/\" \"x\".dra"), QStringLiteral("brdedit: open /lib/\" \"x\".dra")},
    };
    QStringList expected{QStringLiteral("brdedit: open /lib/smd/SOIC8.dra")};
    for (const auto& p : paths)
    {
        EXPECT_EQ(Launchers().OpenFootprintDrawing(p.strPath), 1);
        expected.append(p.strLine);
        EXPECT_TRUE(WaitUntil([&] { return Requests().size() >= expected.size(); }));
    }
    EXPECT_EQ(Launchers().NewFootprintDrawing(), 1);
    expected.append(QStringLiteral("brdedit: new unnamed.dra"));
    EXPECT_TRUE(WaitUntil([&] { return Requests().size() >= expected.size(); }));
    EXPECT_EQ(Requests(), expected);
    EXPECT_EQ(EditorPid(), nFirstPid) << "a request started another editor";
    EXPECT_TRUE(Lines().contains(QStringLiteral("brdedit: raise")));

    ::kill(pid_t(nFirstPid), SIGKILL);
    ASSERT_TRUE(WaitUntil([&] { return !m_pTools->GetToolWindow(kPcbEditorToolId, 1); }));
    EXPECT_EQ(Launchers().NewFootprintDrawing(), 1);
    expected.append(QStringLiteral("brdedit: new unnamed.dra"));
    EXPECT_TRUE(WaitUntil([&] { return Requests().size() >= expected.size(); }));
    EXPECT_EQ(Requests(), expected);
    EXPECT_NE(EditorPid(), 0);
    EXPECT_NE(EditorPid(), nFirstPid);

    // The restarted editor took over the session channel the killed one left.
    EXPECT_EQ(Launchers().OpenFootprintDrawing(QStringLiteral("/lib/after.dra")), 1);
    EXPECT_TRUE(WaitForLine(QStringLiteral("brdedit: open /lib/after.dra")));
}

// The start time belongs to the session's delivery, not to the request (nor
// the services) that started the editor: a request through other services
// right after it finds the editor still starting and waits for it instead
// of starting a second one.
TEST_F(LiveLauncherTest, startTimesOutliveTheRequestThatStartedTheEditor)
{
    {
        testsupport::CFakeServices first;
        first.fnToolManager = [this] { return m_pTools.get(); };
        EXPECT_EQ(CLaunchers(first).OpenFootprintDrawing(QStringLiteral("/lib/one.dra")), 1);
    }
    const qint64 nPid = EditorPid();
    ASSERT_NE(nPid, 0);
    const CEditorDelivery& delivery = CEditorDelivery::ForSession(ipqc::CurrentSession());
    EXPECT_TRUE(delivery.StartTime(nPid).has_value());
    EXPECT_EQ(Launchers().OpenFootprintDrawing(QStringLiteral("/lib/two.dra")), 1);
    EXPECT_TRUE(WaitUntil([&] { return Requests().size() >= 2; }));
    EXPECT_EQ(Requests(), (QStringList{QStringLiteral("brdedit: open /lib/one.dra"),
                                       QStringLiteral("brdedit: open /lib/two.dra")}));
    EXPECT_EQ(EditorPid(), nPid) << "a second editor was started";
    EXPECT_TRUE(delivery.StartTime(nPid).has_value());
}

TEST_F(LiveLauncherTest, editorStartedOnAnAwkwardPathGetsItWhole)
{
    const QString strPath = QStringLiteral("/lib/my \"best\" Ü\nparts\\");
    EXPECT_EQ(Launchers().OpenFootprintDrawing(strPath), 1);
    EXPECT_TRUE(WaitUntil([&] { return !Requests().isEmpty(); }));
    EXPECT_EQ(Requests(),
              QStringList{QStringLiteral("brdedit: open /lib/my \"best\" Ü\\nparts\\\\")});
}

TEST_F(LiveLauncherTest, editorOutlivesTheHostsToolManagerAndStillAnswers)
{
    EXPECT_EQ(Launchers().OpenFootprintDrawing(QStringLiteral("/lib/before.dra")), 1);
    ASSERT_TRUE(WaitForLine(QStringLiteral("brdedit: open /lib/before.dra")));
    const qint64 nPid = EditorPid();
    ASSERT_NE(nPid, 0);

    // What the host does when it ends.
    m_pTools.reset();

    EXPECT_TRUE(IsRunning(nPid));
    // Still in the session, with the user's work.
    EXPECT_EQ(ipqSend(ipqListN("%s %s", "Input", "open \"/lib/after the host.dra\"")), 0);
    EXPECT_TRUE(WaitForLine(QStringLiteral("brdedit: open /lib/after the host.dra")))
        << Lines().join('\n').toStdString();
    EXPECT_TRUE(IsRunning(nPid));
    EndEditor(nPid);
}
