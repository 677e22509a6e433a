// SPDX-License-Identifier: MIT
// The PCB editor companion, started for real through the tool manager:
// hostile drawing paths reach it as one request and run nothing; an editor
// that stops reading never holds the module up.
#include "CompanionSupport.h"
#include "ReliabilitySupport.h"
#include "WaitUntil.h"
#include "ipqc/IpqChannel.h"
#include "ipqc/IpqFrame.h"
#include "ipqc/ipqc.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/un.h>

#include <algorithm>
#include <csignal>
#include <cstring>

using testsupport::ReadLines;
using testsupport::WaitUntil;

namespace
{
// Only turns a send that hangs into a failure: what a send costs is measured
// in bench/, not asserted here, so a loaded machine cannot fail these tests.
constexpr qint64 kSendLimitMs = 30000;

// Gone, or ended and waiting for its adopter to collect it.
bool HasEnded(qint64 nPid)
{
    return !reliability::IsAlive(nPid);
}

class LiveEditor : public testsupport::LiveSessionTest
{
protected:
    LiveEditor() : LiveSessionTest("reliability") {}

    static QString OpenLine(const QString& strPath)
    {
        return QStringLiteral("brdedit: open ") + companion::EscapeForLine(strPath);
    }
    // Paths that a shell would take for commands; each tries to create the mark file.
    QStringList HostilePaths() const
    {
        const QString m = m_strMark;
        return {
            QStringLiteral("/lib/$(touch %1).dra").arg(m),
            QStringLiteral("/lib/`touch %1`.dra").arg(m),
            QStringLiteral("/lib/a; touch %1; b.dra").arg(m),
            QStringLiteral("/lib/a | touch %1 && touch %1 || touch %1 & x.dra").arg(m),
            QStringLiteral("/lib/'; touch %1; '.dra").arg(m),
            QStringLiteral("/lib/\"; touch %1; \".dra").arg(m),
            QStringLiteral("/lib/a\\\"; touch %1; \\\".dra").arg(m),
            QStringLiteral("/lib/a\"\nInput open \"/lib/forged.dra"),
            QStringLiteral("/lib/a\r\nInput new unnamed.dra\r\n"),
            QStringLiteral("/lib/${HOME}$PATH%PATH%!x.dra"),
            QStringLiteral("/lib/a > %1 < /dev/null 2>&1.dra").arg(m),
            QStringLiteral("/lib/-ipqsession other -x.dra"),
            // Bytes that are not UTF-8, as a folder listing hands them over.
            QFile::decodeName("/lib/Stecker_\xdc\xff\xfe.dra"),
            QStringLiteral("/lib/") + QString(4000, u'x') + QStringLiteral(".dra"),
        };
    }

    const QString m_strMark = m_dir.filePath(QStringLiteral("ran"));
};
} // namespace

TEST_F(LiveEditor, hostilePathsArriveAsOneRequestAndRunNothing)
{
    // One path with all of it on the command line of a fresh editor ...
    const QString strFirst =
        QStringLiteral("/lib/\"x\"; $(touch %1) `touch %1` | touch %1\n'\\.dra").arg(m_strMark);
    ASSERT_EQ(Launchers().OpenFootprintDrawing(strFirst), 1);
    ASSERT_TRUE(WaitForRequests(1)) << ReadLines(m_strLog).join(u'\n').toStdString();
    const qint64 nPid = EditorPid();

    // ... then each in a message to the running editor.
    QStringList expected{OpenLine(strFirst)};
    for (const QString& strPath : HostilePaths())
    {
        SCOPED_TRACE(strPath.toStdString());
        ASSERT_EQ(Launchers().OpenFootprintDrawing(strPath), 1);
        expected.append(OpenLine(strPath));
        EXPECT_TRUE(WaitForRequests(expected.size()));
    }
    EXPECT_EQ(Requests(), expected);
    EXPECT_EQ(EditorPid(), nPid) << "a request started another editor";
    EXPECT_FALSE(QFile::exists(m_strMark)) << "a path was run as a command";
    EXPECT_TRUE(QDir(m_dir.path()).entryList(QDir::Files) == QStringList{"brdedit.log"});
}

TEST_F(LiveEditor, anEditorThatDiedJustBeforeAViewIsStartedAgainWithIt)
{
    // The next View comes before the event loop has heard of the death.
    for (const int nSignal : {SIGKILL, SIGTERM, SIGHUP})
    {
        SCOPED_TRACE(nSignal);
        const qsizetype nBefore = Requests().size();
        ASSERT_EQ(Launchers().OpenFootprintDrawing(QStringLiteral("/lib/before.dra")), 1);
        ASSERT_TRUE(WaitForRequests(nBefore + 1));
        const qint64 nPid = EditorPid();
        ASSERT_NE(nPid, 0);
        ASSERT_EQ(::kill(pid_t(nPid), nSignal), 0);
        const QDeadlineTimer deadline(15000);
        bool bEnded = false;
        while (!(bEnded = HasEnded(nPid)) && !deadline.hasExpired())
            QThread::msleep(1);
        ASSERT_TRUE(bEnded);

        EXPECT_EQ(Launchers().OpenFootprintDrawing(QStringLiteral("/lib/after.dra")), 1);
        const QString strAfter = QStringLiteral("brdedit: open /lib/after.dra");
        ASSERT_TRUE(WaitUntil([&] { return Requests().mid(nBefore).contains(strAfter); }))
            << Requests().join(u'\n').toStdString();
        // An editor killed before it answered in the session may be given its
        // drawing again by the next one: at least once, never not at all.
        QStringList seen = Requests().mid(nBefore);
        seen.erase(std::unique(seen.begin(), seen.end()), seen.end());
        EXPECT_EQ(seen, (QStringList{QStringLiteral("brdedit: open /lib/before.dra"), strAfter}));
        EXPECT_NE(EditorPid(), nPid);
    }
}

