// SPDX-License-Identifier: MIT
#include "WaitUntil.h"
#include "ipqc/IpqChannel.h"
#include "ipqc/IpqListener.h"
#include "ipqc/ipqc.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHostInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <optional>

#include <sys/stat.h>
#include <unistd.h>

using ipqc::SessionAddress;

TEST(SessionOptions, readsSessionAndHostLikeTheHostWritesThem)
{
    const struct
    {
        QStringList args;
        bool bFound;
        QString strSession;
        QString strHost;
    } cases[] = {
        {{"app", "-ipqsession", "abc", "-ipqhost", "box"}, true, "abc", "box"},
        {{"app", "/IPQSESSION", "abc"}, true, "abc", "default-host"},
        {{"app", "-IpqHost", "box"}, false, "", "box"},
        {{"app", "-ipqsession"}, true, "", "default-host"},
        {{"app", "-ipqsession", "-ipqhost", "box"}, true, "", "box"},
        {{"app", "-ipqsession", "lab user", "x"}, true, "lab user", "default-host"},
        {{"app", "--ipqsession", "abc", "ipqsession", "def"}, false, "", "default-host"},
        {{}, false, "", "default-host"},
    };
    for (const auto& c : cases)
    {
        SessionAddress addr{QString(), QStringLiteral("default-host")};
        EXPECT_EQ(ipqc::ParseSessionOptions(c.args, addr), c.bFound)
            << c.args.join(' ').toStdString();
        EXPECT_EQ(addr.strSession, c.strSession) << c.args.join(' ').toStdString();
        EXPECT_EQ(addr.strHost, c.strHost) << c.args.join(' ').toStdString();
    }
}

// The one reading of option words that the client, the module's option
// list and the host share.
TEST(SessionOptions, optionWordsTakeEitherPrefixInAnyCase)
{
    const struct
    {
        const char* pszWord;
        bool bNamed;     // is "ipqsession"
        bool bNamedBare; // the same when a bare name counts too
        bool bSession;   // one of the session's options
    } cases[] = {
        {"-ipqsession", true, true, true},
        {"/IPQSESSION", true, true, true},
        {"ipqsession", false, true, false},
        {"--ipqsession", false, false, false},
        {"-ipqsessionx", false, false, true},
        {"-IpqHost", false, false, true},
        {"/ipq", false, false, true},
        {"-ip", false, false, false},
        {"", false, false, false},
        {"-", false, false, false},
    };
    for (const auto& c : cases)
    {
        const QString strWord = QString::fromUtf8(c.pszWord);
        EXPECT_EQ(ipqc::IsOptionWord(strWord, u"ipqsession"), c.bNamed) << c.pszWord;
        EXPECT_EQ(ipqc::IsOptionWord(strWord, u"ipqsession", true), c.bNamedBare) << c.pszWord;
        EXPECT_EQ(ipqc::IsSessionOptionWord(strWord), c.bSession) << c.pszWord;
    }
    EXPECT_EQ(ipqc::FindOptionWord({"ipqsession", "-x", "/IpqSession"}, u"ipqsession"), 2);
    EXPECT_EQ(ipqc::FindOptionWord({"ipqsession", "-x", "/IpqSession"}, u"ipqsession", true), 0);
    EXPECT_EQ(ipqc::FindOptionWord({QString(), "-x"}, u"", true), -1);
}

TEST(SessionOptions, takeRemovesOptionsAndValuesOnly)
{
    QStringList args{"-ipqsession", "s", "/lib/a.dra", "-ipqhost", "h", "--exit-after-ms", "5"};
    SessionAddress addr;
    EXPECT_TRUE(ipqc::TakeSessionOptions(args, addr));
    EXPECT_EQ(args, (QStringList{"/lib/a.dra", "--exit-after-ms", "5"}));
    EXPECT_EQ(addr, (SessionAddress{"s", "h"}));
}

