// SPDX-License-Identifier: MIT
#include "SessionFixture.h"
#include "entry/BackEndMain.h"
#include "ipqc/IpqChannel.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

using physprops::core::LocalHostName;
using physprops::core::LoginName;
using physprops::core::ProcessOptions;

using Strings = std::vector<std::string>;

namespace
{
QStringList Options(std::initializer_list<const char*> items)
{
    QStringList list{QStringLiteral("physprops")};
    for (const char* p : items)
        list.append(QString::fromUtf8(p));
    return list;
}
} // namespace

using FindCommandOptionTest = SessionFixture;

TEST_F(FindCommandOptionTest, acceptsEitherPrefixInAnyCase)
{
    struct Case
    {
        QStringList options;
        const char* pszName;
        int nResult;
        const char* pszValue; // "untouched" when not found
    } cases[] = {
        {Options({"-ipqsession", "abc"}), "ipqsession", 0, "abc"},
        {Options({"/IPQSESSION", "abc"}), "ipqsession", 0, "abc"},
        {Options({"-IpqSession", "abc"}), "IPQSESSION", 0, "abc"},
        {Options({"ipqsession", "abc"}), "ipqsession", 0, "abc"},
        {Options({"--ipqsession", "abc"}), "ipqsession", -1, "untouched"},
        {Options({"-ipqsessionx", "abc"}), "ipqsession", -1, "untouched"},
        {Options({"-x", "-ipqsession"}), "ipqsession", 0, ""},
        {Options({"-ipqhost", "h1", "-ipqhost", "h2"}), "ipqhost", 0, "h1"},
        {Options({"-ipqhost", "-ipqsession", "s"}), "ipqhost", 0, "-ipqsession"},
        {Options({}), "ipqsession", -1, "untouched"},
    };
    for (const Case& c : cases)
    {
        ProcessOptions() = c.options;
        QString strValue = QStringLiteral("untouched");
        EXPECT_EQ(FindCommandOption(QString::fromUtf8(c.pszName), strValue), c.nResult)
            << c.options.join(u' ').toStdString();
        EXPECT_EQ(strValue, QString::fromUtf8(c.pszValue)) << c.options.join(u' ').toStdString();
    }
}

TEST(ProtectQuotedSpaces, marksQuotedBlanksAndCountsQuotes)
{
    const struct
    {
        const char* pszSource;
        const char* pszDest;
        int nQuotes;
    } cases[] = {
        {"", "", 0},
        {"one \"two three\" four", "one  two!three  four", 2},
        {"one!two", "one!two", 0},
        {"\"a b", " a!b", 1},
    };
    for (const auto& c : cases)
    {
        QByteArray dest("stale");
        EXPECT_EQ(ProtectQuotedSpaces(dest, c.pszSource), c.nQuotes) << c.pszSource;
        EXPECT_EQ(dest, QByteArray(c.pszDest)) << c.pszSource;
    }
}

TEST(SplitCommandLine, quotesGroupBlanksAndEscapesAndExclamationMarksStay)
{
    const struct
    {
        const char* pszLine;
        Strings words;
    } cases[] = {
        {"one \"two three\" four", {"one", "two three", "four"}},
        {"  a   b  ", {"a", "b"}},
        {"a \"\" b", {"a", "b"}},
        {"", {}},
        {"   ", {}},
        {"one!two", {"one!two"}},
        {"\"x\" one!two", {"x", "one!two"}},
        {"\"a!b c\" d!", {"a!b c", "d!"}},
        {"ab\"cd ef\"gh", {"ab", "cd ef", "gh"}},
        {"\"open to the end", {"open to the end"}},
        {"tab\tkept", {"tab\tkept"}},
        {"\"a\\\" b\\\\\" c", {"a\" b\\", "c"}},
        {"\"x\\y\\\"", {"x\\y\""}},
        {"out\\\"side in\"", {"out\\", "side in"}},
    };
    for (const auto& c : cases)
    {
        int nArgc = -1;
        char** ppArgv = nullptr;
        SplitCommandLine(c.pszLine, &nArgc, &ppArgv);
        ASSERT_NE(ppArgv, nullptr);
        Strings words;
        for (int i = 0; i < nArgc; ++i)
            words.emplace_back(ppArgv[i]);
        EXPECT_EQ(ppArgv[nArgc], nullptr) << c.pszLine;
        EXPECT_EQ(words, c.words) << c.pszLine;
        delete[] ppArgv;
    }
}

