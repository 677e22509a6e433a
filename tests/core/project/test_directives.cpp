// SPDX-License-Identifier: MIT
#include "project/SpiProject.h"

#include <gtest/gtest.h>

namespace
{
// A project with [Global] session_name = proj1, lib = first, lib = second.
void Fill(CSpiProject& project)
{
    CSpiProgram* pGlobal = project.AddProgram(QStringLiteral("Global"));
    CSpiProject::AddValue(pGlobal, QStringLiteral("session_name"), QStringLiteral("proj1"));
    CSpiProject::AddValue(pGlobal, QStringLiteral("lib"), QStringLiteral("first"));
    CSpiProject::AddValue(pGlobal, QStringLiteral("lib"), QStringLiteral("second"));
    CSpiProgram* pOther = project.AddProgram(QStringLiteral("brdedit"));
    CSpiProject::AddValue(pOther, QStringLiteral("lib"), QStringLiteral("other"));
}
} // namespace

TEST(SelectProgram, namesAreComparedIgnoringCase)
{
    struct Case
    {
        const char* pszName;
        int nResult;
    } cases[] = {{"Global", 0}, {"global", 0},  {"GLOBAL", 0}, {"BrdEdit", 0},
                 {"Glob", 1},   {"Global ", 1}, {"", 1}};
    for (const Case& c : cases)
    {
        CSpiProject project;
        Fill(project);
        EXPECT_EQ(project.SelectProgram(QString::fromUtf8(c.pszName)), c.nResult) << c.pszName;
        EXPECT_EQ(project.m_pCurrentProgram != nullptr, c.nResult == 0) << c.pszName;
    }
}

TEST(SelectDirective, foldsCaseAsTheStringDoesAndFindsTheFirstOfAName)
{
    // Node 1 repeats node 0's name; "\u017f" and "\u212a" fold to ASCII
    // letters, "\U00010400" is a surrogate pair.
    const QStringList names = {QStringLiteral("\u00c4rger"),  QStringLiteral("\u00e4RGER"),
                               QStringLiteral("Stra\u00dfe"), QStringLiteral("K"),
                               QStringLiteral("\u017f"),      QStringLiteral("\U00010400"),
                               QStringLiteral("\u03a3"),      QString()};
    const struct
    {
        QString strName;
        int nFound; // index into names, -1 when not found
    } cases[] = {
        {QStringLiteral("\u00e4rger"), 0}, {QStringLiteral("STRA\u00dfE"), 2},
        {QStringLiteral("STRASSE"), -1},   {QStringLiteral("k"), 3},
        {QStringLiteral("\u212a"), 3},     {QStringLiteral("S"), 4},
        {QStringLiteral("\U00010428"), 5}, {QStringLiteral("\u03c2"), 6},
        {QStringLiteral("\u03c3"), 6},     {QString(), 7},
        {QStringLiteral("\u00e4rge"), -1},
    };
    CSpiProject project;
    CSpiProgram* pProgram = project.AddProgram(QStringLiteral("P"));
    for (const QString& strName : names)
        pProgram->m_directives.Append(std::make_unique<CSpiDirective>(strName));
    ASSERT_EQ(project.SelectProgram(QStringLiteral("p")), 0);
    for (const auto& c : cases)
    {
        project.m_pCurrentDirective = nullptr;
        EXPECT_EQ(project.SelectDirective(c.strName), c.nFound < 0 ? 1 : 0)
            << c.strName.toStdString();
        if (c.nFound >= 0)
        {
            EXPECT_EQ(project.m_pCurrentDirective,
                      pProgram->m_directives.m_nodes[std::size_t(c.nFound)].get())
                << c.strName.toStdString();
        }
    }
}

namespace
{
// A program built node by node, as a host may push it onto the list itself.
std::unique_ptr<CSpiProgram> Program(const char* pszName, const char* pszDirective,
                                     const char* pszValue)
{
    auto pProgram = std::make_unique<CSpiProgram>(QString::fromUtf8(pszName));
    auto pDirective = std::make_unique<CSpiDirective>(QString::fromUtf8(pszDirective));
    pDirective->m_lists.push_back(std::make_unique<CSpiValueList>());
    pDirective->m_lists.back()->m_values = QStringList{QString::fromUtf8(pszValue)};
    pProgram->m_directives.m_nodes.push_back(std::move(pDirective));
    return pProgram;
}
} // namespace

