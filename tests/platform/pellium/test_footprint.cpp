#include "pellium/Footprint.h"
#include "pellium/FootprintCachePrivate.h"

#include "TempLibrary.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <random>
#include <thread>

#include <ostream>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace std::chrono_literals;

void PrintTo(const QString& str, std::ostream* pOut) { *pOut << '"' << str.toStdString() << '"'; }

namespace
{
// A footprint library in a temporary folder.
class FootprintSearchTest : public testsupport::TempLibraryTest
{
protected:
    // A search path of folders under the temporary root, in order.
    CSearchPath Folders(const QStringList& relative) const
    {
        CSearchPath path;
        for (const QString& strFolder : relative)
        {
            path.folders.append(Path(strFolder));
            path.unexpanded.append(QString());
        }
        return path;
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
    const CSearchPath searchPath =
        Folders({"lib/smd", "lib/missing", "lib/smd/notes.txt", "lib/tht"});
    CFootprint footprint;
    footprint.DeleteFootprintList();
    EXPECT_EQ(footprint.CreateFootprintList(searchPath, ".psm", PROP_JEDEC_TYPE, SEARCH_LISTING), 5);
    EXPECT_EQ(Flatten(footprint), "BGA256|Not Found;QFP44|~/lib/smd/qfp44.Dra;"
                                  "SOIC8|~/lib/smd/SOIC8.dra;dip8|Not Found;"
                                  "SOIC8|~/lib/tht/SOIC8.dra");
    // The drawing pass adds only the footprints that have no .psm, in place.
    EXPECT_EQ(footprint.CreateFootprintList(searchPath, ".dra", PROP_JEDEC_TYPE, SEARCH_LISTING), 1);
    EXPECT_EQ(Flatten(footprint), "BGA256|Not Found;QFP44|~/lib/smd/qfp44.Dra;"
                                  "SOD123|~/lib/smd/SOD123.dra;SOIC8|~/lib/smd/SOIC8.dra;"
                                  "dip8|Not Found;SOIC8|~/lib/tht/SOIC8.dra");
    // Asking again adds nothing twice.
    EXPECT_EQ(footprint.CreateFootprintList(searchPath, ".dra", PROP_JEDEC_TYPE, SEARCH_LISTING), 0);
    EXPECT_EQ(footprint.CreateFootprintList(searchPath, ".PSM", PROP_OTHER, SEARCH_LISTING), 0);

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
    const CSearchPath searchPath = Folders({"a"});
    CFootprint footprint;
    EXPECT_EQ(footprint.CreateFootprintList(searchPath, ".dra", PROP_ALT_SYMBOLS, SEARCH_LISTING), 2);
    EXPECT_EQ(Flatten(footprint), "X|~/a/X.dra;Y|~/a/Y.dra");
    EXPECT_EQ(footprint.CreateFootprintList(searchPath, ".psm", PROP_ALT_SYMBOLS, SEARCH_LISTING), 0);
    EXPECT_EQ(footprint.CreateFootprintList(searchPath, ".txt", PROP_ALT_SYMBOLS, SEARCH_LISTING), 0);
}

TEST_F(FootprintSearchTest, deleteStartsAfreshAndSeesNewFiles)
{
    Touch("a/X.psm");
    const CSearchPath searchPath = Folders({"a"});
    CFootprint footprint;
    EXPECT_EQ(footprint.CreateFootprintList(searchPath, ".psm", PROP_JEDEC_TYPE, SEARCH_LISTING), 1);
    Touch("a/Y.psm");
    footprint.DeleteFootprintList();
    EXPECT_EQ(Flatten(footprint), "");
    EXPECT_EQ(footprint.CreateFootprintList(searchPath, ".psm", PROP_JEDEC_TYPE, SEARCH_LISTING), 2);
}

// Every file that answers the name is a place of its own: the exact
// spelling first, then the others in byte order.
TEST_F(FootprintSearchTest, viewingFindsEveryFileThatAnswersTheNameIgnoringCase)
{
    Touch("a/SOIC8.dra");
    Touch("b/soic8.DRA");
    Touch("b/SOIC8.dra");
    Touch("c/SOIC8.psm");
    Touch("d/Soic8.Dra");
    Touch("d/sub/X.dra");
    const CSearchPath searchPath = Folders({"a", "b", "c", "d"});

    struct Case
    {
        const char* pszFile;
        int nHits;
        const char* pszExpected;
    };
    const Case cases[] = {
        {"SOIC8.dra", 4, "SOIC8|~/a/SOIC8.dra;SOIC8|~/b/SOIC8.dra;soic8|~/b/soic8.DRA;Soic8|~/d/Soic8.Dra"},
        {"soic8.DRA", 4, "SOIC8|~/a/SOIC8.dra;soic8|~/b/soic8.DRA;SOIC8|~/b/SOIC8.dra;Soic8|~/d/Soic8.Dra"},
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
        EXPECT_EQ(footprint.CreateFootprintList(searchPath, QString::fromUtf8(c.pszFile),
                                                PROP_JEDEC_TYPE, SEARCH_VIEWING),
                  c.nHits);
        EXPECT_EQ(Flatten(footprint), QString::fromUtf8(c.pszExpected));
    }
}

TEST_F(FootprintSearchTest, viewingMatchesNonAsciiNamesIgnoringCase)
{
    Touch(QStringLiteral("a/\u00D6SE.dra"));
    const CSearchPath searchPath = Folders({"a"});
    CFootprint footprint;
    EXPECT_EQ(footprint.CreateFootprintList(searchPath, QStringLiteral("\u00F6se.dra"),
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
    const CSearchPath searchPath = Folders({"alias", "loop1", "a", "a/self"});
    CFootprint footprint;
    EXPECT_EQ(footprint.CreateFootprintList(searchPath, ".psm", PROP_JEDEC_TYPE, SEARCH_LISTING), 1);
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
    const CSearchPath searchPath = Folders({"locked", "a"});
    CFootprint footprint;
    const int nFound =
        footprint.CreateFootprintList(searchPath, ".psm", PROP_JEDEC_TYPE, SEARCH_LISTING);
    CFootprint viewing;
    const int nViewed =
        viewing.CreateFootprintList(searchPath, "Y.psm", PROP_JEDEC_TYPE, SEARCH_VIEWING);
    chmod(qPrintable(Path("locked")), 0700);
    EXPECT_EQ(nFound, 1);
    EXPECT_EQ(Flatten(footprint), "X|Not Found");
    EXPECT_EQ(nViewed, 0);
}

TEST_F(FootprintSearchTest, unusableFoldersAreNotedOnceWithTheReason)
{
    Touch("a/X.psm");
    Touch("file");
    // As a project gives them: a value kept as stored because its expansion
    // failed, and one that expands to nothing.
    CSearchPath searchPath = Folders({"missing", "a", "file", "${PP_UNSET_VARIABLE}/lib", "missing"});
    searchPath.unexpanded[3] = QStringLiteral("Environment Variable PP_UNSET_VARIABLE not set");
    searchPath.empty.append(QStringLiteral("${PP_EMPTY}"));
    const QStringList expected{
        "~/missing: does not exist",
        "~/file: is not a folder",
        "~/${PP_UNSET_VARIABLE}/lib: does not exist; its value was used as stored: "
        "Environment Variable PP_UNSET_VARIABLE not set",
        "${PP_EMPTY}: names no folder: it expands to an empty text",
    };
    const auto skipped = [this](const CFootprint& footprint) {
        QStringList lines;
        for (const CSkippedFolder& s : footprint.Report().skipped)
            lines.append(QString(s.strFolder).replace(m_strRoot, QStringLiteral("~")) + u": " + s.strReason);
        return lines;
    };
    CFootprint listing;
    EXPECT_EQ(listing.CreateFootprintList(searchPath, ".psm", PROP_JEDEC_TYPE, SEARCH_LISTING), 1);
    listing.CreateFootprintList(searchPath, ".dra", PROP_JEDEC_TYPE, SEARCH_LISTING);
    EXPECT_EQ(skipped(listing), expected);
    CFootprint viewing;
    viewing.CreateFootprintList(searchPath, "X.psm", PROP_JEDEC_TYPE, SEARCH_VIEWING);
    viewing.CreateFootprintList(searchPath, "Y.psm", PROP_JEDEC_TYPE, SEARCH_VIEWING);
    EXPECT_EQ(skipped(viewing), expected);
    EXPECT_EQ(QString(viewing.Report().SkippedText()).replace(m_strRoot, QStringLiteral("~")),
              "\n\nSearch folders skipped:\n" + expected.join(u'\n'));
}

// A search made without a way to read projects cannot tell a project's
// folders: searching by project path is an error, never a search of PSMPATH
// or of anything else.
TEST_F(FootprintSearchTest, searchByProjectPathWithoutASourceIsAProjectError)
{
    Touch("a/X.psm");
    Touch("a/X.dra");
    qputenv("PSMPATH", Path("a").toUtf8());
    const QString strProject = Path("proj.ini");
    const struct
    {
        const char* pszLabel;
        std::function<int(CFootprint&, const QString&)> search;
    } cases[] = {
        {"listing", [](CFootprint& f, const QString& p)
         { return f.CreateFootprintList(p, ".psm", PROP_JEDEC_TYPE, SEARCH_LISTING); }},
        {"viewing", [](CFootprint& f, const QString& p)
         { return f.CreateFootprintList(p, "X.dra", PROP_JEDEC_TYPE, SEARCH_VIEWING); }},
        {"many names", [](CFootprint& f, const QString& p)
         { return f.CreateFootprintList(p, QStringList{"X.dra"}, PROP_ALT_SYMBOLS); }},
    };
    for (const auto& c : cases)
        for (const QString& strPath : {strProject, QString()})
        {
            SCOPED_TRACE(std::string(c.pszLabel) + " " + strPath.toStdString());
            CFootprint footprint;
            EXPECT_EQ(c.search(footprint, strPath), 0);
            EXPECT_EQ(Flatten(footprint), "");
            EXPECT_THAT(footprint.Report().strProjectError.toStdString(),
                        ::testing::HasSubstr("no way to read a project's search path"));
        }
    CFootprint footprint;
    EXPECT_EQ(footprint.CreateFootprintList(Folders({"a"}), ".psm", PROP_JEDEC_TYPE, SEARCH_LISTING), 1);
    EXPECT_TRUE(footprint.Report().strProjectError.isEmpty());
}

TEST(SearchReport, listsTenSkippedFoldersThenHowManyMore)
{
    CSearchReport report;
    EXPECT_EQ(report.SkippedText(), QString());
    QStringList lines;
    for (int i = 1; i <= 12; ++i)
    {
        report.skipped.append({QStringLiteral("/f%1").arg(i), QStringLiteral("does not exist")});
        lines.append(QStringLiteral("/f%1: does not exist").arg(i));
    }
    EXPECT_EQ(report.SkippedText(),
              "\n\nSearch folders skipped:\n" + lines.mid(0, 10).join(u'\n') + "\nand 2 more");
    report.skipped.resize(10);
    EXPECT_EQ(report.SkippedText(), "\n\nSearch folders skipped:\n" + lines.mid(0, 10).join(u'\n'));
}

// Many names in one pass give what one search per name, in turn, gives.
TEST_F(FootprintSearchTest, viewingManyNamesAtOnceMatchesOneSearchPerName)
{
    for (const char* pszFile : {"a/SOIC8.dra", "a/soic8.DRA", "b/soic8.DRA", "b/DIP8.dra", "c/DIP8.dra",
                                "c/SOIC8.dra", "c/QFP.psm"})
        Touch(QString::fromLatin1(pszFile));
    Touch(QStringLiteral("b/\u00D6SE.dra"));
    const CSearchPath searchPath = Folders({"a", "missing", "b", "c"});
    const QStringList names{"DIP8.dra",  "soic8.dra", "MISSING.dra", "SOIC8.dra", "",
                            "../a/SOIC8.dra", "DIP8.dra", QStringLiteral("\u00F6se.dra"), "QFP.dra"};
    CFootprint oneByOne;
    int nOneByOne = 0;
    for (const QString& strName : names)
        nOneByOne += oneByOne.CreateFootprintList(searchPath, strName, PROP_ALT_SYMBOLS, SEARCH_VIEWING);
    CFootprint atOnce;
    EXPECT_EQ(atOnce.CreateFootprintList(searchPath, names, PROP_ALT_SYMBOLS), nOneByOne);
    EXPECT_EQ(Flatten(atOnce), Flatten(oneByOne));
    EXPECT_EQ(Flatten(atOnce),
              QStringLiteral("DIP8|~/b/DIP8.dra;DIP8|~/c/DIP8.dra;SOIC8|~/a/SOIC8.dra;soic8|~/a/soic8.DRA;"
                             "soic8|~/b/soic8.DRA;SOIC8|~/c/SOIC8.dra;SOIC8|~/a/SOIC8.dra;soic8|~/a/soic8.DRA;"
                             "soic8|~/b/soic8.DRA;SOIC8|~/c/SOIC8.dra;"
                             "DIP8|~/b/DIP8.dra;DIP8|~/c/DIP8.dra;\u00D6SE|~/b/\u00D6SE.dra"));
    EXPECT_EQ(atOnce.Report().skipped.size(), 1);
}

// Listings remembered between searches: tuned so that a folder left alone
// for a few milliseconds may be reused, which the kernel's timestamps (a
// clock tick apart) still tell apart.
class RememberedListingTest : public FootprintSearchTest
{
protected:
    void SetUp() override
    {
        FootprintSearchTest::SetUp();
        CFolderListings::Tuning tuning;
        tuning.quiet = 20ms;
        m_old = CFolderListings::SetTuning(tuning);
    }
    void TearDown() override
    {
        CFolderListings::SetTuning(m_old);
        FootprintSearchTest::TearDown();
    }
    QString Browse(const CSearchPath& path) const
    {
        CFootprint footprint;
        footprint.CreateFootprintList(path, ".psm", PROP_JEDEC_TYPE, SEARCH_LISTING);
        footprint.CreateFootprintList(path, ".dra", PROP_JEDEC_TYPE, SEARCH_LISTING);
        return Flatten(footprint);
    }
    CFolderListings::Tuning m_old;
};

TEST_F(RememberedListingTest, randomAddsRemovesAndRenamesAlwaysGiveWhatAFreshListingGives)
{
    const QStringList folders{"a", "b", "c"};
    const QStringList stems{"SOIC8", "soic8", "DIP8", "QFP44", "Bga", "bga", "X"};
    const QStringList exts{".psm", ".dra", ".PSM", ".Dra", ".txt"};
    std::mt19937 random(16);
    auto pick = [&random](const QStringList& from) { return from[int(random() % unsigned(from.size()))]; };
    auto filesOf = [this](const QString& strFolder) {
        return QDir(Path(strFolder)).entryList(QDir::Files, QDir::Name);
    };
    for (const QString& strFolder : folders)
        Touch(strFolder + "/SOIC8.dra");
    const CSearchPath path = Folders(folders);
    for (int nRound = 0; nRound < 60; ++nRound)
    {
        const bool bQuiet = nRound % 3 == 0;
        for (int nEdit = bQuiet ? 0 : 1 + int(random() % 3); nEdit > 0; --nEdit)
        {
            const QString strFolder = pick(folders);
            const QStringList files = filesOf(strFolder);
            const QString strNew = strFolder + u'/' + pick(stems) + pick(exts);
            switch (files.isEmpty() ? 0 : random() % 3)
            {
            case 0:
                Touch(strNew);
                break;
            case 1:
                ASSERT_TRUE(QFile::remove(Path(strFolder + u'/' + pick(files))));
                break;
            default:
                QFile::rename(Path(strFolder + u'/' + pick(files)), Path(strNew));
            }
        }
        std::this_thread::sleep_for(30ms);
        const auto before = CFolderListings::GetStats();
        const QString strRemembered = Browse(path);
        if (bQuiet && nRound > 0)
        {
            EXPECT_EQ(CFolderListings::GetStats().nRead, before.nRead) << "round " << nRound;
            EXPECT_EQ(CFolderListings::GetStats().nPathsReused, before.nPathsReused + 1) << "round " << nRound;
        }
        CFolderListings::Forget();
        EXPECT_EQ(strRemembered, Browse(path)) << "round " << nRound;
    }
    EXPECT_GE(CFolderListings::GetStats().nReused, 60u);
}

// The whole path answered at once, until one of its folders changes: then
// only that folder is read, and what was skipped is told again.
TEST_F(RememberedListingTest, aRememberedPathIsReusedWholeUntilOneOfItsFoldersChanges)
{
    for (const char* pszFile : {"a/SOIC8.dra", "b/DIP8.psm", "b/DIP8.dra", "c/QFP.dra"})
        Touch(QString::fromLatin1(pszFile));
    const CSearchPath path = Folders({"a", "missing", "b", "a", "c"});
    const auto browse = [&]() -> QString {
        CFootprint footprint;
        footprint.CreateFootprintList(path, ".psm", PROP_JEDEC_TYPE, SEARCH_LISTING);
        footprint.CreateFootprintList(path, ".dra", PROP_JEDEC_TYPE, SEARCH_LISTING);
        return Flatten(footprint) + footprint.Report().SkippedText().replace(m_strRoot, QStringLiteral("~"));
    };
    struct Case
    {
        std::function<void()> edit;
        quint64 nPathsReused, nRead;
    };
    const Case cases[] = {
        {[] {}, 1, 0},
        {[&] { Touch("b/NEW.dra"); }, 0, 1},
        {[] {}, 1, 0},
        {[&] { Touch("missing/LATE.dra"); }, 0, 1},
        {[&] { ASSERT_TRUE(QDir(Path("c")).removeRecursively()); }, 0, 0},
        {[&] { ASSERT_TRUE(QFile::rename(Path("a/SOIC8.dra"), Path("a/SOIC16.dra"))); }, 0, 1},
    };
    std::this_thread::sleep_for(30ms);
    browse();
    for (std::size_t i = 0; i < std::size(cases); ++i)
    {
        cases[i].edit();
        std::this_thread::sleep_for(30ms);
        const auto before = CFolderListings::GetStats();
        const QString strRemembered = browse();
        EXPECT_EQ(CFolderListings::GetStats().nPathsReused - before.nPathsReused, cases[i].nPathsReused) << i;
        EXPECT_EQ(CFolderListings::GetStats().nRead - before.nRead, cases[i].nRead) << i;
        CFolderListings::Forget();
        EXPECT_EQ(strRemembered, browse()) << i;
    }
}

// With no second thread to be had (a process limit) the search reads and
// checks every folder itself: a long path, listed and then reused, gives
// what it gives with two threads.
TEST_F(RememberedListingTest, withNoSecondThreadEveryFolderIsStillReadAndChecked)
{
    QStringList folders;
    for (int i = 0; i < 600; ++i)
    {
        folders.append(QString::number(i));
        Touch(QStringLiteral("%1/F%1.dra").arg(i));
    }
    const CSearchPath path = Folders(folders);
    std::this_thread::sleep_for(30ms);
    const QString strTwoThreads = Browse(path);
    ASSERT_EQ(strTwoThreads.count(u';'), 599);
    CFolderListings::Tuning tuning = CFolderListings::SetTuning({});
    tuning.bThreadsFail = true;
    CFolderListings::SetTuning(tuning); // forgets what was read
    const auto before = CFolderListings::GetStats();
    EXPECT_EQ(Browse(path), strTwoThreads);
    EXPECT_EQ(CFolderListings::GetStats().nRead - before.nRead, 600u);
    EXPECT_EQ(Browse(path), strTwoThreads);
    EXPECT_EQ(CFolderListings::GetStats().nRead - before.nRead, 600u);
    EXPECT_GE(CFolderListings::GetStats().nPathsReused - before.nPathsReused, 1u);
}

TEST_F(RememberedListingTest, aFolderReplacedAtTheSamePathIsListedAgain)
{
    Touch("a/OLD.dra");
    const CSearchPath path = Folders({"a"});
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(Browse(path), "OLD|~/a/OLD.dra");
    struct stat old;
    ASSERT_EQ(stat(QFile::encodeName(Path("a")).constData(), &old), 0);
    ASSERT_TRUE(QDir(m_strRoot).rename("a", "gone"));
    Touch("a/NEW.dra");
    // Even with the old folder's times.
    const timespec times[2] = {old.st_atim, old.st_mtim};
    ASSERT_EQ(utimensat(AT_FDCWD, QFile::encodeName(Path("a")).constData(), times, 0), 0);
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(Browse(path), "NEW|~/a/NEW.dra");
}

TEST_F(FootprintSearchTest, aChangeWithinTheSameSecondOfACoarseClockIsSeen)
{
    CFolderListings::Tuning tuning; // two seconds of quiet
    tuning.tick = 1s;
    const CFolderListings::Tuning old = CFolderListings::SetTuning(tuning);
    Touch("a/X.dra");
    const CSearchPath path = Folders({"a"});
    for (const char* pszFile : {"a/Y.dra", "a/Z.psm"})
    {
        CFootprint before;
        before.CreateFootprintList(path, ".dra", PROP_JEDEC_TYPE, SEARCH_LISTING);
        Touch(pszFile);
        CFootprint after;
        after.CreateFootprintList(path, ".dra", PROP_JEDEC_TYPE, SEARCH_LISTING);
        after.CreateFootprintList(path, ".psm", PROP_JEDEC_TYPE, SEARCH_LISTING);
        EXPECT_TRUE(Flatten(after).contains(QString::fromLatin1(pszFile).mid(2, 1) + u'|')) << pszFile;
    }
    CFolderListings::SetTuning(old);
}

// The number of folders is told before the first is read, then after each;
// a listing or viewing stopped by it adds nothing.
TEST_F(FootprintSearchTest, progressCountsFoldersAndFoundAndCanStopTheSearch)
{
    for (const char* pszFile : {"a/X.dra", "a/Y.psm", "b/Z.dra"})
        Touch(QString::fromLatin1(pszFile));
    const CSearchPath path = Folders({"a", "missing", "b"});
    const std::function<int(CFootprint&)> listing = [&path](CFootprint& f) {
        return f.CreateFootprintList(path, ".psm", PROP_JEDEC_TYPE, SEARCH_LISTING);
    };
    const std::function<int(CFootprint&)> viewing = [&path](CFootprint& f) {
        return f.CreateFootprintList(path, QStringList{"X.dra", "Z.dra"}, PROP_ALT_SYMBOLS);
    };
    const struct
    {
        const std::function<int(CFootprint&)>& search;
        int nStopAt; // the call that says stop, 0 for none
        int nAdded;
        const char* pszSeen;
    } cases[] = {
        {listing, 0, 1, "0/2:0 1/2:2 2/2:3"},
        {listing, 1, 0, "0/2:0"},
        {listing, 2, 0, "0/2:0 1/2:2"},
        {viewing, 0, 2, "0/2:0 1/2:1 2/2:2"},
        {viewing, 1, 0, "0/2:0"},
        {viewing, 3, 0, "0/2:0 1/2:1 2/2:2"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.pszSeen);
        QStringList seen;
        CFootprint footprint;
        footprint.SetProgress([&](const CListingProgress& progress) {
            seen.append(QStringLiteral("%1/%2:%3").arg(progress.nFoldersDone).arg(progress.nFolders).arg(progress.nFound));
            return int(seen.size()) != c.nStopAt;
        });
        EXPECT_EQ(c.search(footprint), c.nAdded);
        EXPECT_EQ(footprint.Cancelled(), c.nStopAt != 0);
        EXPECT_EQ(seen.join(u' '), c.pszSeen);
        QList<CFootprintEntry*> list;
        footprint.GetFootprintList(list);
        EXPECT_EQ(list.size(), c.nAdded);
    }
}

// A file name that is not valid UTF-8 cannot be stored in a property nor
// opened from one: it is left out and counted. Files that answer one name
// in different letter case are all named by the entry, and all found by
// viewing.
TEST_F(FootprintSearchTest, namesNotUtf8AreLeftOutAndNamesSharedByCaseAreAllTold)
{
    for (const char* pszFile : {"a/UPPER.psm", "a/upper.psm", "a/UPPER.dra", "a/upper.dra", "a/Mixed.psm",
                                "a/MIXED.dra", "b/ok.psm"})
        Touch(QString::fromLatin1(pszFile));
    for (const char* pszBad : {"/a/bad\xff.psm", "/a/b\xe9" "d.dra", "/b/\xc3.dra"})
    {
        const QByteArray path = QFile::encodeName(m_strRoot) + pszBad;
        const int nFd = ::open(path.constData(), O_WRONLY | O_CREAT, 0644);
        ASSERT_GE(nFd, 0) << path.constData();
        ::close(nFd);
    }
    const CSearchPath searchPath = Folders({"a", "b"});
    CFootprint listing;
    listing.CreateFootprintList(searchPath, ".psm", PROP_JEDEC_TYPE, SEARCH_LISTING);
    listing.CreateFootprintList(searchPath, ".dra", PROP_JEDEC_TYPE, SEARCH_LISTING);
    EXPECT_EQ(Flatten(listing), "Mixed|~/a/MIXED.dra;UPPER|~/a/UPPER.dra;ok|Not Found");
    QList<CFootprintEntry*> list;
    listing.GetFootprintList(list);
    ASSERT_EQ(list.size(), 3);
    EXPECT_EQ(list[0]->GetSharedFiles(), QStringList());
    const QStringList shared{Path("a/UPPER.psm"), Path("a/upper.psm"), Path("a/UPPER.dra"), Path("a/upper.dra")};
    EXPECT_EQ(list[1]->GetSharedFiles(), shared);
    EXPECT_EQ(CFootprintEntry(*list[1]).GetSharedFiles(), shared); // a copy keeps them
    const auto& hidden = listing.Report().hidden;
    ASSERT_EQ(hidden.size(), 2);
    EXPECT_EQ(hidden[0].strFolder, Path("a"));
    EXPECT_EQ(hidden[0].nFiles, 2);
    EXPECT_EQ(hidden[1].nFiles, 1);
    EXPECT_EQ(QString(listing.Report().SkippedText()).replace(m_strRoot, QStringLiteral("~")),
              "\n\nFiles left out, their names are not valid UTF-8:\n~/a: 2\n~/b: 1");

    const struct
    {
        QString strFile;
        const char* pszExpected;
    } cases[] = {
        {"UPPER.dra", "UPPER|~/a/UPPER.dra;upper|~/a/upper.dra"},
        {"upper.dra", "upper|~/a/upper.dra;UPPER|~/a/UPPER.dra"},
        {"Upper.dra", "UPPER|~/a/UPPER.dra;upper|~/a/upper.dra"},
        {"mixed.dra", "MIXED|~/a/MIXED.dra"},
        // What a replacement character shows is no file of the folder.
        {QStringLiteral("bad\uFFFD.psm"), ""},
        {QStringLiteral("\uFFFD.dra"), ""},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.strFile.toStdString());
        CFootprint viewing;
        viewing.CreateFootprintList(searchPath, c.strFile, PROP_JEDEC_TYPE, SEARCH_VIEWING);
        EXPECT_EQ(Flatten(viewing), QString::fromUtf8(c.pszExpected));
    }
}

// A path without a folder says where it came from, so the user knows what
// to set; a path whose values name no folder is told as skipped instead.
TEST_F(FootprintSearchTest, anEmptyPathIsToldWithWhereItCameFrom)
{
    const struct
    {
        QString strProjectFile;
        bool bFromProject;
        QStringList empty;
        const char* pszText;
    } cases[] = {
        {"", false, {}, "there is no project file and PSMPATH names no folder."},
        {"/p/proj.ini", false, {}, "/p/proj.ini has no psmpath line and PSMPATH names no folder."},
        {"/p/proj.ini", true, {}, "the psmpath lines of /p/proj.ini name no folder."},
        {"/p/proj.ini", true, {"${NONE}"}, nullptr},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.strProjectFile.toStdString());
        CSearchPath path;
        path.strProjectFile = c.strProjectFile;
        path.bFromProject = c.bFromProject;
        path.empty = c.empty;
        for (const bool bViewing : {false, true})
        {
            CFootprint footprint;
            footprint.CreateFootprintList(path, bViewing ? "X.dra" : ".psm", PROP_JEDEC_TYPE,
                                          bViewing ? SEARCH_VIEWING : SEARCH_LISTING);
            EXPECT_EQ(footprint.Report().bEmptyPath, c.pszText != nullptr);
            if (c.pszText)
            {
                EXPECT_EQ(footprint.Report().SkippedText(),
                          QStringLiteral("\n\nThe footprint search path is empty: ") + c.pszText);
            }
        }
    }
}

TEST(FootprintEntry, entryMadeByHandKeepsItsTexts)
{
    const CFootprintEntry entry("SOIC8", "second", "/lib/SOIC8.dra");
    EXPECT_EQ(entry.GetName(), "SOIC8");
    EXPECT_EQ(entry.GetSecond(), "second");
    EXPECT_EQ(entry.GetLocation(), "/lib/SOIC8.dra");
}
} // namespace