TEST(ChannelName, neverLeavesTheFolderAndKeepsSessionsApart)
{
    const QString strFolder = QStringLiteral("/run/user/1000/ipqc");
    const QString strHost = QStringLiteral("box");
    const QStringList sessions{
        "",  "demo", "../../etc/passwd", "a/b", ".", "..", "a b", "a%20b", "a_b", "Ü", "\n",
        "-", "a@b"};
    QStringList names;
    for (const QString& s : sessions)
    {
        const QString strName = ipqc::ChannelFileName(strFolder, {s, strHost});
        EXPECT_FALSE(strName.contains(u'/')) << strName.toStdString();
        EXPECT_FALSE(strName.startsWith(u'.')) << strName.toStdString();
        EXPECT_TRUE(strName.startsWith(QStringLiteral("s-"))) << strName.toStdString();
        EXPECT_EQ(QDir::cleanPath(strFolder + u'/' + strName), strFolder + u'/' + strName);
        names.append(strName);
    }
    names.removeDuplicates();
    EXPECT_EQ(names.size(), sessions.size());
    // Session and host are told apart even when their texts could be joined either way.
    EXPECT_NE(ipqc::ChannelFileName(strFolder, {"a@b", "c"}),
              ipqc::ChannelFileName(strFolder, {"a", "b@c"}));
    EXPECT_NE(ipqc::ChannelFileName(strFolder, {"s", "h1"}),
              ipqc::ChannelFileName(strFolder, {"s", "h2"}));
}

TEST(ChannelName, longNamesBecomeADigestThatFitsASocketAddress)
{
    const QString strFolder = QStringLiteral("/run/user/1000/ipqc");
    const QString strLong(300, u'x');
    const QString strName = ipqc::ChannelFileName(strFolder, {strLong, "box"});
    EXPECT_TRUE(strName.startsWith(QStringLiteral("h-")));
    EXPECT_LE(QFile::encodeName(strFolder + u'/' + strName).size(), 107);
    EXPECT_EQ(strName, ipqc::ChannelFileName(strFolder, {strLong, "box"}));
    EXPECT_NE(strName, ipqc::ChannelFileName(strFolder, {strLong + u'y', "box"}));
}

TEST(ChannelFolder, onlyAPrivateFolderOfOurOwnIsAccepted)
{
    QTemporaryDir base;
    ASSERT_TRUE(base.isValid());
    const QByteArray root = QFile::encodeName(base.path());
    const uid_t nMe = ::geteuid();
    auto make = [&](const char* pszName, mode_t nMode)
    {
        const QByteArray path = root + '/' + pszName;
        ::mkdir(path.constData(), 0700);
        ::chmod(path.constData(), nMode);
        return QFile::decodeName(path);
    };
    const QString strGood = make("good", 0700);
    const QString strOpen = make("open", 0755);
    const QString strGroup = make("group", 0770);
    const QString strSticky = make("sticky", 01700);
    const QString strLink = QFile::decodeName(root + "/link");
    ASSERT_EQ(
        ::symlink(QByteArray(root + "/good").constData(), QFile::encodeName(strLink).constData()),
        0);
    const QString strFile = QFile::decodeName(root + "/file");
    QFile(strFile).open(QIODevice::WriteOnly);

    const struct
    {
        QString strPath;
        uid_t nUid;
        bool bAccepted;
        const char* pszWhy;
    } cases[] = {
        {strGood, nMe, true, ""},
        {strGood, nMe + 1, false, "belongs to user id"},
        {strOpen, nMe, false, "has mode 0755"},
        {strGroup, nMe, false, "has mode 0770"},
        {strSticky, nMe, false, "has mode 1700"},
        {strLink, nMe, false, "symbolic link"},
        {strFile, nMe, false, "not a folder"},
        {QFile::decodeName(root + "/missing"), nMe, false, "No such file"},
    };
    for (const auto& c : cases)
    {
        QString strError;
        EXPECT_EQ(ipqc::CheckPrivateFolder(c.strPath, c.nUid, &strError), c.bAccepted)
            << c.strPath.toStdString();
        EXPECT_TRUE(strError.contains(QString::fromLatin1(c.pszWhy))) << strError.toStdString();
        if (!c.bAccepted)
        {
            EXPECT_TRUE(strError.contains(c.strPath)) << strError.toStdString();
        }
    }
}