TEST(SelectProgram, findsTheFirstOfANameHoweverTheHostFilledTheLists)
{
    // Each way leaves "Global" with session_name = proj1 as the first program
    // of that name, behind another program.
    const struct
    {
        const char* pszHow;
        void (*fill)(CSpiProject&);
        bool bRenamed; // the helpers need Reindex after a rename in place
    } cases[] = {
        {"helpers",
         [](CSpiProject& p)
         {
             CSpiProject::AddValue(p.AddProgram(QStringLiteral("brdedit")), QStringLiteral("lib"),
                                   QStringLiteral("other"));
             CSpiProject::AddValue(p.AddProgram(QStringLiteral("Global")),
                                   QStringLiteral("session_name"), QStringLiteral("proj1"));
         },
         false},
        {"member by member",
         [](CSpiProject& p)
         {
             p.m_programs.m_nodes.push_back(Program("brdedit", "lib", "other"));
             p.m_programs.m_nodes.push_back(Program("Global", "session_name", "proj1"));
         },
         false},
        {"rename",
         [](CSpiProject& p)
         {
             CSpiProject::AddValue(p.AddProgram(QStringLiteral("brdedit")), QStringLiteral("a"),
                                   QStringLiteral("other"));
             CSpiProgram* pOld = p.AddProgram(QStringLiteral("Old"));
             CSpiProject::AddValue(pOld, QStringLiteral("old_name"), QStringLiteral("proj1"));
             CSpiProject::AddValue(p.AddProgram(QStringLiteral("Global")),
                                   QStringLiteral("session_name"), QStringLiteral("late"));
             pOld->m_strName = QStringLiteral("Global");
             pOld->m_directives.m_nodes.front()->m_strName = QStringLiteral("session_name");
         },
         true},
        {"clear and refill",
         [](CSpiProject& p)
         {
             for (const char* pszName : {"a", "b", "c", "d", "Global"})
                 CSpiProject::AddValue(p.AddProgram(QString::fromUtf8(pszName)),
                                       QStringLiteral("session_name"), QStringLiteral("stale"));
             p.m_programs.m_nodes.clear();
             p.m_programs.m_nodes.push_back(Program("brdedit", "lib", "other"));
             p.m_programs.m_nodes.push_back(Program("Global", "session_name", "proj1"));
         },
         false},
    };
    for (const auto& c : cases)
    {
        CSpiProject project;
        c.fill(project);
        QString strValue;
        EXPECT_EQ(project.SelectProgram(QStringLiteral("global")), 0) << c.pszHow;
        EXPECT_EQ(project.m_pCurrentProgram, project.m_programs.m_nodes[1].get()) << c.pszHow;
        EXPECT_EQ(project.ReadDirective(QStringLiteral("SESSION_NAME"), strValue), 0) << c.pszHow;
        EXPECT_EQ(strValue, QStringLiteral("proj1")) << c.pszHow;
        EXPECT_EQ(project.SelectProgram(QStringLiteral("Old")), 1) << c.pszHow;
        EXPECT_EQ(project.SelectProgram(QStringLiteral("brdEdit")), 0) << c.pszHow;
        EXPECT_EQ(project.m_pCurrentProgram, project.m_programs.m_nodes[0].get()) << c.pszHow;

        // The fill helpers go on from the list as it now stands.
        if (c.bRenamed)
            project.m_programs.Reindex();
        const std::size_t nPrograms = project.m_programs.m_nodes.size();
        EXPECT_EQ(project.AddProgram(QStringLiteral("GLOBAL")), project.m_programs.m_nodes[1].get())
            << c.pszHow;
        project.AddProgram(QStringLiteral("new"));
        EXPECT_EQ(project.m_programs.m_nodes.size(), nPrograms + 1) << c.pszHow;
    }
}