TEST(SplitCommandLine, textsOutliveTheVectorUntilTheNextSplit)
{
    int nArgc = 0;
    char** ppArgv = nullptr;
    SplitCommandLine("app -ipqsession s1", &nArgc, &ppArgv);
    ASSERT_EQ(nArgc, 3);
    const char* pszSession = ppArgv[2];
    delete[] ppArgv;
    EXPECT_STREQ(pszSession, "s1");
}

using GetSessionNameTest = SessionFixture;

TEST_F(GetSessionNameTest, prefersTheProcessOptionThenTheDirectiveThenARandomName)
{
    const QString strRandom = QStringLiteral("^lab_user_Lib\\d+$");
    struct Case
    {
        QStringList options;
        QString strDirective; // null: no such directive
        QString strExpected;  // a pattern when it starts with '^'
        bool bAdded;
    } cases[] = {
        {Options({"-ipqsession", "abc"}), QStringLiteral("proj1"), QStringLiteral("abc"), false},
        {Options({"/IPQSESSION", "abc"}), QString(), QStringLiteral("abc"), false},
        {Options({"-ipqsession"}), QStringLiteral("proj1"), QLatin1String(""), false},
        {Options({}), QStringLiteral("proj1"), QStringLiteral("lab_user_proj1"), true},
        {Options({}), QStringLiteral("my proj"), QStringLiteral("lab_user_my proj"), true},
        {Options({}), QString(), strRandom, true},
    };
    for (const Case& c : cases)
    {
        ProcessOptions() = c.options;
        CSpiProject project;
        FillGlobal(project, c.strDirective);
        QString strSession = QStringLiteral("Lib");
        ASSERT_EQ(CProjectSession(project, m_services.m_Core).GetSessionName(strSession), 0);
        if (c.strExpected.startsWith(u'^'))
            EXPECT_TRUE(QRegularExpression(c.strExpected).match(strSession).hasMatch())
                << strSession.toStdString();
        else
            EXPECT_EQ(strSession, c.strExpected);
        const QStringList expected =
            c.bAdded ? c.options + QStringList{QStringLiteral("-ipqsession"), strSession}
                     : c.options;
        EXPECT_EQ(ProcessOptions(), expected) << strSession.toStdString();
    }
}

TEST_F(GetSessionNameTest, aMissingDirectiveLeavesItsNote)
{
    CSpiProject project;
    FillGlobal(project, QString());
    QString strSession = QStringLiteral("Lib");
    ASSERT_EQ(CProjectSession(project, m_services.m_Core).GetSessionName(strSession), 0);
    EXPECT_EQ(GetLastSpiNote(),
              QStringLiteral("SPI_NOTE: Can't find the directive \"session_name\""));
}

TEST_F(GetSessionNameTest, withoutGlobalFailsAndAddsNothing)
{
    CSpiProject project;
    CSpiProject::AddValue(project.AddProgram(QStringLiteral("Other")),
                          QStringLiteral("session_name"), QStringLiteral("proj1"));
    const QStringList before = ProcessOptions();
    QString strSession = QStringLiteral("Lib");
    EXPECT_EQ(CProjectSession(project, m_services.m_Core).GetSessionName(strSession), -1);
    EXPECT_EQ(strSession, QStringLiteral("Lib"));
    EXPECT_EQ(ProcessOptions(), before);
    EXPECT_EQ(GetLastSpiNote(), QStringLiteral("SPI_NOTE: Can't find the program \"Global\""));
}

