// SPDX-License-Identifier: MIT
// Footprint searches over folders that misbehave: folders that vanish while
// they are read, files and folders that cannot be read, links that loop,
// and one folder with a hundred thousand files.
#include "ReliabilitySupport.h"
#include "TestSupport.h"
#include "project/SearchPath.h"
#include "viewing/ViewFootprint.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <string>
#include <thread>

using physprops::ui::CFootprintViewer;
using physprops::ui::CServices;
using physprops::ui::OpenFootprintLocation;

using physprops::core::ProjectSearchPath;

namespace
{
class SearchFaults : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_strRoot = m_dir.path();
        qunsetenv("PSMPATH");
    }

    QString Path(const QString& strRelative) const { return m_strRoot + u'/' + strRelative; }
    QByteArray Bytes(const QString& strRelative) const
    {
        return QFile::encodeName(Path(strRelative));
    }
    void Touch(const QString& strRelative)
    {
        QDir().mkpath(QFileInfo(Path(strRelative)).path());
        QFile file(Path(strRelative));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << strRelative.toStdString();
    }
    QString Project(const QStringList& folders)
    {
        QFile file(Path(QStringLiteral("proj.ini")));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        for (const QString& strFolder : folders)
            file.write("psmpath = " + QFile::encodeName(Path(strFolder)) + '\n');
        return file.fileName();
    }
    static QStringList Names(const CFootprint& footprint)
    {
        QList<CFootprintEntry*> list;
        footprint.GetFootprintList(list);
        QStringList names;
        for (const CFootprintEntry* p : list)
            names.append(p->GetName() + u'|' + QFileInfo(p->GetSecond()).fileName());
        return names;
    }

    QTemporaryDir m_dir;
    QString m_strRoot;
};
} // namespace

TEST_F(SearchFaults, foldersThatVanishWhileTheyAreReadGiveAConsistentList)
{
    constexpr int kFolders = 8;
    constexpr int kFiles = 40;
    QStringList folders;
    for (int f = 0; f < kFolders; ++f)
    {
        folders.append(QStringLiteral("lib%1").arg(f));
        for (int i = 0; i < kFiles; ++i)
            Touch(QStringLiteral("lib%1/FP%2.psm").arg(f).arg(i));
    }
    const QString strProject = Project(folders);

    // Another program keeps removing and restoring the folders meanwhile.
    std::vector<std::string> paths;
    for (const QString& strFolder : folders)
        paths.push_back(Bytes(strFolder).toStdString());
    std::atomic<bool> bStop{false};
    std::thread churn(
        [&]
        {
            for (unsigned n = 0; !bStop; ++n)
            {
                const std::string& strFolder = paths[n % paths.size()];
                for (int i = 0; i < kFiles; ++i)
                    ::unlink((strFolder + "/FP" + std::to_string(i) + ".psm").c_str());
                ::rmdir(strFolder.c_str());
                ::mkdir(strFolder.c_str(), 0700);
                for (int i = 0; i < kFiles; ++i)
                    ::close(::open((strFolder + "/FP" + std::to_string(i) + ".psm").c_str(),
                                   O_CREAT | O_WRONLY | O_CLOEXEC, 0600));
            }
        });

    for (int nRound = 0; nRound < 40; ++nRound)
    {
        SCOPED_TRACE(nRound);
        CFootprint footprint(ProjectSearchPath);
        const int nListed =
            footprint.CreateFootprintList(strProject, ".psm", PROP_JEDEC_TYPE, SEARCH_LISTING);
        const QStringList names = Names(footprint);
        EXPECT_EQ(nListed, names.size());
        EXPECT_LE(names.size(), kFolders * kFiles);
        EXPECT_EQ(QSet<QString>(names.begin(), names.end()).size(), names.size()) << "listed twice";
        for (const QString& strName : names)
            EXPECT_TRUE(strName.startsWith(u"FP") && strName.contains(u"|lib"))
                << strName.toStdString();

        CFootprint viewing(ProjectSearchPath);
        const int nViewed =
            viewing.CreateFootprintList(strProject, "fp7.PSM", PROP_JEDEC_TYPE, SEARCH_VIEWING);
        EXPECT_LE(nViewed, kFolders);
    }
    bStop = true;
    churn.join();
}