TEST(ChannelFolder, isCreatedPrivateEvenUnderAWideUmask)
{
    QTemporaryDir base;
    ASSERT_TRUE(base.isValid());
    const QString strPath = base.filePath(QStringLiteral("ipqc"));
    const mode_t nOld = ::umask(0);
    QString strError;
    const bool bOk = ipqc::PreparePrivateFolder(strPath, ::geteuid(), &strError);
    ::umask(nOld);
    ASSERT_TRUE(bOk) << strError.toStdString();
    struct stat st
    {
    };
    ASSERT_EQ(::lstat(QFile::encodeName(strPath).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0700u);
    // An existing folder opened to others is not put right silently: refused.
    ::chmod(QFile::encodeName(strPath).constData(), 0711);
    EXPECT_FALSE(ipqc::PreparePrivateFolder(strPath, ::geteuid(), &strError));
}

TEST(ChannelFolder, liesInTheRuntimeFolderElseInAPerUserTmpFolder)
{
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    const QTemporaryDir base;
    const QString strTmp = QStringLiteral("/tmp/ipqc-%1").arg(::geteuid());
    const struct
    {
        std::optional<QString> runtime; // unset when empty
        QString strFolder;
    } cases[] = {
        {base.path() + u'/', base.path() + QStringLiteral("/ipqc")},
        {std::nullopt, strTmp},
        {QStringLiteral("relative/dir"), strTmp},
        // Named, but its parents are missing: as if unset, and nothing made.
        {base.path() + QStringLiteral("/gone/run/user/4242"), strTmp},
        {base.path() + QStringLiteral("/file/run"), strTmp},
    };
    QFile(base.filePath(QStringLiteral("file"))).open(QIODevice::WriteOnly);
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.runtime.value_or(QStringLiteral("(unset)")).toStdString());
        if (c.runtime)
            qputenv("XDG_RUNTIME_DIR", QFile::encodeName(*c.runtime));
        else
            qunsetenv("XDG_RUNTIME_DIR");
        EXPECT_EQ(ipqc::ChannelFolderPath(), c.strFolder);
    }
    EXPECT_FALSE(QFileInfo::exists(base.filePath(QStringLiteral("gone"))));
    qputenv("XDG_RUNTIME_DIR", runtime);
}

TEST(ClientApi, initSetsTheSessionForSendsAndForStartedPrograms)
{
    char* argvNone[] = {const_cast<char*>("app"), nullptr};
    int argc = 1;
    EXPECT_EQ(ipqcInit(&argc, argvNone), -1);
    EXPECT_EQ(ipqcInit(nullptr, argvNone), -1);

    char* argv[] = {const_cast<char*>("app"), const_cast<char*>("-ipqsession"),
                    const_cast<char*>("lab_user_demo"), nullptr};
    argc = 3;
    EXPECT_EQ(ipqcInit(&argc, argv), 0);
    EXPECT_EQ(argc, 3);
    EXPECT_EQ(ipqc::CurrentSession(),
              (SessionAddress{"lab_user_demo", QHostInfo::localHostName()}));
    EXPECT_EQ(qgetenv(ipqc::kSessionVariable), "lab_user_demo");
    EXPECT_EQ(QString::fromLocal8Bit(qgetenv(ipqc::kHostVariable)), QHostInfo::localHostName());

    char* argvHost[] = {const_cast<char*>("app"),      const_cast<char*>("-ipqsession"),
                        const_cast<char*>("s2"),       const_cast<char*>("-ipqhost"),
                        const_cast<char*>("otherbox"), nullptr};
    argc = 5;
    EXPECT_EQ(ipqcInit(&argc, argvHost), 0);
    EXPECT_EQ(ipqc::CurrentSession(), (SessionAddress{"s2", "otherbox"}));
    EXPECT_EQ(ipqc::SessionFromEnvironment(), (SessionAddress{"s2", "otherbox"}));
}

TEST(ClientApi, listBuildsTextOfAnyLength)
{
    const QByteArray longPath = "/lib/" + QByteArray(5000, 'p') + ".dra";
    // What ipqSend sends, as the session's listener receives it.
    const SessionAddress session{QStringLiteral("list-%1").arg(QCoreApplication::applicationPid()),
                                 QStringLiteral("testhost")};
    ipqc::CListener listener;
    ASSERT_TRUE(listener.Listen(session)) << listener.ErrorString().toStdString();
    QByteArrayList received;
    QObject::connect(&listener, &ipqc::CListener::MessageReceived,
                     [&received](const QByteArray& payload) { received.append(payload); });
    const SessionAddress before = ipqc::CurrentSession();
    ipqc::SetCurrentSession(session);
    const auto sent = [&received]
    {
        const bool bArrived = testsupport::WaitUntil([&received] { return !received.isEmpty(); });
        return bArrived ? received.takeFirst() : QByteArray("(nothing arrived)");
    };

    EXPECT_EQ(
        ipqSend(ipqListN("%s %s", "Input", QByteArray("open \"" + longPath + '"').constData())), 0);
    EXPECT_EQ(sent(), "Input open \"" + longPath + '"');
    EXPECT_EQ(ipqSend(ipqListN("%s %d", "n", 42)), 0);
    EXPECT_EQ(sent(), "n 42");
    ipqc::SetCurrentSession(before);

    EXPECT_EQ(ipqListN(nullptr), nullptr);
    EXPECT_EQ(ipqSend(nullptr), -1);
    ipqFree(ipqListN("%s", "unsent"));
}