TEST_F(GetSessionNameTest, withoutALoginNameHasNoPrefix)
{
    m_services.core.m_fnLoginName = [] { return QString(); };
    CSpiProject project;
    FillGlobal(project, QStringLiteral("proj1"));
    QString strSession = QStringLiteral("Lib");
    ASSERT_EQ(CProjectSession(project, m_services.m_Core).GetSessionName(strSession), 0);
    EXPECT_EQ(strSession, QStringLiteral("proj1"));
}

TEST_F(GetSessionNameTest, aSecondSetUpReusesTheFirstName)
{
    CSpiProject first;
    FillGlobal(first, QString());
    QString strFirst = QStringLiteral("Lib");
    ASSERT_EQ(CProjectSession(first, m_services.m_Core).GetSessionName(strFirst), 0);
    const QStringList after = ProcessOptions();

    CSpiProject second; // another project, another directive: still the same session
    FillGlobal(second, QStringLiteral("proj2"));
    QString strSecond = QStringLiteral("Lib");
    ASSERT_EQ(CProjectSession(second, m_services.m_Core).GetSessionName(strSecond), 0);
    EXPECT_EQ(strSecond, strFirst);
    EXPECT_EQ(ProcessOptions(), after);
}

TEST(SystemNames, loginAndHostNamesAreFound)
{
    EXPECT_FALSE(LoginName().isEmpty());
    EXPECT_FALSE(LocalHostName().isEmpty());
}

using InitMessageSessionTest = SessionFixture;

TEST_F(InitMessageSessionTest, buildsTheClientsArguments)
{
    const auto noHost = [] { return QString(); };
    struct Case
    {
        const char* pszApp;
        QStringList options;
        QString strDirective;
        bool bHost;
        Strings words;
    } cases[] = {
        {"Lib",
         Options({}),
         QStringLiteral("proj1"),
         true,
         {"Lib", "-ipqsession", "lab_user_proj1", "-ipqhost", "bench-host"}},
        {"Lib",
         Options({"-ipqsession", "abc", "/ipqhost", "far"}),
         QStringLiteral("proj1"),
         true,
         {"Lib", "-ipqsession", "abc", "-ipqhost", "far"}},
        {"Lib",
         Options({"-ipqsession"}),
         QStringLiteral("proj1"),
         true,
         {"Lib", "-ipqsession", "-ipqhost", "bench-host"}},
        {"Lib",
         Options({}),
         QStringLiteral("proj1"),
         false,
         {"Lib", "-ipqsession", "lab_user_proj1"}},
        {"Lib",
         Options({}),
         QStringLiteral("my proj"),
         false,
         {"Lib", "-ipqsession", "lab_user_my proj"}},
        {"Lib", Options({"-ipqsession", "x!y"}), QString(), false, {"Lib", "-ipqsession", "x!y"}},
        {"Lib",
         Options({}),
         QStringLiteral("\"a!b c\""),
         false,
         {"Lib", "-ipqsession", "lab_user_\"a!b c\""}},
        {"My App",
         Options({"-ipqhost", "far host"}),
         QStringLiteral("p"),
         true,
         {"My App", "-ipqsession", "lab_user_p", "-ipqhost", "far host"}},
        {nullptr, Options({"-ipqsession", "abc"}), QString(), false, {"-ipqsession", "abc"}},
    };
    for (const Case& c : cases)
    {
        ProcessOptions() = c.options;
        m_services.core.m_fnHostName =
            c.bHost ? std::function<QString()>([] { return QStringLiteral("bench-host"); })
                    : std::function<QString()>(noHost);
        CSpiProject project;
        FillGlobal(project, c.strDirective);
        int nArgc = 0;
        char** ppArgv = nullptr;
        ASSERT_EQ(CProjectSession(project, m_services.m_Core)
                      .InitMessageSession(c.pszApp, &nArgc, &ppArgv),
                  0);
        EXPECT_EQ(Words(nArgc, ppArgv), c.words) << c.options.join(u' ').toStdString();
        delete[] ppArgv;
    }
}

