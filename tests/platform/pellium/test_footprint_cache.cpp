// SPDX-License-Identifier: MIT
#include "pellium/Footprint.h"

#include "pellium/FootprintCachePrivate.h"

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
    auto pick = [&random](const QStringList& from)
    { return from[int(random() % unsigned(from.size()))]; };
    auto filesOf = [this](const QString& strFolder)
    { return QDir(Path(strFolder)).entryList(QDir::Files, QDir::Name); };
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
            EXPECT_EQ(CFolderListings::GetStats().nPathsReused, before.nPathsReused + 1)
                << "round " << nRound;
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
    const auto browse = [&]() -> QString
    {
        CFootprint footprint;
        footprint.CreateFootprintList(path, ".psm", PROP_JEDEC_TYPE, SEARCH_LISTING);
        footprint.CreateFootprintList(path, ".dra", PROP_JEDEC_TYPE, SEARCH_LISTING);
        return Flatten(footprint) +
               footprint.Report().SkippedText().replace(m_strRoot, QStringLiteral("~"));
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
        // Whether the folder can be read: its own mode, told by its parent.
        {[&] { ASSERT_EQ(chmod(qPrintable(Path("b")), 0700), 0); }, 0, 1},
        {[] {}, 1, 0},
        {[&] { ASSERT_EQ(chmod(qPrintable(Path("b")), 0755), 0); }, 0, 1},
    };
    std::this_thread::sleep_for(30ms);
    browse();
    for (std::size_t i = 0; i < std::size(cases); ++i)
    {
        cases[i].edit();
        std::this_thread::sleep_for(30ms);
        const auto before = CFolderListings::GetStats();
        const QString strRemembered = browse();
        EXPECT_EQ(CFolderListings::GetStats().nPathsReused - before.nPathsReused,
                  cases[i].nPathsReused)
            << i;
        EXPECT_EQ(CFolderListings::GetStats().nRead - before.nRead, cases[i].nRead) << i;
        CFolderListings::Forget();
        EXPECT_EQ(strRemembered, browse()) << i;
    }
}

// A search given a cache of its own remembers there and only there: the
// process's cache neither answers it nor learns from it.
TEST_F(RememberedListingTest, aSearchGivenItsOwnCacheKeepsItsListingsThere)
{
    Touch("a/SOIC8.dra");
    const CSearchPath path = Folders({"a"});
    const auto pOwn = std::make_shared<CListingCache>();
    CListingCache::Tuning tuning;
    tuning.quiet = 20ms;
    pOwn->SetTuning(tuning);
    std::this_thread::sleep_for(30ms);
    const auto listWith = [&](const std::shared_ptr<CListingCache>& pCache)
    {
        CFootprint footprint(nullptr, pCache);
        footprint.CreateFootprintList(path, ".dra", PROP_JEDEC_TYPE, SEARCH_LISTING);
        return Flatten(footprint);
    };
    const auto before = CFolderListings::GetStats();
    EXPECT_EQ(listWith(pOwn), "SOIC8|~/a/SOIC8.dra");
    EXPECT_EQ(listWith(pOwn), "SOIC8|~/a/SOIC8.dra");
    EXPECT_EQ(pOwn->GetStats().nRead, 1u);
    EXPECT_EQ(pOwn->GetStats().nPathsReused, 1u);
    EXPECT_EQ(CFolderListings::GetStats().nRead, before.nRead);
    EXPECT_EQ(listWith(nullptr), "SOIC8|~/a/SOIC8.dra");
    EXPECT_EQ(CFolderListings::GetStats().nRead, before.nRead + 1);
    EXPECT_EQ(CFolderListings::GetStats().nPathsReused, before.nPathsReused);
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

// The folder is the same one, untouched, but its path now leads elsewhere.
TEST_F(RememberedListingTest, aLibraryMovedAwayAndAnotherPutInItsPlaceIsListedAgain)
{
    Touch("lib/a/OLD.dra");
    const CSearchPath path = Folders({"lib/a"});
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(Browse(path), "OLD|~/lib/a/OLD.dra");
    EXPECT_EQ(Browse(path), "OLD|~/lib/a/OLD.dra");
    ASSERT_TRUE(QDir(m_strRoot).rename("lib", "moved"));
    Touch("lib/a/NEW.dra");
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(Browse(path), "NEW|~/lib/a/NEW.dra");
}

// A folder on the path that is also the parent of another keeps telling
// that one's mode once it is watched as a folder too.
TEST_F(RememberedListingTest, aNestedFoldersModeIsSeenThroughAParentThatIsOnThePath)
{
    Touch("a/A.dra");
    Touch("a/sub/SUB.dra");
    const CSearchPath path = Folders({"a", "a/sub"});
    std::this_thread::sleep_for(30ms);
    Browse(path);
    const auto before = CFolderListings::GetStats();
    Browse(path);
    EXPECT_EQ(CFolderListings::GetStats().nPathsReused, before.nPathsReused + 1);
    ASSERT_EQ(chmod(qPrintable(Path("a/sub")), 0700), 0);
    std::this_thread::sleep_for(30ms);
    Browse(path);
    EXPECT_EQ(CFolderListings::GetStats().nPathsReused, before.nPathsReused + 1);
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
        EXPECT_TRUE(Flatten(after).contains(QString::fromLatin1(pszFile).mid(2, 1) + u'|'))
            << pszFile;
    }
    CFolderListings::SetTuning(old);
}
} // namespace

// Only a file system that sees every change to it may answer for its
// folders through watches; a share, or a type not known, gets a stat.
TEST(LocalFileSystem, onlyFileSystemsThatSeeEveryChangeAreWatched)
{
    const struct
    {
        const char* pszName;
        unsigned long nType;
        bool bLocal;
    } cases[] = {
        {"ext4", 0xEF53, true},         {"xfs", 0x58465342, true},
        {"btrfs", 0x9123683E, true},    {"tmpfs", 0x01021994, true},
        {"f2fs", 0xF2F52010, true},     {"overlayfs", 0x794C7630, true},
        {"zfs", 0x2FC12FC1, true},      {"bcachefs", 0xCA451A4E, true},
        {"nfs", 0x6969, false},         {"cifs", 0xFF534D42, false},
        {"smb2", 0xFE534D42, false},    {"fuse", 0x65735546, false},
        {"unknown", 0x12345678, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsLocalFileSystemType(c.nType), c.bLocal) << c.pszName;
}
