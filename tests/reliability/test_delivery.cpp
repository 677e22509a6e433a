// SPDX-License-Identifier: MIT
// View requests in a session with more than one host, a removed channel, an
// editor that ends as soon as it starts, or one that fails to hand its request
// over: each request reaches the one editor of the session, or the user is
// told which program failed and how.
#include "ReliabilitySupport.h"
#include "TestSupport.h"
#include "WaitUntil.h"
#include "ipqc/IpqChannel.h"
#include "ipqc/IpqOutbox.h"
#include "ipqc/ipqc.h"
#include "viewing/LaunchRequests.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using physprops::core::kPcbEditorToolId;

using reliability::SessionProcesses;
using testsupport::WaitUntil;

namespace
{
using Host = testsupport::CLiveHost;

// Several hosts in one session, each made by its test.
class Delivery : public testsupport::LiveSessionTest
{
protected:
    Delivery() : LiveSessionTest("delivery", false) {}

    // Generous: an editor that cannot be reached is given a few seconds
    // to finish starting before another is started.
    bool WaitForRequest(const QString& strPath) const
    {
        return WaitForLine(QStringLiteral("brdedit: open ") + strPath, 60000);
    }
    // Makes the host's PCB editor a script, the only "brdedit" it finds.
    static void UseEditor(Host& host, const QTemporaryDir& bin, const QByteArray& script)
    {
        ASSERT_TRUE(bin.isValid());
        QFile fake(bin.filePath(QStringLiteral("brdedit")));
        ASSERT_TRUE(fake.open(QIODevice::WriteOnly));
        fake.write(script);
        fake.close();
        fake.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        host.tools.SetSearchFolders({bin.path()});
    }
    qint64 ListenerPid() const
    {
        const QList<qint64> pids = SessionProcesses(m_session);
        return pids.size() == 1 ? pids[0] : 0;
    }
};
} // namespace

TEST_F(Delivery, aSecondHostMessagesTheEditorTheFirstStarted)
{
    Host first;
    Host second;
    ASSERT_EQ(first.View(QStringLiteral("/lib/first.dra")), 1);
    ASSERT_TRUE(WaitForRequest(QStringLiteral("/lib/first.dra")))
        << Requests().join('\n').toStdString();
    const qint64 nEditor = ListenerPid();
    ASSERT_NE(nEditor, 0);

    const QStringList paths{QStringLiteral("/lib/second-1.dra"),
                            QStringLiteral("/lib/second-2.dra"),
                            QStringLiteral("/lib/first-again.dra")};
    EXPECT_EQ(second.View(paths[0]), 1);
    EXPECT_EQ(second.View(paths[1]), 1);
    EXPECT_EQ(first.View(paths[2]), 1);
    for (const QString& strPath : paths)
        EXPECT_TRUE(WaitForRequest(strPath)) << Requests().join('\n').toStdString();
    EXPECT_EQ(Requests().size(), 4);
    EXPECT_EQ(SessionProcesses(m_session), QList<qint64>{nEditor}) << "a second editor runs";
    EXPECT_TRUE(first.boxes.texts.isEmpty() && second.boxes.texts.isEmpty());
}

TEST_F(Delivery, aViewAfterTheEditorsChannelWasRemovedStillArrives)
{
    Host host;
    ASSERT_EQ(host.View(QStringLiteral("/lib/before.dra")), 1);
    ASSERT_TRUE(WaitForRequest(QStringLiteral("/lib/before.dra")));
    QString strError;
    ASSERT_TRUE(QFile::remove(ipqc::ChannelPath(ipqc::CurrentSession(), false, &strError)));

    // Neither an editor that another program can no longer reach, nor one
    // this host cannot: the request arrives, and nobody is told of a bad name.
    const qsizetype nLostBefore = ipqc::COutbox::LostCount();
    EXPECT_EQ(host.View(QStringLiteral("/lib/after.dra")), 1);
    EXPECT_TRUE(WaitForRequest(QStringLiteral("/lib/after.dra")))
        << Requests().join('\n').toStdString();
    EXPECT_EQ(ipqc::COutbox::LostCount(), nLostBefore);
    EXPECT_TRUE(host.boxes.texts.isEmpty()) << host.boxes.texts.join('\n').toStdString();

    // A host that never reached it starts an editor of its own, which listens.
    ipqc::COutbox::FlushAll(0);
    Host later;
    EXPECT_EQ(later.View(QStringLiteral("/lib/later.dra")), 1);
    EXPECT_TRUE(WaitForRequest(QStringLiteral("/lib/later.dra")));
    EXPECT_EQ(ipqc::ProbeListener(ipqc::CurrentSession(), &strError), ipqc::ListenerState::Answers)
        << strError.toStdString();
}

