// SPDX-License-Identifier: MIT
// Nobody but the user reaches the session channel: other local users are
// kept out by the folder, and by the listener should the folder be opened;
// a channel folder others could reach or own is refused.
#include "ReliabilitySupport.h"
#include "WaitUntil.h"
#include "ipqc/IpqChannel.h"
#include "ipqc/IpqFrame.h"
#include "ipqc/IpqListener.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <grp.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>

#include <cerrno>
#include <csignal>
#include <cstring>

using ipqc::CListener;
using ipqc::SessionAddress;
using reliability::OtherUser;

namespace
{
SessionAddress Unique(const char* pszName)
{
    static int s_nCounter = 0;
    return {QStringLiteral("%1-%2-%3")
                .arg(QString::fromLatin1(pszName))
                .arg(QCoreApplication::applicationPid())
                .arg(++s_nCounter),
            QStringLiteral("host")};
}

// What a client process saw.
enum ClientResult
{
    kRefused = 0,   // connect failed for want of permission
    kConnected = 1, // connected and wrote its message
    kOther = 2,     // anything else went wrong
    kTimedOut = 3,  // the child had not ended within the bound (it is killed)
};

// Runs a client in a child process, as user (or as this process's user when
// null), that connects to the socket and writes one framed message. Only
// system calls run in the child: it is a copy of a threaded program.
ClientResult ConnectAs(const OtherUser* pUser, const QString& strPath, const QByteArray& payload)
{
    const QByteArray path = QFile::encodeName(strPath);
    const QByteArray frame = ipqc::EncodeFrame(payload);
    const pid_t nChild = ::fork();
    if (nChild == 0)
    {
        if (pUser && (::setgroups(0, nullptr) != 0 || ::setgid(pUser->nGid) != 0 ||
                      ::setuid(pUser->nUid) != 0 || ::setuid(0) == 0))
            ::_exit(kOther);
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un sa{};
        sa.sun_family = AF_UNIX;
        std::memcpy(sa.sun_path, path.constData(), std::size_t(path.size()) + 1);
        if (::connect(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0)
            ::_exit(errno == EACCES || errno == EPERM ? kRefused : kOther);
        // A listener that refuses the caller may close before the write: the
        // connection was made all the same, which is what is reported.
        ::signal(SIGPIPE, SIG_IGN);
        const bool bWritten =
            ::write(fd, frame.constData(), std::size_t(frame.size())) == frame.size();
        ::_exit(bWritten || errno == EPIPE || errno == ECONNRESET ? kConnected : kOther);
    }
    if (nChild < 0)
        return kOther;
    // The listener lives in this process: keep its events turning meanwhile.
    // Only the child's real end gives a result; a wait that gives up is told
    // as such, never read as the exit code of an untouched status.
    int nStatus = 0;
    if (!testsupport::WaitUntil([&] { return ::waitpid(nChild, &nStatus, WNOHANG) == nChild; },
                                60000))
    {
        ::kill(nChild, SIGKILL);
        while (::waitpid(nChild, &nStatus, 0) < 0 && errno == EINTR)
        {
        }
        return kTimedOut;
    }
    return WIFEXITED(nStatus) ? ClientResult(WEXITSTATUS(nStatus)) : kOther;
}

OtherUser RequireOtherUser()
{
    if (::geteuid() != 0)
        return {};
    return reliability::Nobody();
}
} // namespace

TEST(ChannelAccess, anotherLocalUserCannotConnect)
{
    const OtherUser nobody = RequireOtherUser();
    if (!nobody.bFound)
        GTEST_SKIP() << "needs root, to run a client as the unprivileged user nobody";
    const SessionAddress addr = Unique("other-user");
    CListener listener;
    ASSERT_TRUE(listener.Listen(addr)) << listener.ErrorString().toStdString();
    QList<QByteArray> received;
    QObject::connect(&listener, &CListener::MessageReceived,
                     [&](const QByteArray& payload) { received.append(payload); });

    EXPECT_EQ(ConnectAs(&nobody, listener.ChannelPath(), "Input open \"/lib/evil.dra\""), kRefused);
    // The same client as the user gets through, so the refusal above was the user's.
    EXPECT_EQ(ConnectAs(nullptr, listener.ChannelPath(), "Input open \"/lib/mine.dra\""),
              kConnected);
    ASSERT_TRUE(testsupport::WaitUntil([&] { return !received.isEmpty(); }));
    EXPECT_EQ(received, QList<QByteArray>{"Input open \"/lib/mine.dra\""});
}

TEST(ChannelAccess, aListenerRefusesAnotherUserEvenThroughAnOpenedFolder)
{
    const OtherUser nobody = RequireOtherUser();
    if (!nobody.bFound)
        GTEST_SKIP() << "needs root, to run a client as the unprivileged user nobody";
    const SessionAddress addr = Unique("opened");
    CListener listener;
    ASSERT_TRUE(listener.Listen(addr)) << listener.ErrorString().toStdString();
    QSignalSpy messages(&listener, &CListener::MessageReceived);
    QSignalSpy refused(&listener, &CListener::ConnectionRefused);

    // Someone opens the way afterwards; the listener still checks who calls.
    const QByteArray socket = QFile::encodeName(listener.ChannelPath());
    const QByteArray folder = QFile::encodeName(QFileInfo(listener.ChannelPath()).path());
    const QByteArray runtime = QFile::encodeName(QFileInfo(QFile::decodeName(folder)).path());
    struct stat runtimeStat
    {
    };
    ASSERT_EQ(::stat(runtime.constData(), &runtimeStat), 0);
    ASSERT_EQ(::chmod(runtime.constData(), 0711), 0);
    ASSERT_EQ(::chmod(folder.constData(), 0711), 0);
    ASSERT_EQ(::chmod(socket.constData(), 0666), 0);
    const ClientResult nResult =
        ConnectAs(&nobody, listener.ChannelPath(), "Input new unnamed.dra");
    const bool bRefused = testsupport::WaitUntil([&] { return !refused.isEmpty(); }, 5000);
    ::chmod(socket.constData(), 0600);
    ::chmod(folder.constData(), 0700);
    ::chmod(runtime.constData(), runtimeStat.st_mode & 07777);

    ASSERT_EQ(nResult, kConnected) << "the opened folder did not let the other user in";
    EXPECT_TRUE(bRefused);
    QCoreApplication::processEvents();
    EXPECT_TRUE(messages.isEmpty());
}

TEST(ChannelAccess, aFolderOthersCanReachOrOwnIsRefusedBySendersAndListeners)
{
    const QByteArray savedRuntime = qgetenv("XDG_RUNTIME_DIR");
    const OtherUser nobody = RequireOtherUser();
    const struct
    {
        const char* pszWhat;
        mode_t nMode;
        bool bOthersOwn;
        const char* pszWhy;
    } cases[] = {
        {"readable by all", 0755, false, "has mode 0755"},
        {"open to all", 0777, false, "has mode 0777"},
        {"passable by all", 0711, false, "has mode 0711"},
        {"open to the group", 0770, false, "has mode 0770"},
        {"sticky", 01700, false, "has mode 1700"},
        {"owned by another user", 0700, true, "belongs to user id"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.pszWhat);
        if (c.bOthersOwn && !nobody.bFound)
        {
            std::printf("[  SKIPPED ] %s: needs root to give a folder away\n", c.pszWhat);
            continue;
        }
        QTemporaryDir base;
        ASSERT_TRUE(base.isValid());
        const QByteArray folder = QFile::encodeName(base.filePath(QStringLiteral("ipqc")));
        ASSERT_EQ(::mkdir(folder.constData(), 0700), 0);
        ASSERT_EQ(::chmod(folder.constData(), c.nMode), 0);
        if (c.bOthersOwn)
        {
            ASSERT_EQ(::chown(folder.constData(), nobody.nUid, nobody.nGid), 0);
        }
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(base.path()));

        const SessionAddress addr = Unique("refused");
        CListener listener;
        EXPECT_FALSE(listener.Listen(addr));
        EXPECT_TRUE(listener.ErrorString().contains(QString::fromLatin1(c.pszWhy)))
            << listener.ErrorString().toStdString();
        QString strError;
        EXPECT_EQ(ipqc::SendPayload(addr, "x", ipqc::kSendTimeoutMs, &strError), -1);
        EXPECT_TRUE(strError.contains(QString::fromLatin1(c.pszWhy))) << strError.toStdString();
        EXPECT_TRUE(ipqc::ChannelPath(addr, true, &strError).isEmpty());
        // Refused, not mended behind the user's back.
        struct stat st
        {
        };
        ASSERT_EQ(::lstat(folder.constData(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, c.nMode);
        EXPECT_EQ(
            QDir(QFile::decodeName(folder)).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
            QStringList());
    }
    qputenv("XDG_RUNTIME_DIR", savedRuntime);
}
