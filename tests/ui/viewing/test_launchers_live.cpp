// SPDX-License-Identifier: MIT
// The launchers with the real tool manager, message session and PCB editor
// stand-in, end to end.
#include "LiveSession.h"
#include "WaitUntil.h"
#include "ipqc/IpqChannel.h"
#include "ipqc/ipqc.h"
#include "viewing/EditorDelivery.h"
#include "viewing/LaunchRequests.h"
#include "viewing/Launchers.h"

#include <gtest/gtest.h>

#include <csignal>

using physprops::ui::CEditorDelivery;
using physprops::ui::CLaunchers;

using physprops::core::kPcbEditorToolId;

using testsupport::IsAlive;
using testsupport::WaitUntil;

namespace
{
class LiveLauncherTest : public testsupport::LiveSessionTest
{
protected:
    LiveLauncherTest() : LiveSessionTest("launchers-live") {}
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
        EXPECT_TRUE(WaitForRequests(expected.size()));
    }
    EXPECT_EQ(Launchers().NewFootprintDrawing(), 1);
    expected.append(QStringLiteral("brdedit: new unnamed.dra"));
    EXPECT_TRUE(WaitForRequests(expected.size()));
    EXPECT_EQ(Requests(), expected);
    EXPECT_EQ(EditorPid(), nFirstPid) << "a request started another editor";
    EXPECT_TRUE(Lines().contains(QStringLiteral("brdedit: raise")));

    ::kill(pid_t(nFirstPid), SIGKILL);
    ASSERT_TRUE(WaitUntil([&] { return !m_pHost->tools.GetToolWindow(kPcbEditorToolId, 1); }));
    EXPECT_EQ(Launchers().NewFootprintDrawing(), 1);
    expected.append(QStringLiteral("brdedit: new unnamed.dra"));
    EXPECT_TRUE(WaitForRequests(expected.size()));
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
        first.fnToolManager = [this] { return &m_pHost->tools; };
        EXPECT_EQ(CLaunchers(first).OpenFootprintDrawing(QStringLiteral("/lib/one.dra")), 1);
    }
    const qint64 nPid = EditorPid();
    ASSERT_NE(nPid, 0);
    const CEditorDelivery& delivery = CEditorDelivery::ForSession(ipqc::CurrentSession());
    EXPECT_TRUE(delivery.StartTime(nPid).has_value());
    EXPECT_EQ(Launchers().OpenFootprintDrawing(QStringLiteral("/lib/two.dra")), 1);
    EXPECT_TRUE(WaitForRequests(2));
    EXPECT_EQ(Requests(), (QStringList{QStringLiteral("brdedit: open /lib/one.dra"),
                                       QStringLiteral("brdedit: open /lib/two.dra")}));
    EXPECT_EQ(EditorPid(), nPid) << "a second editor was started";
    EXPECT_TRUE(delivery.StartTime(nPid).has_value());
}

TEST_F(LiveLauncherTest, editorStartedOnAnAwkwardPathGetsItWhole)
{
    const QString strPath = QStringLiteral("/lib/my \"best\" Ü\nparts\\");
    EXPECT_EQ(Launchers().OpenFootprintDrawing(strPath), 1);
    EXPECT_TRUE(WaitForRequests(1));
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
    m_pHost.reset();

    EXPECT_TRUE(IsAlive(nPid));
    // Still in the session, with the user's work.
    EXPECT_EQ(ipqSend(ipqListN("%s %s", "Input", "open \"/lib/after the host.dra\"")), 0);
    EXPECT_TRUE(WaitForLine(QStringLiteral("brdedit: open /lib/after the host.dra")))
        << Lines().join('\n').toStdString();
    EXPECT_TRUE(IsAlive(nPid));
}