TEST_F(Delivery, anEditorThatEndsAsItStartsIsNamedAndTriedAgain)
{
    // A "brdedit" that fails at once with status 1.
    QTemporaryDir bin;
    Host host;
    ASSERT_NO_FATAL_FAILURE(UseEditor(host, bin, "#!/bin/false\n"));

    const qsizetype nLostBefore = ipqc::COutbox::LostCount();
    for (int nTry = 1; nTry <= 2; ++nTry)
    {
        SCOPED_TRACE(nTry);
        EXPECT_EQ(host.View(QStringLiteral("/lib/view.dra")), 1);
        ASSERT_TRUE(WaitUntil([&] { return host.boxes.texts.size() == nTry; }));
        const CToolProcess* pProcess = host.tools.StartedProcess(kPcbEditorToolId);
        ASSERT_NE(pProcess, nullptr) << "the second View did not start it again";
        EXPECT_EQ(host.boxes.texts.last(),
                  QStringLiteral("The PCB editor \"brdedit\" did not get 1 request(s) to open a "
                                 "drawing: nobody listens in session \"%1\": \"brdedit\" (process "
                                 "%2) ended right after it started, before it answered (exit "
                                 "status 1).\nTry again: the next "
                                 "request starts it anew.")
                      .arg(QString::fromUtf8(m_session))
                      .arg(pProcess->processId()));
        EXPECT_EQ(ipqc::COutbox::LostCount(), nLostBefore + nTry);
        EXPECT_EQ(ipqc::COutbox::ForSession(ipqc::CurrentSession()).Delivered(), 0);
    }
}

// An editor that runs but never listens in the session (it could not make
// its channel): each request is opened once, none is started again and again
// while the next one waits to be dropped.
TEST_F(Delivery, anEditorThatNeverListensGetsEachRequestOnce)
{
    QTemporaryDir bin;
    Host host;
    ASSERT_NO_FATAL_FAILURE(UseEditor(
        host, bin, "#!/bin/sh\necho \"brdedit: open $1\" >>\"$BRDEDIT_LOG\"\nexec sleep 300\n"));

    EXPECT_EQ(host.View(QStringLiteral("/lib/one.dra")), 1);
    ASSERT_TRUE(WaitForRequest(QStringLiteral("/lib/one.dra")));
    EXPECT_EQ(host.View(QStringLiteral("/lib/two.dra")), 1);
    EXPECT_TRUE(WaitForRequest(QStringLiteral("/lib/two.dra")))
        << Requests().join('\n').toStdString();
    // Past the time a started editor is given to answer, nothing more is started.
    ASSERT_TRUE(WaitUntil(
        [] { return ipqc::COutbox::ForSession(ipqc::CurrentSession()).Pending() == 0; }, 60000));
    EXPECT_EQ(Requests(), (QStringList{QStringLiteral("brdedit: open /lib/one.dra"),
                                       QStringLiteral("brdedit: open /lib/two.dra")}));
    EXPECT_TRUE(host.boxes.texts.isEmpty()) << host.boxes.texts.join('\n').toStdString();
}

TEST_F(Delivery, aStartedEditorThatFailsToHandItsDrawingOverLeavesItToTheHost)
{
    // A "brdedit" that finds the session taken (by the real editor it starts
    // itself, with another drawing) and ends without handing its drawing over.
    const QString strEditor = testsupport::BinaryPath(QStringLiteral("bin/brdedit"));
    const struct
    {
        const char* pszEnd;
        const char* pszWhat;
    } cases[] = {
        {"exit 1", "the hand-over failed"},
        {"kill -SEGV $$", "it crashed"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.pszWhat);
        QTemporaryDir bin;
        Host host;
        ASSERT_NO_FATAL_FAILURE(
            UseEditor(host, bin,
                      "#!/bin/sh\n'" + QFile::encodeName(strEditor) + "' /lib/other.dra &\n" +
                          "until grep -q other.dra \"$BRDEDIT_LOG\"; do sleep 0.05; done\n" +
                          c.pszEnd + "\n"));
        ipqc::COutbox& outbox = ipqc::COutbox::ForSession(ipqc::CurrentSession());
        const qsizetype nDeliveredBefore = outbox.Delivered();
        const qsizetype nLostBefore = ipqc::COutbox::LostCount();

        EXPECT_EQ(host.View(QStringLiteral("/lib/view.dra")), 1);
        EXPECT_TRUE(WaitForRequest(QStringLiteral("/lib/view.dra")))
            << Requests().join('\n').toStdString();
        EXPECT_TRUE(WaitUntil([&] { return outbox.Pending() == 0; }));
        EXPECT_EQ(outbox.Delivered(), nDeliveredBefore + 1);
        EXPECT_EQ(ipqc::COutbox::LostCount(), nLostBefore);
        EXPECT_TRUE(host.boxes.texts.isEmpty()) << host.boxes.texts.join('\n').toStdString();
        EndPrograms();
        QFile::remove(m_strLog);
    }
}
