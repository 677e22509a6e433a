// SPDX-License-Identifier: MIT
#include "pellium/Footprint.h"

#include "FootprintSearchTest.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <random>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace std::chrono_literals;

namespace
{
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
    EXPECT_EQ(footprint.CreateFootprintList(searchPath, ".psm", PROP_JEDEC_TYPE, SEARCH_LISTING),
              5);
    EXPECT_EQ(Flatten(footprint), "BGA256|Not Found;QFP44|~/lib/smd/qfp44.Dra;"
                                  "SOIC8|~/lib/smd/SOIC8.dra;dip8|Not Found;"
                                  "SOIC8|~/lib/tht/SOIC8.dra");
    // The drawing pass adds only the footprints that have no .psm, in place.
    EXPECT_EQ(footprint.CreateFootprintList(searchPath, ".dra", PROP_JEDEC_TYPE, SEARCH_LISTING),
              1);
    EXPECT_EQ(Flatten(footprint), "BGA256|Not Found;QFP44|~/lib/smd/qfp44.Dra;"
                                  "SOD123|~/lib/smd/SOD123.dra;SOIC8|~/lib/smd/SOIC8.dra;"
                                  "dip8|Not Found;SOIC8|~/lib/tht/SOIC8.dra");
    // Asking again adds nothing twice.
    EXPECT_EQ(footprint.CreateFootprintList(searchPath, ".dra", PROP_JEDEC_TYPE, SEARCH_LISTING),
              0);
    EXPECT_EQ(footprint.CreateFootprintList(searchPath, ".PSM", PROP_OTHER, SEARCH_LISTING), 0);

    QList<CFootprintEntry*> list;
    footprint.GetFootprintList(list);
    ASSERT_EQ(list.size(), 6);
    EXPECT_EQ(list[3]->GetSecond(), Path("lib/smd"));
    EXPECT_EQ(list[5]->GetSecond(), Path("lib/tht"));

    // A copy, and an entry assigned one, keep their texts after the search
    // has ended.
    const CFootprintEntry copy = *list[1];
    auto pAssigned = std::make_unique<CFootprintEntry>("x", "y", "z");
    *pAssigned = *list[1];
    footprint.DeleteFootprintList();
    for (const CFootprintEntry* pEntry :
         {&copy, static_cast<const CFootprintEntry*>(pAssigned.get())})
    {
        EXPECT_EQ(pEntry->GetName(), "QFP44");
        EXPECT_EQ(pEntry->Utf8Name(), "QFP44");
        EXPECT_EQ(pEntry->GetSecond(), Path("lib/smd"));
        EXPECT_EQ(pEntry->GetLocation(), Path("lib/smd/qfp44.Dra"));
    }
}

TEST_F(FootprintSearchTest, drawingPassAloneListsFootprintsThatHaveADrawing)
{
    Touch("a/X.psm");
    Touch("a/Y.dra");
    Touch("a/X.dra");
    const CSearchPath searchPath = Folders({"a"});
    CFootprint footprint;
    EXPECT_EQ(footprint.CreateFootprintList(searchPath, ".dra", PROP_ALT_SYMBOLS, SEARCH_LISTING),
              2);
    EXPECT_EQ(Flatten(footprint), "X|~/a/X.dra;Y|~/a/Y.dra");
    EXPECT_EQ(footprint.CreateFootprintList(searchPath, ".psm", PROP_ALT_SYMBOLS, SEARCH_LISTING),
              0);
    EXPECT_EQ(footprint.CreateFootprintList(searchPath, ".txt", PROP_ALT_SYMBOLS, SEARCH_LISTING),
              0);
}

TEST_F(FootprintSearchTest, deleteStartsAfreshAndSeesNewFiles)
{
    Touch("a/X.psm");
    const CSearchPath searchPath = Folders({"a"});
    CFootprint footprint;
    EXPECT_EQ(footprint.CreateFootprintList(searchPath, ".psm", PROP_JEDEC_TYPE, SEARCH_LISTING),
              1);
    Touch("a/Y.psm");
    footprint.DeleteFootprintList();
    EXPECT_EQ(Flatten(footprint), "");
    EXPECT_EQ(footprint.CreateFootprintList(searchPath, ".psm", PROP_JEDEC_TYPE, SEARCH_LISTING),
              2);
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
    EXPECT_EQ(
        footprint.CreateFootprintList(Folders({"a"}), ".psm", PROP_JEDEC_TYPE, SEARCH_LISTING), 1);
    EXPECT_TRUE(footprint.Report().strProjectError.isEmpty());
}

TEST(SearchReport, listsTenSkippedFoldersThenHowManyMore)
{
    CSearchReport report;
    EXPECT_EQ(report.SkippedText(), QString());
    QStringList lines;
    for (int i = 1; i <= 12; ++i)
    {
        report.skipped.append({QStringLiteral("/f%1").arg(i), {EFolderFault::kMissing}});
        lines.append(QStringLiteral("/f%1: does not exist").arg(i));
    }
    EXPECT_EQ(report.SkippedText(),
              "\n\nSearch folders skipped:\n" + lines.mid(0, 10).join(u'\n') + "\nand 2 more");
    report.skipped.resize(10);
    EXPECT_EQ(report.SkippedText(), "\n\nSearch folders skipped:\n" + lines.mid(0, 10).join(u'\n'));
}

// The number of folders is told before the first is read, then after each;
// a listing or viewing stopped by it adds nothing.
TEST_F(FootprintSearchTest, progressCountsFoldersAndFoundAndCanStopTheSearch)
{
    for (const char* pszFile : {"a/X.dra", "a/Y.psm", "b/Z.dra"})
        Touch(QString::fromLatin1(pszFile));
    const CSearchPath path = Folders({"a", "missing", "b"});
    const std::function<int(CFootprint&)> listing = [&path](CFootprint& f)
    { return f.CreateFootprintList(path, ".psm", PROP_JEDEC_TYPE, SEARCH_LISTING); };
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
        footprint.SetProgress(
            [&](const CListingProgress& progress)
            {
                seen.append(QStringLiteral("%1/%2:%3")
                                .arg(progress.nFoldersDone)
                                .arg(progress.nFolders)
                                .arg(progress.nFound));
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
    for (const QString& strName : {QString("SOIC8"), QString("Ø-Ring_µ"), QString()})
    {
        const auto pEntry = std::make_unique<CFootprintEntry>(strName, "second", "/lib/x.dra");
        EXPECT_EQ(pEntry->GetName(), strName);
        EXPECT_EQ(pEntry->Utf8Name(), strName.toUtf8().toStdString());
        EXPECT_EQ(pEntry->GetSecond(), "second");
        EXPECT_EQ(pEntry->GetLocation(), "/lib/x.dra");
    }
}
} // namespace