TEST_F(SearchFaults, aFolderGoneFromUnderTheCurrentFolderIsSkipped)
{
    Touch(QStringLiteral("keep/K.psm"));
    QDir().mkpath(Path(QStringLiteral("gone/lib")));
    const QByteArray saved = QFile::encodeName(QDir::currentPath());
    ASSERT_EQ(::chdir(Bytes(QStringLiteral("gone")).constData()), 0);
    ASSERT_EQ(::rmdir(Bytes(QStringLiteral("gone/lib")).constData()), 0);
    ASSERT_EQ(::rmdir(Bytes(QStringLiteral("gone")).constData()), 0);
    // Relative folders of the variable name places inside the vanished folder.
    qputenv("PSMPATH", "lib:.:" + Bytes(QStringLiteral("keep")));
    CFootprint footprint(ProjectSearchPath);
    const int nListed =
        footprint.CreateFootprintList(QString(), ".psm", PROP_JEDEC_TYPE, SEARCH_LISTING);
    qunsetenv("PSMPATH");
    ASSERT_EQ(::chdir(saved.constData()), 0);
    EXPECT_EQ(nListed, 1);
    EXPECT_EQ(Names(footprint), QStringList{QStringLiteral("K|keep")});
}

TEST_F(SearchFaults, linksThatLoopOrLeadNowhereAreSkippedAndTheRestIsFound)
{
    Touch(QStringLiteral("lib/REAL.psm"));
    Touch(QStringLiteral("lib/REAL.dra"));
    Touch(QStringLiteral("other/TARGET.dra"));
    const struct
    {
        const char* pszLink;
        const char* pszTarget;
    } links[] = {
        {"lib/SELF.psm", "SELF.psm"}, // points at itself
        {"lib/PING.dra", "PONG.dra"}, // two that point at each other
        {"lib/PONG.dra", "PING.dra"},
        {"lib/DANGLING.psm", "nowhere.psm"},       // leads nowhere
        {"lib/FOLDER.psm", "."},                   // a folder, not a drawing
        {"lib/UP.dra", "../lib"},                  // a folder again, through a loop
        {"lib/LINKED.dra", "../other/TARGET.dra"}, // a real drawing elsewhere
    };
    for (const auto& l : links)
        ASSERT_EQ(::symlink(l.pszTarget, Bytes(QString::fromLatin1(l.pszLink)).constData()), 0);
    const QString strProject = Project({QStringLiteral("lib")});

    CFootprint footprint(ProjectSearchPath);
    footprint.CreateFootprintList(strProject, ".psm", PROP_JEDEC_TYPE, SEARCH_LISTING);
    footprint.CreateFootprintList(strProject, ".dra", PROP_JEDEC_TYPE, SEARCH_LISTING);
    EXPECT_EQ(Names(footprint),
              (QStringList{QStringLiteral("LINKED|lib"), QStringLiteral("REAL|lib")}));
    for (const char* pszFile : {"SELF.psm", "PING.dra", "DANGLING.psm", "FOLDER.psm", "UP.dra"})
    {
        CFootprint viewing(ProjectSearchPath);
        EXPECT_EQ(viewing.CreateFootprintList(strProject, pszFile, PROP_JEDEC_TYPE, SEARCH_VIEWING),
                  0)
            << pszFile;
    }
}

