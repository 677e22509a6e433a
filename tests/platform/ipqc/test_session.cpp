// SPDX-License-Identifier: MIT
#include "WaitUntil.h"
#include "ipqc/IpqChannel.h"
#include "ipqc/IpqFrame.h"
#include "ipqc/IpqListener.h"
#include "ipqc/ipqc.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

using ipqc::CListener;
using ipqc::SessionAddress;
using testsupport::WaitUntil;

namespace
{
// A hang, not slowness, is what these limits catch.
constexpr qint64 kHangLimitMs = 30000;

SessionAddress UniqueSession(const char* pszName)
{
    static int s_nCounter = 0;
    return {QStringLiteral("%1-%2-%3")
                .arg(QString::fromLatin1(pszName))
                .arg(QCoreApplication::applicationPid())
                .arg(++s_nCounter),
            QStringLiteral("testhost")};
}

QString PathOf(const SessionAddress& addr)
{
    QString strError;
    const QString strPath = ipqc::ChannelPath(addr, true, &strError);
    EXPECT_FALSE(strPath.isEmpty()) << strError.toStdString();
    return strPath;
}

// A channel file whose listener is gone without removing it.
void LeaveStaleChannel(const QString& strPath)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    const QByteArray path = QFile::encodeName(strPath);
    std::memcpy(addr.sun_path, path.constData(), std::size_t(path.size()) + 1);
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ASSERT_EQ(::listen(fd, 1), 0);
    ::close(fd);
}

int Send(const SessionAddress& addr, const QByteArray& payload, QString* pError = nullptr)
{
    QString strError;
    return ipqc::SendPayload(addr, payload, ipqc::kSendTimeoutMs, pError ? pError : &strError);
}
} // namespace

TEST(Session, messagesArriveWholeAndInOrder)
{
    const SessionAddress addr = UniqueSession("order");
    CListener listener;
    ASSERT_TRUE(listener.Listen(addr)) << listener.ErrorString().toStdString();
    QList<QByteArray> received;
    QObject::connect(&listener, &CListener::MessageReceived,
                     [&](const QByteArray& payload) { received.append(payload); });

    const QList<QByteArray> payloads{
        "Input open \"/lib/a b.dra\"",
        "Input open \"/lib/a\"b\nInput new unnamed.dra\"",
        QStringLiteral("Input open \"/lib/Stecker_Ü_日本.dra\"").toUtf8(),
        QByteArray("Input open \"/lib/\0nul.dra\"", 26),
        "",
        "Input open \"" + QByteArray(200000, 'x') + '"',
    };
    for (const QByteArray& p : payloads)
        ASSERT_EQ(Send(addr, p), 0);
    ASSERT_TRUE(WaitUntil([&] { return received.size() >= payloads.size(); }));
    EXPECT_EQ(received, payloads);
}

TEST(Session, channelIsPrivateToTheUser)
{
    const SessionAddress addr = UniqueSession("mode");
    CListener listener;
    ASSERT_TRUE(listener.Listen(addr));
    struct stat st
    {
    };
    ASSERT_EQ(::lstat(QFile::encodeName(listener.ChannelPath()).constData(), &st), 0);
    EXPECT_TRUE(S_ISSOCK(st.st_mode));
    EXPECT_EQ(st.st_mode & 07777, 0600u);
}

TEST(Session, sendingToNobodyFailsAtOnce)
{
    const SessionAddress lonely = UniqueSession("nobody");
    const SessionAddress stale = UniqueSession("stale");
    LeaveStaleChannel(PathOf(stale));
    for (const SessionAddress& addr : {lonely, stale})
    {
        QElapsedTimer timer;
        timer.start();
        QString strError;
        EXPECT_EQ(Send(addr, "Input new unnamed.dra", &strError), -1);
        EXPECT_LT(timer.elapsed(), kHangLimitMs);
        EXPECT_TRUE(strError.contains(QStringLiteral("nobody listens"))) << strError.toStdString();
    }
}

TEST(Session, aListenerThatNeverReadsDoesNotHoldTheSenderUp)
{
    const SessionAddress addr = UniqueSession("deaf");
    QLocalServer deaf; // accepts nothing and reads nothing
    ASSERT_TRUE(deaf.listen(PathOf(addr)));
    QElapsedTimer timer;
    timer.start();
    QString strError;
    // More than the socket buffers hold.
    EXPECT_EQ(Send(addr, QByteArray(ipqc::kMaxFrameSize, 'x'), &strError), -1);
    EXPECT_LT(timer.elapsed(), kHangLimitMs);
    EXPECT_TRUE(strError.contains(QStringLiteral("does not read"))) << strError.toStdString();
}