TEST(SelectProgram, failureKeepsTheCurrentProgramAndDirective)
{
    CSpiProject project;
    Fill(project);
    ASSERT_EQ(project.SelectProgram(QStringLiteral("brdedit")), 0);
    ASSERT_EQ(project.SelectDirective(QStringLiteral("LIB")), 0);
    CSpiDirective* pDirective = project.m_pCurrentDirective;

    EXPECT_EQ(project.SelectProgram(QStringLiteral("nowhere")), 1);
    EXPECT_EQ(project.SelectDirective(QStringLiteral("nothing")), 1);
    EXPECT_EQ(project.m_pCurrentProgram->m_strName, QStringLiteral("brdedit"));
    EXPECT_EQ(project.m_pCurrentDirective, pDirective);
    QString strValue;
    EXPECT_EQ(project.NextValue(strValue), 0);
    EXPECT_EQ(strValue, QStringLiteral("other"));
}

TEST(SelectDirective, looksOnlyInTheCurrentProgram)
{
    CSpiProject project;
    Fill(project);
    ASSERT_EQ(project.SelectProgram(QStringLiteral("brdedit")), 0);
    EXPECT_EQ(project.SelectDirective(QStringLiteral("session_name")), 1);
    ASSERT_EQ(project.SelectProgram(QStringLiteral("global")), 0);
    EXPECT_EQ(project.SelectDirective(QStringLiteral("Session_Name")), 0);
}

TEST(Notes, theLatestFailureIsKeptWholeAndSuccessLeavesIt)
{
    const QString strLong(300, u'x');
    CSpiProject project;
    Fill(project);

    EXPECT_EQ(project.SelectProgram(QStringLiteral("first")), 1);
    EXPECT_EQ(project.SelectProgram(QStringLiteral("second")), 1);
    EXPECT_EQ(GetLastSpiNote(), QStringLiteral("SPI_NOTE: Can't find the program \"second\""));

    EXPECT_EQ(project.SelectProgram(strLong), 1);
    EXPECT_EQ(GetLastSpiNote(),
              QStringLiteral("SPI_NOTE: Can't find the program \"") + strLong + u'"');

    ASSERT_EQ(project.SelectProgram(QStringLiteral("Global")), 0);
    EXPECT_EQ(project.SelectDirective(strLong + u'y'), 1);
    const QString strNote = GetLastSpiNote();
    EXPECT_EQ(strNote, QStringLiteral("SPI_NOTE: Can't find the directive \"") + strLong + u"y\"");

    EXPECT_EQ(project.SelectDirective(QStringLiteral("lib")), 0);
    EXPECT_EQ(project.SelectProgram(QStringLiteral("Global")), 0);
    EXPECT_EQ(GetLastSpiNote(), strNote);
}

TEST(NextValue, cyclesThroughTheValuesAndReportsTheEndOnce)
{
    CSpiProject project;
    Fill(project);
    ASSERT_EQ(project.SelectProgram(QStringLiteral("Global")), 0);
    QString strValue;
    EXPECT_EQ(project.ReadDirective(QStringLiteral("lib"), strValue), 0);
    EXPECT_EQ(strValue, QStringLiteral("first"));

    const struct
    {
        int nResult;
        const char* pszValue;
    } steps[] = {{0, "second"}, {2, "second"}, {0, "first"}, {0, "second"}, {2, "second"}};
    for (const auto& step : steps)
    {
        EXPECT_EQ(project.NextValue(strValue), step.nResult);
        EXPECT_EQ(strValue, QString::fromUtf8(step.pszValue));
    }

    // ReadDirective always starts again at the first value.
    EXPECT_EQ(project.NextValue(strValue), 0);
    EXPECT_EQ(project.ReadDirective(QStringLiteral("LIB"), strValue), 0);
    EXPECT_EQ(strValue, QStringLiteral("first"));
}

