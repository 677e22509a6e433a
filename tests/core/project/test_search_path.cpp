// SPDX-License-Identifier: MIT
#include "project/SearchPath.h"

#include "TempLibrary.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <sys/stat.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <ostream>

using physprops::core::ProjectSearchPath;

void PrintTo(const QString& str, std::ostream* pOut)
{
    *pOut << '"' << str.toStdString() << '"';
}

namespace
{
// A footprint library in a temporary folder, with a project file beside it.
class ProjectSearchPathTest : public testsupport::TempLibraryTest
{
protected:
    QString Project(const QString& strText, const QString& strName = QStringLiteral("proj.ini"))
    {
        QDir().mkpath(QFileInfo(Path(strName)).path());
        QFile file(Path(strName));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(strText.toUtf8());
        return Path(strName);
    }
};

TEST_F(ProjectSearchPathTest, searchPathComesFromTheProjectInFileOrder)
{
    qputenv("PP_LIBROOT", Path("env").toUtf8());
    qputenv("PP_EMPTY", "");
    qputenv("PSMPATH", "/ignored/when/the/project/has/psmpath");
    const QString strProject = Project(QStringLiteral("expand_vars = 1\n"
                                                      "psmpath = top\n"
                                                      "[Other]\n"
                                                      "psmpath = other\n"
                                                      "[Global]\n"
                                                      "psmpath = ${PP_LIBROOT}/x\n"
                                                      "psmpath = $(PP_UNSET_VARIABLE)/y\n"
                                                      "psmpath = /abs/olute/\n"
                                                      "psmpath = ${PP_EMPTY}\n"
                                                      "psmpath = sub/../z\n"
                                                      "[global]\n"
                                                      "PSMPATH = last\n"),
                                       QStringLiteral("nested/proj.ini"));
    const CSearchPath path = ProjectSearchPath(strProject);
    EXPECT_EQ(path.folders,
              QStringList({Path("nested/top"), Path("env/x"), Path("nested/$(PP_UNSET_VARIABLE)/y"),
                           "/abs/olute", Path("nested/z"), Path("nested/last")}));
    EXPECT_EQ(path.unexpanded.value(2), "Environment Variable PP_UNSET_VARIABLE not set.");
    EXPECT_EQ(path.empty, QStringList{"${PP_EMPTY}"});
    EXPECT_TRUE(path.strProjectError.isEmpty());
}

// Values are expanded only when the project says expand_vars = 1, and a value
// whose expansion fails is searched as stored.
TEST_F(ProjectSearchPathTest, psmPathIsExpandedOnlyWhenTheProjectAsks)
{
    qputenv("PP_LIBROOT", "env");
    Touch(QStringLiteral("lib$1/DOLLAR.psm"));
    Touch("env/ENV.psm");
    Touch(QStringLiteral("${PP_LIBROOT}/LITERAL.psm"));
    struct Case
    {
        const char* pszExpand;
        const char* pszFolders;
        const char* pszListed;
    };
    const Case cases[] = {
        {"", "lib$1;${PP_LIBROOT}", "DOLLAR;LITERAL"},
        {"expand_vars = 0\n", "lib$1;${PP_LIBROOT}", "DOLLAR;LITERAL"},
        {"expand_vars = 2\n", "lib$1;${PP_LIBROOT}", "DOLLAR;LITERAL"},
        {"expand_vars = 1\n", "lib$1;env", "DOLLAR;ENV"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.pszExpand);
        const QString strProject =
            Project(QString::fromUtf8(c.pszExpand) +
                    QStringLiteral("psmpath = lib$1\npsmpath = ${PP_LIBROOT}\n"));
        QStringList folders;
        for (const QString& strFolder : ProjectSearchPath(strProject).folders)
            folders.append(QString(strFolder).remove(m_strRoot + u'/'));
        EXPECT_EQ(folders.join(u';'), QString::fromUtf8(c.pszFolders));
        CFootprint footprint(ProjectSearchPath);
        footprint.CreateFootprintList(strProject, ".psm", PROP_JEDEC_TYPE, SEARCH_LISTING);
        QList<CFootprintEntry*> list;
        footprint.GetFootprintList(list);
        QStringList names;
        for (const CFootprintEntry* p : list)
            names.append(p->GetName());
        EXPECT_EQ(names.join(u';'), QString::fromUtf8(c.pszListed));
        EXPECT_TRUE(footprint.Report().skipped.isEmpty());
    }
}

TEST_F(ProjectSearchPathTest, psmPathVariableServesWhenThereIsNoProject)
{
    qputenv("PSMPATH", QStringLiteral("%1:;%2;rel").arg(Path("a"), Path("b")).toUtf8());
    const QString strNone = Project(QStringLiteral("[Global]\nsession_name = x\n"));
    const QStringList expected{Path("a"), Path("b"), QDir::current().absoluteFilePath("rel")};
    EXPECT_EQ(ProjectSearchPath(strNone).folders, expected);
    EXPECT_EQ(ProjectSearchPath(QString()).folders, expected);
    // A project file without settings is a project all the same.
    for (const char* pszText : {"", "; a comment only\n"})
        EXPECT_EQ(ProjectSearchPath(Project(QString::fromUtf8(pszText), "bare.ini")).folders,
                  expected)
            << pszText;

    Touch("a/X.psm");
    CFootprint footprint(ProjectSearchPath);
    EXPECT_EQ(footprint.CreateFootprintList(QString(), ".psm", PROP_JEDEC_TYPE, SEARCH_LISTING), 1);

    qunsetenv("PSMPATH");
    EXPECT_TRUE(ProjectSearchPath(QString()).folders.isEmpty());
    CFootprint empty(ProjectSearchPath);
    EXPECT_EQ(empty.CreateFootprintList(QString(), ".psm", PROP_JEDEC_TYPE, SEARCH_LISTING), 0);
    EXPECT_EQ(empty.CreateFootprintList(QString(), "X.dra", PROP_JEDEC_TYPE, SEARCH_VIEWING), 0);
    EXPECT_TRUE(empty.Report().strProjectError.isEmpty());
}

// A project named but not readable (broken or removed since it was opened)
// is an error of the search, never a quiet switch to PSMPATH.
TEST_F(ProjectSearchPathTest, aProjectThatCannotBeReadIsReportedNotReplaced)
{
    Touch("a/X.psm");
    Touch("a/X.dra");
    qputenv("PSMPATH", Path("a").toUtf8());
    const QString strProject = Project(QStringLiteral("psmpath = a\n"));
    struct Case
    {
        const char* pszLabel;
        std::function<void()> breakIt;
        const char* pszError;
    };
    const Case cases[] = {
        {"binary", [&] { Project(QString::fromLatin1("\0x", 2)); }, "proj.ini:1: "},
        {"removed", [&] { QFile::remove(strProject); }, "proj.ini: cannot open"},
        {"folder", [&] { QDir().mkpath(strProject); }, "proj.ini: not a file: it is a folder"},
        {"fifo", [&] { ASSERT_EQ(::mkfifo(QFile::encodeName(strProject).constData(), 0600), 0); },
         "proj.ini: not a file: it is a named pipe (FIFO)"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.pszLabel);
        c.breakIt();
        EXPECT_TRUE(ProjectSearchPath(strProject).folders.isEmpty());
        CFootprint listing(ProjectSearchPath);
        EXPECT_EQ(listing.CreateFootprintList(strProject, ".psm", PROP_JEDEC_TYPE, SEARCH_LISTING),
                  0);
        EXPECT_THAT(listing.Report().strProjectError.toStdString(),
                    ::testing::HasSubstr(c.pszError));
        EXPECT_THAT(listing.Report().ProjectErrorText().toStdString(),
                    ::testing::HasSubstr(strProject.toStdString()));
        CFootprint viewing(ProjectSearchPath);
        EXPECT_EQ(viewing.CreateFootprintList(strProject, "X.dra", PROP_JEDEC_TYPE, SEARCH_VIEWING),
                  0);
        EXPECT_EQ(viewing.Report().strProjectError, listing.Report().strProjectError);
        viewing.DeleteFootprintList();
        EXPECT_TRUE(viewing.Report().strProjectError.isEmpty());
        QDir(strProject).removeRecursively();
        QFile::remove(strProject);
    }
}

// The messages of a search name the project's lines behind what they tell:
// each skipped folder's psmpath line with a word on how it was written, and
// with an empty path the lines that look as if they gave one.
TEST_F(ProjectSearchPathTest, searchReportsNameTheLinesOfTheProject)
{
    qputenv("PP_EMPTY", "");
    const struct
    {
        const char* pszText;
        const char* pszReport; // %1 the project file, %2 its folder
    } cases[] = {
        {"psmpath = ~/lib\n",
         "\n\nSearch folders skipped:\n%1:1: %2/~/lib: does not exist; \"~\" is taken as a "
         "folder name, not as the home folder: write ${HOME} instead, with expand_vars = 1"},
        {"[Global]\n\npsmpath = ${HOME}/lib\n",
         "\n\nSearch folders skipped:\n%1:3: %2/${HOME}/lib: does not exist; environment "
         "references were not expanded: the project file does not set expand_vars = 1"},
        {"expand_vars = 1\n[global]\npsmpath = gone\n  ${PP_EMPTY}\n",
         "\n\nSearch folders skipped:\n%1:3: %2/gone: does not exist\n"
         "%1:4: ${PP_EMPTY}: names no folder: it expands to an empty text"},
        {"[Global]\nsession_name = x\n    psmpath = libA\n[brdedit]\nPSMPATH = libB\n",
         "\n\nThe footprint search path is empty: %1 has no psmpath line and PSMPATH names no "
         "folder.\n\n%1:3: this indented line adds a value to the line above it; it does not "
         "set \"psmpath\" (take out the indent to set it)\n%1:5: \"PSMPATH\" in the section "
         "[brdedit] is not read: the search path comes from the lines before the first section "
         "and from [Global]"},
        {"", "\n\nThe footprint search path is empty: %1 has no psmpath line and PSMPATH names "
             "no folder."},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.pszText);
        const QString strProject = Project(QString::fromUtf8(c.pszText));
        CFootprint footprint(ProjectSearchPath);
        footprint.CreateFootprintList(strProject, ".psm", PROP_JEDEC_TYPE, SEARCH_LISTING);
        EXPECT_EQ(footprint.Report().SkippedText(), QString::fromUtf8(c.pszReport)
                                                        .replace(QStringLiteral("%1"), strProject)
                                                        .replace(QStringLiteral("%2"), m_strRoot));
    }
}

} // namespace
