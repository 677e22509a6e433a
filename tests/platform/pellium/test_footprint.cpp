#include "Footprint.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <ostream>

#include <sys/stat.h>
#include <unistd.h>

void PrintTo(const QString& str, std::ostream* pOut) { *pOut << '"' << str.toStdString() << '"'; }

namespace
{
// A footprint library in a temporary folder, with a project file beside it.
class FootprintSearchTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_strRoot = m_dir.path();
        m_strOldPsmPath = qEnvironmentVariable("PSMPATH");
        m_bHadPsmPath = qEnvironmentVariableIsSet("PSMPATH");
        qunsetenv("PSMPATH");
    }
    void TearDown() override
    {
        if (m_bHadPsmPath)
            qputenv("PSMPATH", m_strOldPsmPath.toUtf8());
        else
            qunsetenv("PSMPATH");
    }

    QString Path(const QString& strRelative) const { return m_strRoot + u'/' + strRelative; }

    void Touch(const QString& strRelative)
    {
        const QString strPath = Path(strRelative);
        QDir().mkpath(QFileInfo(strPath).path());
        QFile file(strPath);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << strPath.toStdString();
    }

    QString Project(const QString& strText, const QString& strName = QStringLiteral("proj.ini"))
    {
        QDir().mkpath(QFileInfo(Path(strName)).path());
        QFile file(Path(strName));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(strText.toUtf8());
        return Path(strName);
    }

    // "name|location" per entry, paths shown relative to the temporary root.
    QString Flatten(const CFootprint& footprint) const
    {
        QList<CFootprintEntry*> list;
        footprint.GetFootprintList(list);
        QStringList rows;
        for (const CFootprintEntry* p : list)
            rows.append(p->GetName() + u'|' + QString(p->GetLocation()).replace(m_strRoot, QStringLiteral("~")));
        return rows.join(u';');
    }

    QTemporaryDir m_dir;
    QString m_strRoot;
    QString m_strOldPsmPath;
    bool m_bHadPsmPath = false;
};

TEST_F(FootprintSearchTest, listsEachFootprintOncePerFolderInPathAndNameOrder)
{
    Touch("lib/smd/SOIC8.psm");
    Touch("lib/smd/SOIC8.dra");
    Touch("lib/smd/BGA256.psm");
    Touch("lib/smd/SOD123.dra");
    Touch("lib/smd/QFP44.PSM");
    Touch("lib/smd/qfp44.Dra");
    Touch("lib/smd/notes.txt");
    Touch("lib/smd/deeper/DEEP.psm"); // subfolders are not searched
    QDir().mkpath(Path("lib/smd/FOLDER.dra"));
    Touch("lib/tht/SOIC8.psm");
    Touch("lib/tht/SOIC8.dra");
    Touch("lib/tht/dip8.psm");
    const QString strProject = Project(QStringLiteral("[Global]\n"
                                                      "psmpath = lib/smd\n"
                                                      "psmpath = lib/missing\n"
                                                      "psmpath = lib/smd/notes.txt\n"
                                                      "psmpath = lib/tht\n"));
    CFootprint footprint;
    footprint.DeleteFootprintList();
    EXPECT_EQ(footprint.CreateFootprintList(strProject, ".psm", PROP_JEDEC_TYPE, SEARCH_LISTING), 5);
    EXPECT_EQ(Flatten(footprint), "BGA256|Not Found;QFP44|~/lib/smd/qfp44.Dra;"
                                  "SOIC8|~/lib/smd/SOIC8.dra;dip8|Not Found;"
                                  "SOIC8|~/lib/tht/SOIC8.dra");
    // The drawing pass adds only the footprints that have no .psm, in place.
    EXPECT_EQ(footprint.CreateFootprintList(strProject, ".dra", PROP_JEDEC_TYPE, SEARCH_LISTING), 1);
    EXPECT_EQ(Flatten(footprint), "BGA256|Not Found;QFP44|~/lib/smd/qfp44.Dra;"
                                  "SOD123|~/lib/smd/SOD123.dra;SOIC8|~/lib/smd/SOIC8.dra;"
                                  "dip8|Not Found;SOIC8|~/lib/tht/SOIC8.dra");
    // Asking again adds nothing twice.
    EXPECT_EQ(footprint.CreateFootprintList(strProject, ".dra", PROP_JEDEC_TYPE, SEARCH_LISTING), 0);
    EXPECT_EQ(footprint.CreateFootprintList(strProject, ".PSM", PROP_OTHER, SEARCH_LISTING), 0);

    QList<CFootprintEntry*> list;
    footprint.GetFootprintList(list);
    ASSERT_EQ(list.size(), 6);
    EXPECT_EQ(list[3]->GetSecond(), Path("lib/smd"));
    EXPECT_EQ(list[5]->GetSecond(), Path("lib/tht"));

    // A copy keeps its texts after the search has ended.
    const CFootprintEntry copy = *list[1];
    footprint.DeleteFootprintList();
    EXPECT_EQ(copy.GetName(), "QFP44");
    EXPECT_EQ(copy.GetSecond(), Path("lib/smd"));
    EXPECT_EQ(copy.GetLocation(), Path("lib/smd/qfp44.Dra"));
}