// Folders the searching user may not use are skipped and named with the
// reason; a listed drawing that cannot be read is said to be so at View.
TEST_F(SearchFaults, unreadableFilesAreListedAndUnreadableFoldersSkipped)
{
    Touch(QStringLiteral("a/OPEN.psm"));
    Touch(QStringLiteral("a/LOCKED.psm"));
    Touch(QStringLiteral("a/LOCKED.dra"));
    Touch(QStringLiteral("locked/HIDDEN.psm"));
    Touch(QStringLiteral("listonly/LISTONLY.psm"));
    Touch(QStringLiteral("b/LAST.psm"));
    // Only the names are needed: a file nobody may read is still a footprint.
    ASSERT_EQ(::chmod(Bytes(QStringLiteral("a/LOCKED.psm")).constData(), 0), 0);
    ASSERT_EQ(::chmod(Bytes(QStringLiteral("a/LOCKED.dra")).constData(), 0), 0);
    // A folder that may be passed but not listed, one that may be listed
    // but not passed (its files cannot be opened), and one that may be neither.
    ASSERT_EQ(::chmod(Bytes(QStringLiteral("locked")).constData(), 0311), 0);
    ASSERT_EQ(::chmod(Bytes(QStringLiteral("listonly")).constData(), 0644), 0);
    QDir().mkpath(Path(QStringLiteral("sealed/inner")));
    Touch(QStringLiteral("sealed/inner/SEALED.psm"));
    ASSERT_EQ(::chmod(Bytes(QStringLiteral("sealed")).constData(), 0), 0);
    const QString strProject =
        Project({QStringLiteral("locked"), QStringLiteral("a"), QStringLiteral("listonly"),
                 QStringLiteral("sealed/inner"), QStringLiteral("b")});

    QStringList listed;
    QStringList skipped;
    int nViewedHidden = -1;
    int nViewedLocked = -1;
    int nOpenedLocked = -1;
    QStringList messages;
    QStringList opened;
    const auto search = [&]
    {
        CFootprint footprint(ProjectSearchPath);
        footprint.CreateFootprintList(strProject, ".psm", PROP_JEDEC_TYPE, SEARCH_LISTING);
        footprint.CreateFootprintList(strProject, ".dra", PROP_JEDEC_TYPE, SEARCH_LISTING);
        listed = Names(footprint);
        for (const CSkippedFolder& folder : footprint.Report().skipped)
            skipped.append(QFileInfo(folder.strFolder).fileName() + u": " + folder.Reason());
        CFootprint viewing(ProjectSearchPath);
        nViewedHidden =
            viewing.CreateFootprintList(strProject, "HIDDEN.psm", PROP_JEDEC_TYPE, SEARCH_VIEWING);
        nViewedLocked =
            viewing.CreateFootprintList(strProject, "locked.dra", PROP_JEDEC_TYPE, SEARCH_VIEWING);

        testsupport::CFakeServices services;
        services.fnOpenDrawing = [&opened](const QString& strPath)
        {
            opened.append(strPath);
            return 1;
        };
        testsupport::MessageRecorder recorder(services);
        const CFootprintViewer viewer(services);
        viewer.ViewFootprintDrawing({QStringLiteral("LOCKED")}, strProject, PROP_JEDEC_TYPE);
        viewer.ViewFootprintDrawing({QStringLiteral("HIDDEN")}, strProject, PROP_JEDEC_TYPE);
        // What the Location chooser and a double-click call for the row they open.
        nOpenedLocked = OpenFootprintLocation(Path(QStringLiteral("a/LOCKED.dra")), services);
        messages = recorder.texts;
    };
    if (::geteuid() == 0)
    {
        // Root reads every folder: search as another user would.
        const reliability::OtherUser nobody = reliability::Nobody();
        if (!nobody.bFound)
            GTEST_SKIP() << "no unprivileged account to search as";
        ASSERT_EQ(::chmod(QFile::encodeName(m_strRoot).constData(), 0755), 0);
        for (const char* pszFolder : {"a", "b"})
            ASSERT_EQ(::chmod(Bytes(QString::fromLatin1(pszFolder)).constData(), 0755), 0);
        ::chmod(Bytes(QStringLiteral("proj.ini")).constData(), 0644);
        reliability::ActAs as(nobody);
        ASSERT_TRUE(as.Ok());
        search();
    }
    else
        search();
    for (const char* pszFolder : {"locked", "listonly", "sealed"})
        ::chmod(Bytes(QString::fromLatin1(pszFolder)).constData(), 0700);

    EXPECT_EQ(listed, (QStringList{QStringLiteral("LOCKED|a"), QStringLiteral("OPEN|a"),
                                   QStringLiteral("LAST|b")}));
    const QStringList reasons{
        "locked: cannot be read (Permission denied)",
        "listonly: cannot be searched, its files cannot be opened (Permission denied)",
        "inner: cannot be reached (Permission denied)"};
    EXPECT_EQ(skipped, reasons);
    EXPECT_EQ(nViewedHidden, 0);
    EXPECT_EQ(nViewedLocked, 1);
    EXPECT_TRUE(opened.isEmpty());
    EXPECT_EQ(nOpenedLocked, 0);
    // Each folder comes with its psmpath line.
    const QString strSkipped =
        QStringLiteral("\n\nSearch folders skipped:\n%4:1: %1: cannot be read (Permission denied)\n"
                       "%4:3: %2: cannot be searched, its files cannot be opened (Permission "
                       "denied)\n%4:4: %3: cannot be reached (Permission denied)")
            .arg(Path("locked"), Path("listonly"), Path("sealed/inner"), strProject);
    EXPECT_EQ(messages,
              (QStringList{
                  "The footprint drawing \"" + Path("a/LOCKED.dra") +
                      "\" can't be opened: Permission denied.",
                  "Footprint can't be viewed as corresponding .dra file not found in the PSMPATH" +
                      strSkipped,
                  "The footprint drawing \"" + Path("a/LOCKED.dra") +
                      "\" can't be opened: Permission denied."}));
}