TEST_F(InitMessageSessionTest, failureLeavesTheOutputsAlone)
{
    CSpiProject project; // no Global
    int nArgc = 7;
    char* dummy[1] = {nullptr};
    char** ppArgv = dummy;
    EXPECT_EQ(
        CProjectSession(project, m_services.m_Core).InitMessageSession("Lib", &nArgc, &ppArgv), -1);
    EXPECT_EQ(nArgc, 7);
    EXPECT_EQ(ppArgv, dummy);

    FillGlobal(project, QStringLiteral("proj1"));
    EXPECT_EQ(
        CProjectSession(project, m_services.m_Core).InitMessageSession("Lib", nullptr, &ppArgv),
        -1);
    EXPECT_EQ(
        CProjectSession(project, m_services.m_Core).InitMessageSession("Lib", &nArgc, nullptr), -1);
}

using SetValuesTest = SessionFixture;

TEST_F(SetValuesTest, joinsTheSessionOnlyWithAProject)
{
    CPropertyArray values;
    CBackEndMain main(m_services);
    main.SetValues(&values, nullptr);
    EXPECT_EQ(ProcessOptions(), Options({}));

    CSpiProject noGlobal;
    main.SetValues(&values, &noGlobal);
    EXPECT_EQ(main.m_pProject, &noGlobal);
    EXPECT_EQ(ProcessOptions(), Options({}));

    CSpiProject project;
    FillGlobal(project, QStringLiteral("proj1"));
    main.SetValues(&values, &project);
    EXPECT_EQ(ProcessOptions(), Options({"-ipqsession", "lab_user_proj1"}));

    // Another entry object in the same process: the same session, added once.
    CBackEndMain other(m_services);
    other.SetValues(&values, &project);
    EXPECT_EQ(ProcessOptions(), Options({"-ipqsession", "lab_user_proj1"}));
    QString strSession;
    EXPECT_EQ(FindCommandOption(QStringLiteral("ipqsession"), strSession), 0);
    EXPECT_EQ(strSession, QStringLiteral("lab_user_proj1"));
}

TEST_F(SetValuesTest, sessionNamesArriveWholeAndApart)
{
    // Each pair differs only in a character that a command line could eat.
    const std::pair<const char*, const char*> pairs[] = {
        {"my board", "my cable"}, {"my board", "my_board"}, {"my board", "my  board"},
        {"a\"b c\"", "a b c"},    {"a!b", "a b"},           {"x\\\" y", "x\\ y"},
        {" lead", "lead"},        {"tail ", "tail"},        {"\"", "\"\""},
    };
    // By the directive (with the login prefix) and by the host's own option.
    for (const bool bOption : {false, true})
    {
        for (const auto& [pszFirst, pszSecond] : pairs)
        {
            QStringList arrived;
            for (const char* pszName : {pszFirst, pszSecond})
            {
                const QString strName = QString::fromUtf8(pszName);
                ProcessOptions() = bOption
                                       ? Options({"-ipqsession", pszName, "-ipqhost", "far host"})
                                       : Options({});
                CSpiProject project;
                FillGlobal(project, strName);
                CPropertyArray values;
                CBackEndMain(m_services).SetValues(&values, &project);
                const ipqc::SessionAddress addr = ipqc::CurrentSession();
                EXPECT_EQ(addr.strSession, bOption ? strName : QString(u"lab_user_" + strName))
                    << pszName;
                EXPECT_EQ(QString::fromLocal8Bit(qgetenv(ipqc::kSessionVariable)), addr.strSession);
                EXPECT_EQ(addr.strHost, QString::fromUtf8(bOption ? "far host" : "bench-host"));
                arrived.append(addr.strSession);
            }
            EXPECT_NE(arrived[0], arrived[1]);
        }
    }
}