TEST(Session, oversizedMessagesAreRefusedOnBothSides)
{
    const SessionAddress addr = UniqueSession("big");
    CListener listener;
    listener.SetMaxFrameSize(1024);
    ASSERT_TRUE(listener.Listen(addr));
    QSignalSpy messages(&listener, &CListener::MessageReceived);
    QSignalSpy refused(&listener, &CListener::ConnectionRefused);

    QString strError;
    EXPECT_EQ(Send(addr, QByteArray(ipqc::kMaxFrameSize + 1, 'x'), &strError), -1);
    EXPECT_TRUE(strError.contains(QStringLiteral("limit"))) << strError.toStdString();

    ASSERT_EQ(Send(addr, QByteArray(2000, 'x')), 0);
    ASSERT_TRUE(WaitUntil([&] { return refused.size() > 0; }));
    EXPECT_EQ(messages.size(), 0);

    // The listener goes on serving other connections.
    ASSERT_EQ(Send(addr, "Input new unnamed.dra"), 0);
    ASSERT_TRUE(WaitUntil([&] { return messages.size() > 0; }));
}

TEST(Session, oneListenerPerSessionAndAnAbandonedChannelIsTakenOver)
{
    const SessionAddress addr = UniqueSession("takeover");
    {
        CListener first;
        ASSERT_TRUE(first.Listen(addr));
        CListener second;
        EXPECT_FALSE(second.Listen(addr));
        EXPECT_TRUE(second.ErrorString().contains(QStringLiteral("already listens")));
        EXPECT_TRUE(first.IsListening());
    }
    LeaveStaleChannel(PathOf(addr));
    CListener third;
    ASSERT_TRUE(third.Listen(addr)) << third.ErrorString().toStdString();
    QSignalSpy messages(&third, &CListener::MessageReceived);
    ASSERT_EQ(Send(addr, "hello"), 0);
    ASSERT_TRUE(WaitUntil([&] { return messages.size() > 0; }));
}

TEST(Session, refusesToListenInAFolderOthersCanReach)
{
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    QTemporaryDir base;
    ASSERT_TRUE(base.isValid());
    const QByteArray folder = QFile::encodeName(base.filePath(QStringLiteral("ipqc")));
    ::mkdir(folder.constData(), 0777);
    ::chmod(folder.constData(), 0777);
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(base.path()));

    CListener listener;
    EXPECT_FALSE(listener.Listen(UniqueSession("open")));
    EXPECT_TRUE(listener.ErrorString().contains(QStringLiteral("refused")))
        << listener.ErrorString().toStdString();
    QString strError;
    EXPECT_EQ(Send(UniqueSession("open"), "x", &strError), -1);
    EXPECT_TRUE(strError.contains(QStringLiteral("has mode 0777"))) << strError.toStdString();

    qputenv("XDG_RUNTIME_DIR", runtime);
}

TEST(Session, ipqSendReachesTheSessionThatInitNamed)
{
    const SessionAddress addr = UniqueSession("api");
    CListener listener;
    ASSERT_TRUE(listener.Listen(addr));
    QList<QByteArray> received;
    QObject::connect(&listener, &CListener::MessageReceived,
                     [&](const QByteArray& payload) { received.append(payload); });

    QByteArray session = addr.strSession.toUtf8();
    QByteArray host = addr.strHost.toUtf8();
    char* argv[] = {const_cast<char*>("app"),
                    const_cast<char*>("-ipqsession"),
                    session.data(),
                    const_cast<char*>("-ipqhost"),
                    host.data(),
                    nullptr};
    int argc = 5;
    ASSERT_EQ(ipqcInit(&argc, argv), 0);
    EXPECT_EQ(ipqSend(ipqListN("%s %s", "Input", "open \"/lib/x.dra\"")), 0);
    ASSERT_TRUE(WaitUntil([&] { return !received.isEmpty(); }));
    EXPECT_EQ(received, QList<QByteArray>{"Input open \"/lib/x.dra\""});
}

// An editor killed between confirming a request and taking it would lose it
// for good: the sender drops what is confirmed. So the confirmation follows.
TEST(Session, aMessageIsConfirmedOnlyAfterItsReceiverTookIt)
{
    const SessionAddress addr = UniqueSession("ack");
    CListener listener;
    ASSERT_TRUE(listener.Listen(addr)) << listener.ErrorString().toStdString();
    ipqc::ListenerState state = ipqc::ListenerState::Nobody;
    QString strError;
    const int fd = ipqc::ConnectChannel(PathOf(addr), state, &strError);
    ASSERT_GE(fd, 0) << strError.toStdString();
    int nConfirmedBefore = -1;
    QObject::connect(&listener, &CListener::MessageReceived,
                     [&](const QByteArray&)
                     {
                         char c = 0;
                         nConfirmedBefore = int(::recv(fd, &c, 1, MSG_DONTWAIT | MSG_PEEK) == 1);
                     });
    const QByteArray frame = ipqc::EncodeFrame("Input new unnamed.dra");
    ASSERT_EQ(::send(fd, frame.constData(), std::size_t(frame.size()), MSG_NOSIGNAL),
              ssize_t(frame.size()));
    char c = 0;
    ASSERT_TRUE(WaitUntil([&] { return ::recv(fd, &c, 1, MSG_DONTWAIT) == 1; }, kHangLimitMs));
    ::close(fd);
    EXPECT_EQ(nConfirmedBefore, 0);
    EXPECT_EQ(c, ipqc::kAckByte);
}