TEST_F(FootprintSearchTest, drawingPassAloneListsFootprintsThatHaveADrawing)
{
    Touch("a/X.psm");
    Touch("a/Y.dra");
    Touch("a/X.dra");
    const QString strProject = Project(QStringLiteral("psmpath = a\n"));
    CFootprint footprint;
    EXPECT_EQ(footprint.CreateFootprintList(strProject, ".dra", PROP_ALT_SYMBOLS, SEARCH_LISTING), 2);
    EXPECT_EQ(Flatten(footprint), "X|~/a/X.dra;Y|~/a/Y.dra");
    EXPECT_EQ(footprint.CreateFootprintList(strProject, ".psm", PROP_ALT_SYMBOLS, SEARCH_LISTING), 0);
    EXPECT_EQ(footprint.CreateFootprintList(strProject, ".txt", PROP_ALT_SYMBOLS, SEARCH_LISTING), 0);
}

TEST_F(FootprintSearchTest, deleteStartsAfreshAndSeesNewFiles)
{
    Touch("a/X.psm");
    const QString strProject = Project(QStringLiteral("psmpath = a\n"));
    CFootprint footprint;
    EXPECT_EQ(footprint.CreateFootprintList(strProject, ".psm", PROP_JEDEC_TYPE, SEARCH_LISTING), 1);
    Touch("a/Y.psm");
    footprint.DeleteFootprintList();
    EXPECT_EQ(Flatten(footprint), "");
    EXPECT_EQ(footprint.CreateFootprintList(strProject, ".psm", PROP_JEDEC_TYPE, SEARCH_LISTING), 2);
}

TEST_F(FootprintSearchTest, viewingFindsOneEntryPerFolderIgnoringCase)
{
    Touch("a/SOIC8.dra");
    Touch("b/soic8.DRA");
    Touch("b/SOIC8.dra");
    Touch("c/SOIC8.psm");
    Touch("d/Soic8.Dra");
    Touch("d/sub/X.dra");
    const QString strProject =
        Project(QStringLiteral("psmpath = a\npsmpath = b\npsmpath = c\npsmpath = d\n"));

    struct Case
    {
        const char* pszFile;
        int nHits;
        const char* pszExpected;
    };
    const Case cases[] = {
        {"SOIC8.dra", 3, "SOIC8|~/a/SOIC8.dra;SOIC8|~/b/SOIC8.dra;Soic8|~/d/Soic8.Dra"},
        {"soic8.dra", 3, "SOIC8|~/a/SOIC8.dra;SOIC8|~/b/SOIC8.dra;Soic8|~/d/Soic8.Dra"},
        {"SOIC8.psm", 1, "SOIC8|~/c/SOIC8.psm"},
        {"MISSING.dra", 0, ""},
        {".dra", 0, ""},
        {"", 0, ""},
        {"sub/X.dra", 0, ""}, // only files of the folders themselves
        {"../a/SOIC8.dra", 0, ""},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.pszFile);
        CFootprint footprint;
        EXPECT_EQ(footprint.CreateFootprintList(strProject, QString::fromUtf8(c.pszFile),
                                                PROP_JEDEC_TYPE, SEARCH_VIEWING),
                  c.nHits);
        EXPECT_EQ(Flatten(footprint), QString::fromUtf8(c.pszExpected));
    }
}

TEST_F(FootprintSearchTest, viewingMatchesNonAsciiNamesIgnoringCase)
{
    Touch(QStringLiteral("a/\u00D6SE.dra"));
    const QString strProject = Project(QStringLiteral("psmpath = a\n"));
    CFootprint footprint;
    EXPECT_EQ(footprint.CreateFootprintList(strProject, QStringLiteral("\u00F6se.dra"),
                                            PROP_JEDEC_TYPE, SEARCH_VIEWING),
              1);
    EXPECT_EQ(Flatten(footprint), QStringLiteral("\u00D6SE|~/a/\u00D6SE.dra"));
}

