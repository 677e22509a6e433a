// SPDX-License-Identifier: MIT
#include "pellium/Footprint.h"

#include "FootprintSearchTest.h"
#include "OtherUser.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <optional>
#include <random>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace std::chrono_literals;

namespace
{
TEST_F(FootprintSearchTest, sameFolderThroughLinksIsReadOnceAndLoopsAreSkipped)
{
    Touch("a/X.psm");
    ASSERT_EQ(symlink(qPrintable(Path("a")), qPrintable(Path("alias"))), 0);
    ASSERT_EQ(symlink(qPrintable(Path("loop1")), qPrintable(Path("loop2"))), 0);
    ASSERT_EQ(symlink(qPrintable(Path("loop2")), qPrintable(Path("loop1"))), 0);
    ASSERT_EQ(symlink(".", qPrintable(Path("a/self"))), 0); // a loop inside a folder
    const CSearchPath searchPath = Folders({"alias", "loop1", "a", "a/self"});
    CFootprint footprint;
    EXPECT_EQ(footprint.CreateFootprintList(searchPath, ".psm", PROP_JEDEC_TYPE, SEARCH_LISTING),
              1);
    QList<CFootprintEntry*> list;
    footprint.GetFootprintList(list);
    ASSERT_EQ(list.size(), 1);
    EXPECT_EQ(list[0]->GetSecond(), Path("alias")); // the first way the path names it
}

TEST_F(FootprintSearchTest, unreadableFolderIsSkipped)
{
    Touch("a/X.psm");
    Touch("locked/Y.psm");
    ASSERT_EQ(chmod(qPrintable(Path("locked")), 0), 0);
    const CSearchPath searchPath = Folders({"locked", "a"});
    // Root reads every folder: search as another user would.
    std::optional<testsupport::ActAs> as;
    if (geteuid() == 0)
    {
        const testsupport::OtherUser nobody = testsupport::Nobody();
        if (!nobody.bFound)
            GTEST_SKIP() << "no unprivileged account to search as";
        for (const char* pszFolder : {"", "a"})
            ASSERT_EQ(chmod(qPrintable(Path(QString::fromLatin1(pszFolder))), 0755), 0);
        as.emplace(nobody);
        ASSERT_TRUE(as->Ok());
    }
    CFootprint footprint;
    const int nFound =
        footprint.CreateFootprintList(searchPath, ".psm", PROP_JEDEC_TYPE, SEARCH_LISTING);
    CFootprint viewing;
    const int nViewed =
        viewing.CreateFootprintList(searchPath, "Y.psm", PROP_JEDEC_TYPE, SEARCH_VIEWING);
    as.reset();
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
    CSearchPath searchPath =
        Folders({"missing", "a", "file", "${PP_UNSET_VARIABLE}/lib", "missing"});
    searchPath.unexpanded[3] = QStringLiteral("Environment Variable PP_UNSET_VARIABLE not set");
    searchPath.empty.append(QStringLiteral("${PP_EMPTY}"));
    const QStringList expected{
        "~/missing: does not exist",
        "~/file: is not a folder",
        "~/${PP_UNSET_VARIABLE}/lib: does not exist; its value was used as stored: "
        "Environment Variable PP_UNSET_VARIABLE not set",
        "${PP_EMPTY}: names no folder: it expands to an empty text",
    };
    const auto skipped = [this](const CFootprint& footprint)
    {
        QStringList lines;
        for (const CSkippedFolder& s : footprint.Report().skipped)
            lines.append(QString(s.strFolder).replace(m_strRoot, QStringLiteral("~")) + u": " +
                         s.Reason());
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

// A file name that is not valid UTF-8 cannot be stored in a property nor
// opened from one: it is left out and counted. Files that answer one name
// in different letter case are all named by the entry, and all found by
// viewing.
TEST_F(FootprintSearchTest, namesNotUtf8AreLeftOutAndNamesSharedByCaseAreAllTold)
{
    for (const char* pszFile : {"a/UPPER.psm", "a/upper.psm", "a/UPPER.dra", "a/upper.dra",
                                "a/Mixed.psm", "a/MIXED.dra", "b/ok.psm"})
        Touch(QString::fromLatin1(pszFile));
    for (const char* pszBad : {"/a/bad\xff.psm",
                               "/a/b\xe9"
                               "d.dra",
                               "/b/\xc3.dra"})
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
    const QStringList shared{Path("a/UPPER.psm"), Path("a/upper.psm"), Path("a/UPPER.dra"),
                             Path("a/upper.dra")};
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
} // namespace