TEST_F(SearchFaults, aFolderOfAHundredThousandFilesIsListedWhole)
{
    // Files are made in memory where the system offers it: a disk makes this slow.
    QTemporaryDir memory(QStringLiteral("/dev/shm/physprops-XXXXXX"));
    QTemporaryDir& dir = memory.isValid() ? memory : m_dir;
    const QByteArray folder = QFile::encodeName(dir.path() + QStringLiteral("/big"));
    ASSERT_EQ(::mkdir(folder.constData(), 0700), 0);
    const int nFolder = ::open(folder.constData(), O_DIRECTORY | O_RDONLY | O_CLOEXEC);
    ASSERT_GE(nFolder, 0);
    constexpr int kNames = 50000; // each with a footprint and a drawing
    char szName[32];
    for (int i = 0; i < kNames; ++i)
        for (const char* pszExt : {"psm", "dra"})
        {
            std::snprintf(szName, sizeof szName, "FP%05d.%s", i, pszExt);
            ASSERT_EQ(::mknodat(nFolder, szName, S_IFREG | 0600, 0), 0) << szName;
        }

    QFile project(dir.filePath(QStringLiteral("proj.ini")));
    ASSERT_TRUE(project.open(QIODevice::WriteOnly));
    project.write("psmpath = " + folder + '\n');
    project.close();

    CFootprint footprint(ProjectSearchPath);
    EXPECT_EQ(
        footprint.CreateFootprintList(project.fileName(), ".psm", PROP_JEDEC_TYPE, SEARCH_LISTING),
        kNames);
    EXPECT_EQ(
        footprint.CreateFootprintList(project.fileName(), ".dra", PROP_JEDEC_TYPE, SEARCH_LISTING),
        0);
    QList<CFootprintEntry*> list;
    footprint.GetFootprintList(list);
    ASSERT_EQ(list.size(), kNames);
    for (const int i : {0, 1, 12345, kNames - 1})
    {
        std::snprintf(szName, sizeof szName, "FP%05d", i);
        EXPECT_EQ(list[i]->GetName(), QString::fromLatin1(szName));
        EXPECT_EQ(list[i]->GetLocation(),
                  QFile::decodeName(folder) + u'/' + QString::fromLatin1(szName) + u".dra");
    }
    CFootprint viewing(ProjectSearchPath);
    EXPECT_EQ(viewing.CreateFootprintList(project.fileName(), "fp49999.DRA", PROP_JEDEC_TYPE,
                                          SEARCH_VIEWING),
              1);

    for (int i = 0; i < kNames; ++i)
        for (const char* pszExt : {"psm", "dra"})
        {
            std::snprintf(szName, sizeof szName, "FP%05d.%s", i, pszExt);
            ::unlinkat(nFolder, szName, 0);
        }
    ::close(nFolder);
}