TEST_F(FootprintSearchTest, sameFolderThroughLinksIsReadOnceAndLoopsAreSkipped)
{
    Touch("a/X.psm");
    ASSERT_EQ(symlink(qPrintable(Path("a")), qPrintable(Path("alias"))), 0);
    ASSERT_EQ(symlink(qPrintable(Path("loop1")), qPrintable(Path("loop2"))), 0);
    ASSERT_EQ(symlink(qPrintable(Path("loop2")), qPrintable(Path("loop1"))), 0);
    ASSERT_EQ(symlink(".", qPrintable(Path("a/self"))), 0); // a loop inside a folder
    const QString strProject = Project(
        QStringLiteral("psmpath = alias\npsmpath = loop1\npsmpath = a\npsmpath = a/self\n"));
    CFootprint footprint;
    EXPECT_EQ(footprint.CreateFootprintList(strProject, ".psm", PROP_JEDEC_TYPE, SEARCH_LISTING), 1);
    QList<CFootprintEntry*> list;
    footprint.GetFootprintList(list);
    ASSERT_EQ(list.size(), 1);
    EXPECT_EQ(list[0]->GetSecond(), Path("alias")); // the first way the path names it
}

TEST_F(FootprintSearchTest, unreadableFolderIsSkipped)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root reads every folder";
    Touch("a/X.psm");
    Touch("locked/Y.psm");
    ASSERT_EQ(chmod(qPrintable(Path("locked")), 0), 0);
    const QString strProject = Project(QStringLiteral("psmpath = locked\npsmpath = a\n"));
    CFootprint footprint;
    const int nFound =
        footprint.CreateFootprintList(strProject, ".psm", PROP_JEDEC_TYPE, SEARCH_LISTING);
    CFootprint viewing;
    const int nViewed =
        viewing.CreateFootprintList(strProject, "Y.psm", PROP_JEDEC_TYPE, SEARCH_VIEWING);
    chmod(qPrintable(Path("locked")), 0700);
    EXPECT_EQ(nFound, 1);
    EXPECT_EQ(Flatten(footprint), "X|Not Found");
    EXPECT_EQ(nViewed, 0);
}

TEST_F(FootprintSearchTest, searchPathComesFromTheProjectInFileOrder)
{
    qputenv("PP_LIBROOT", Path("env").toUtf8());
    qputenv("PSMPATH", "/ignored/when/the/project/has/psmpath");
    const QString strProject = Project(QStringLiteral("expand_vars = 1\n"
                                                      "psmpath = top\n"
                                                      "[Other]\n"
                                                      "psmpath = other\n"
                                                      "[Global]\n"
                                                      "psmpath = ${PP_LIBROOT}/x\n"
                                                      "psmpath = $(PP_UNSET_VARIABLE)/y\n"
                                                      "psmpath = /abs/olute/\n"
                                                      "psmpath = sub/../z\n"
                                                      "[global]\n"
                                                      "PSMPATH = last\n"),
                                       QStringLiteral("nested/proj.ini"));
    EXPECT_EQ(CFootprint::SearchPath(strProject),
              QStringList({Path("nested/top"), Path("env/x"), "/abs/olute",
                           Path("nested/z"), Path("nested/last")}));
}

TEST_F(FootprintSearchTest, psmPathVariableServesWhenTheProjectHasNone)
{
    qputenv("PSMPATH", QStringLiteral("%1:;%2;rel").arg(Path("a"), Path("b")).toUtf8());
    const QString strNone = Project(QStringLiteral("[Global]\nsession_name = x\n"));
    const QStringList expected{Path("a"), Path("b"), QDir::current().absoluteFilePath("rel")};
    EXPECT_EQ(CFootprint::SearchPath(strNone), expected);
    EXPECT_EQ(CFootprint::SearchPath(QString()), expected);
    EXPECT_EQ(CFootprint::SearchPath(Path("no-such-project.ini")), expected);

    Touch("a/X.psm");
    CFootprint footprint;
    EXPECT_EQ(footprint.CreateFootprintList(QString(), ".psm", PROP_JEDEC_TYPE, SEARCH_LISTING), 1);

    qunsetenv("PSMPATH");
    EXPECT_TRUE(CFootprint::SearchPath(QString()).isEmpty());
    CFootprint empty;
    EXPECT_EQ(empty.CreateFootprintList(QString(), ".psm", PROP_JEDEC_TYPE, SEARCH_LISTING), 0);
    EXPECT_EQ(empty.CreateFootprintList(QString(), "X.dra", PROP_JEDEC_TYPE, SEARCH_VIEWING), 0);
}

TEST(FootprintEntry, entryMadeByHandKeepsItsTexts)
{
    const CFootprintEntry entry("SOIC8", "second", "/lib/SOIC8.dra");
    EXPECT_EQ(entry.GetName(), "SOIC8");
    EXPECT_EQ(entry.GetSecond(), "second");
    EXPECT_EQ(entry.GetLocation(), "/lib/SOIC8.dra");
}
} // namespace