TEST_F(LiveEditor, aMessageThatIsNotUtf8IsDroppedAndTheNextOneArrives)
{
    ASSERT_EQ(Launchers().NewFootprintDrawing(), 1);
    ASSERT_TRUE(WaitForRequests(1));
    const QByteArray bad = "open \"/lib/\xff\xfe; touch " + QFile::encodeName(m_strMark) + "\"";
    EXPECT_EQ(ipqSend(ipqListN("%s %s", "Input", bad.constData())), 0);
    ASSERT_EQ(Launchers().OpenFootprintDrawing(QStringLiteral("/lib/after.dra")), 1);
    ASSERT_TRUE(WaitForRequests(2));
    EXPECT_EQ(Requests(), (QStringList{QStringLiteral("brdedit: new unnamed.dra"),
                                       QStringLiteral("brdedit: open /lib/after.dra")}));
    EXPECT_FALSE(QFile::exists(m_strMark));
}

TEST_F(LiveEditor, anEditorThatStopsReadingDoesNotHoldTheSenderUp)
{
    ASSERT_EQ(Launchers().NewFootprintDrawing(), 1);
    ASSERT_TRUE(WaitForRequests(1));
    const qint64 nPid = EditorPid();
    ASSERT_NE(nPid, 0);
    ASSERT_EQ(::kill(pid_t(nPid), SIGSTOP), 0);

    // A request the socket buffers can hold waits for the editor ...
    IPQ_MSG hSmall = ipqListN("%s %s", "Input", "open \"/lib/while-stopped.dra\"");
    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(ipqSend(hSmall), 0);
    EXPECT_LT(timer.elapsed(), kSendLimitMs);
    // ... one they cannot hold is given up in time.
    const QByteArray big = "open \"/lib/" + QByteArray(ipqc::kMaxFrameSize - 100, 'x') + ".dra\"";
    IPQ_MSG hBig = ipqListN("%s %s", "Input", big.constData());
    timer.restart();
    EXPECT_EQ(ipqSend(hBig), -1);
    EXPECT_LT(timer.elapsed(), kSendLimitMs);
    // The View button's whole request too.
    timer.restart();
    EXPECT_EQ(Launchers().OpenFootprintDrawing(QStringLiteral("/lib/view.dra")), 1);
    EXPECT_LT(timer.elapsed(), kSendLimitMs);

    ASSERT_EQ(::kill(pid_t(nPid), SIGCONT), 0);
    ASSERT_TRUE(WaitForRequests(3));
    // A user's requests travel only through the outbox, which keeps their
    // order; the direct send above is a connection of its own, which the
    // editor may take before or after the outbox's.
    QStringList requests = Requests();
    ASSERT_EQ(requests.size(), 3);
    EXPECT_EQ(requests.takeFirst(), QStringLiteral("brdedit: new unnamed.dra"));
    requests.sort();
    EXPECT_EQ(requests, (QStringList{QStringLiteral("brdedit: open /lib/view.dra"),
                                     QStringLiteral("brdedit: open /lib/while-stopped.dra")}));
}

TEST(SessionChannel, aListenerThatAcceptsButNeverReadsCostsTheSenderLittle)
{
    const ipqc::SessionAddress addr{
        QStringLiteral("deaf-%1").arg(QCoreApplication::applicationPid()), QStringLiteral("host")};
    QString strError;
    const QString strPath = ipqc::ChannelPath(addr, true, &strError);
    ASSERT_FALSE(strPath.isEmpty()) << strError.toStdString();
    const int nListen = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un sa{};
    sa.sun_family = AF_UNIX;
    const QByteArray path = QFile::encodeName(strPath);
    std::memcpy(sa.sun_path, path.constData(), std::size_t(path.size()) + 1);
    ASSERT_EQ(::bind(nListen, reinterpret_cast<sockaddr*>(&sa), sizeof sa), 0);
    ASSERT_EQ(::listen(nListen, 8), 0);

    const struct
    {
        const char* pszWhat;
        qsizetype nSize;
        int nResult;
        const char* pszError; // what the sender is told
    } cases[] = {
        {"small message", 100, 0, ""},
        {"message larger than the socket buffers", qsizetype(ipqc::kMaxFrameSize), -1,
         "does not read"},
        {"second large message", qsizetype(ipqc::kMaxFrameSize) - 1, -1, "does not read"},
    };
    QList<int> accepted;
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.pszWhat);
        // The send gives up after its own timeout; the bound only catches a hang.
        QElapsedTimer timer;
        timer.start();
        strError.clear();
        EXPECT_EQ(
            ipqc::SendPayload(addr, QByteArray(c.nSize, 'x'), ipqc::kSendTimeoutMs, &strError),
            c.nResult);
        EXPECT_LT(timer.elapsed(), kSendLimitMs);
        EXPECT_TRUE(strError.contains(QString::fromLatin1(c.pszError))) << strError.toStdString();
        // Accepted, and then never read.
        const int nConn = ::accept4(nListen, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        EXPECT_GE(nConn, 0);
        accepted.append(nConn);
    }
    for (const int fd : accepted)
        ::close(fd);
    ::close(nListen);
    ::unlink(path.constData());
}