TEST(NextValue, readsOnlyTheActiveList)
{
    CSpiProject project;
    Fill(project);
    ASSERT_EQ(project.SelectProgram(QStringLiteral("Global")), 0);
    ASSERT_EQ(project.SelectDirective(QStringLiteral("lib")), 0);
    CSpiDirective* pDirective = project.m_pCurrentDirective;
    pDirective->m_lists.push_back(std::make_unique<CSpiValueList>());
    pDirective->m_lists.back()->m_values = QStringList{QStringLiteral("alt")};
    pDirective->m_lists.push_back(std::make_unique<CSpiValueList>());

    QString strValue = QStringLiteral("before");
    pDirective->m_nActiveList = 1;
    EXPECT_EQ(project.ReadDirective(QStringLiteral("lib"), strValue), 0);
    EXPECT_EQ(strValue, QStringLiteral("alt"));

    for (const qint32 nList : {2, 3, -1}) // empty, missing, negative
    {
        pDirective->m_nActiveList = nList;
        strValue = QStringLiteral("before");
        EXPECT_EQ(project.ReadDirective(QStringLiteral("lib"), strValue), 2) << nList;
        EXPECT_EQ(strValue, QStringLiteral("before")) << nList;
    }
}

TEST(ValueOperations, withoutASelectionReportNothingFound)
{
    CSpiProject project;
    Fill(project);
    QString strValue = QStringLiteral("kept");
    project.RewindValues();
    EXPECT_EQ(project.NextValue(strValue), 2);
    EXPECT_EQ(project.SelectDirective(QStringLiteral("lib")), 1);
    EXPECT_EQ(GetLastSpiNote(), QStringLiteral("SPI_NOTE: Can't find the directive \"lib\""));
    EXPECT_EQ(project.ReadDirective(QStringLiteral("lib"), strValue), 1);
    EXPECT_EQ(strValue, QStringLiteral("kept"));

    CSpiProject empty;
    EXPECT_EQ(empty.SelectProgram(QStringLiteral("Global")), 1);
    EXPECT_EQ(empty.NextValue(strValue), 2);
}

TEST(NextValue, expandsOnlyWhenTheProjectAsksForIt)
{
    qputenv("PHYSPROPS_TEST_LIB", "/opt/lib/");
    struct Case
    {
        quint32 nFlag;
        const char* pszStored;
        int nResult;
        const char* pszDelivered;
    } cases[] = {
        {1, "${PHYSPROPS_TEST_LIB}parts", 0, "/opt/libparts"},
        {1, "$PHYSPROPS_TEST_LIB/x", 0, "/opt/lib/x"},
        {0, "${PHYSPROPS_TEST_LIB}parts", 0, "${PHYSPROPS_TEST_LIB}parts"},
        {2, "${PHYSPROPS_TEST_LIB}parts", 0, "${PHYSPROPS_TEST_LIB}parts"},
        // A failed expansion delivers the value as stored, result unchanged.
        {1, "${PHYSPROPS_TEST_UNSET}/x", 0, "${PHYSPROPS_TEST_UNSET}/x"},
        {1, "a$", 0, "a$"},
    };
    qunsetenv("PHYSPROPS_TEST_UNSET");
    for (const Case& c : cases)
    {
        CSpiProject project;
        project.m_bExpandVars = c.nFlag;
        CSpiProject::AddValue(project.AddProgram(QStringLiteral("Global")), QStringLiteral("d"),
                              QString::fromUtf8(c.pszStored));
        ASSERT_EQ(project.SelectProgram(QStringLiteral("Global")), 0);
        QString strValue;
        EXPECT_EQ(project.ReadDirective(QStringLiteral("d"), strValue), c.nResult) << c.pszStored;
        EXPECT_EQ(strValue, QString::fromUtf8(c.pszDelivered))
            << c.pszStored << " flag " << c.nFlag;
    }
    qunsetenv("PHYSPROPS_TEST_LIB");
}

TEST(NextValue, atTheEndTheCallersTextIsStillExpanded)
{
    qputenv("PHYSPROPS_TEST_LIB", "/opt/lib");
    CSpiProject project;
    project.m_bExpandVars = 1;
    CSpiProject::AddValue(project.AddProgram(QStringLiteral("Global")), QStringLiteral("d"),
                          QStringLiteral("only"));
    ASSERT_EQ(project.SelectProgram(QStringLiteral("Global")), 0);
    QString strValue;
    ASSERT_EQ(project.ReadDirective(QStringLiteral("d"), strValue), 0);
    strValue = QStringLiteral("$PHYSPROPS_TEST_LIB");
    EXPECT_EQ(project.NextValue(strValue), 2);
    EXPECT_EQ(strValue, QStringLiteral("/opt/lib"));
    qunsetenv("PHYSPROPS_TEST_LIB");
}
