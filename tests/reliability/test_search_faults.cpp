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
#include <functional>
#include <optional>
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

    void TearDown() override
    {
        RestoreFolder();
        // Left as they were made, so that the folder can be removed.
        for (const QByteArray& path : std::as_const(m_locked))
            ::chmod(path.constData(), 0700);
    }

    QString Path(const QString& strRelative) const { return m_strRoot + u'/' + strRelative; }
    QByteArray Bytes(const QString& strRelative) const
    {
        return QFile::encodeName(Path(strRelative));
    }
    // A file, and the folders it lies in, that any user may read.
    void Touch(const QString& strRelative)
    {
        QDir().mkpath(QFileInfo(Path(strRelative)).path());
        for (qsizetype n = strRelative.indexOf(u'/'); n > 0; n = strRelative.indexOf(u'/', n + 1))
            ::chmod(Bytes(strRelative.left(n)).constData(), 0755);
        QFile file(Path(strRelative));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly)) << strRelative.toStdString();
        file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                            QFileDevice::ReadGroup | QFileDevice::ReadOther);
    }
    // Gives a file or folder a mode that keeps the searching user out.
    void Lock(const QString& strRelative, mode_t nMode)
    {
        EXPECT_EQ(::chmod(Bytes(strRelative).constData(), nMode), 0) << strRelative.toStdString();
        m_locked.append(Bytes(strRelative));
    }
    QString Project(const QStringList& folders)
    {
        QFile file(Path(QStringLiteral("proj.ini")));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                            QFileDevice::ReadGroup | QFileDevice::ReadOther);
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

    // Back to the folder the test started in, PSMPATH unset.
    void RestoreFolder()
    {
        qunsetenv("PSMPATH");
        if (!m_savedFolder.isEmpty())
        {
            EXPECT_EQ(::chdir(m_savedFolder.constData()), 0);
        }
        m_savedFolder.clear();
    }

public:
    // The scenarios a table names; each returns the project file (or
    // nothing, and PSMPATH set).

    // Relative folders of PSMPATH name places inside a folder that is gone.
    QString CurrentFolderGone()
    {
        Touch(QStringLiteral("keep/K.psm"));
        QDir().mkpath(Path(QStringLiteral("gone/lib")));
        m_savedFolder = QFile::encodeName(QDir::currentPath());
        EXPECT_EQ(::chdir(Bytes(QStringLiteral("gone")).constData()), 0);
        EXPECT_EQ(::rmdir(Bytes(QStringLiteral("gone/lib")).constData()), 0);
        EXPECT_EQ(::rmdir(Bytes(QStringLiteral("gone")).constData()), 0);
        qputenv("PSMPATH", "lib:.:" + Bytes(QStringLiteral("keep")));
        return QString();
    }
    QString LinksThatLoopOrLeadNowhere()
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
            EXPECT_EQ(::symlink(l.pszTarget, Bytes(QString::fromLatin1(l.pszLink)).constData()), 0)
                << l.pszLink;
        return Project({QStringLiteral("lib")});
    }

    // Only the names are needed: a file nobody may read is still a
    // footprint. A folder that may be passed but not listed, one that may be
    // listed but not passed (its files cannot be opened), and one that may
    // be neither are skipped.
    QString UnreadableFilesAndFolders()
    {
        for (const char* pszFile :
             {"a/OPEN.psm", "a/LOCKED.psm", "a/LOCKED.dra", "locked/HIDDEN.psm",
              "listonly/LISTONLY.psm", "b/LAST.psm", "sealed/inner/SEALED.psm"})
            Touch(QString::fromLatin1(pszFile));
        Lock(QStringLiteral("a/LOCKED.psm"), 0);
        Lock(QStringLiteral("a/LOCKED.dra"), 0);
        Lock(QStringLiteral("locked"), 0311);
        Lock(QStringLiteral("listonly"), 0644);
        Lock(QStringLiteral("sealed"), 0);
        return Project({QStringLiteral("locked"), QStringLiteral("a"), QStringLiteral("listonly"),
                        QStringLiteral("sealed/inner"), QStringLiteral("b")});
    }

protected:
    // Runs fn as a user the folders' modes apply to: root reads every
    // folder, so it searches as another user would. False when there is none.
    bool AsSearchingUser(const std::function<void()>& fn)
    {
        if (::geteuid() != 0)
        {
            fn();
            return true;
        }
        const reliability::OtherUser nobody = reliability::Nobody();
        if (!nobody.bFound)
            return false;
        EXPECT_EQ(::chmod(QFile::encodeName(m_dir.path()).constData(), 0755), 0);
        EXPECT_EQ(::chmod(QFile::encodeName(m_strRoot).constData(), 0755), 0);
        reliability::ActAs as(nobody);
        EXPECT_TRUE(as.Ok());
        fn();
        return true;
    }

    QTemporaryDir m_dir;
    QString m_strRoot;
    QByteArray m_savedFolder;
    QList<QByteArray> m_locked;
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

// Whatever on the path cannot be used is skipped, named with its reason
// where it is a folder, and everything else is found.
TEST_F(SearchFaults, whatCannotBeUsedIsSkippedAndTheRestIsFound)
{
    const struct
    {
        const char* pszWhat;
        QString (SearchFaults::*setUp)();
        bool bOtherUser; // searched as a user the modes keep out
        QStringList listed;
        int nPsmListed;
        std::optional<QStringList> skipped; // "folder: reason"; not looked at when empty
        QList<QPair<QString, int>> viewed;  // a drawing viewed, the places found
    } cases[] = {
        {"a folder gone from under the current folder",
         &SearchFaults::CurrentFolderGone,
         false,
         {"K|keep"},
         1,
         std::nullopt,
         {}},
        {"links that loop or lead nowhere",
         &SearchFaults::LinksThatLoopOrLeadNowhere,
         false,
         {"LINKED|lib", "REAL|lib"},
         1,
         std::nullopt,
         {{"SELF.psm", 0}, {"PING.dra", 0}, {"DANGLING.psm", 0}, {"FOLDER.psm", 0}, {"UP.dra", 0}}},
        {"unreadable files and folders",
         &SearchFaults::UnreadableFilesAndFolders,
         true,
         {"LOCKED|a", "OPEN|a", "LAST|b"},
         3,
         QStringList{"locked: cannot be read (Permission denied)",
                     "listonly: cannot be searched, its files cannot be opened (Permission denied)",
                     "inner: cannot be reached (Permission denied)"},
         {{"HIDDEN.psm", 0}, {"locked.dra", 1}}},
    };
    int nCase = 0;
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.pszWhat);
        m_strRoot = m_dir.path() + QStringLiteral("/%1").arg(++nCase);
        ASSERT_TRUE(QDir().mkpath(m_strRoot));
        const QString strProject = (this->*c.setUp)();
        QStringList listed;
        int nPsmListed = -1;
        QStringList skipped;
        QList<QPair<QString, int>> viewed;
        const auto search = [&]
        {
            CFootprint footprint(ProjectSearchPath);
            nPsmListed =
                footprint.CreateFootprintList(strProject, ".psm", PROP_JEDEC_TYPE, SEARCH_LISTING);
            footprint.CreateFootprintList(strProject, ".dra", PROP_JEDEC_TYPE, SEARCH_LISTING);
            listed = Names(footprint);
            for (const CSkippedFolder& folder : footprint.Report().skipped)
                skipped.append(QFileInfo(folder.strFolder).fileName() + u": " + folder.Reason());
            for (const auto& [strFile, nPlaces] : c.viewed)
            {
                CFootprint viewing(ProjectSearchPath);
                viewed.append({strFile, viewing.CreateFootprintList(
                                            strProject, strFile, PROP_JEDEC_TYPE, SEARCH_VIEWING)});
            }
        };
        if (!c.bOtherUser)
            search();
        else if (!AsSearchingUser(search))
            GTEST_SKIP() << "no unprivileged account to search as";
        RestoreFolder();
        EXPECT_EQ(listed, c.listed);
        EXPECT_EQ(nPsmListed, c.nPsmListed);
        if (c.skipped)
        {
            EXPECT_EQ(skipped, *c.skipped);
        }
        EXPECT_EQ(viewed, c.viewed);
    }
}

// A listed drawing that cannot be read is said to be so at View, and a
// drawing found nowhere names the folders skipped, each with its psmpath line.
TEST_F(SearchFaults, viewTellsWhyADrawingCannotBeOpened)
{
    const QString strProject = UnreadableFilesAndFolders();
    const QString strLocked = Path(QStringLiteral("a/LOCKED.dra"));
    const QString strCannotOpen =
        "The footprint drawing \"" + strLocked + "\" can't be opened: Permission denied.";
    const QString strSkipped =
        QStringLiteral("\n\nSearch folders skipped:\n%4:1: %1: cannot be read (Permission denied)\n"
                       "%4:3: %2: cannot be searched, its files cannot be opened (Permission "
                       "denied)\n%4:4: %3: cannot be reached (Permission denied)")
            .arg(Path("locked"), Path("listonly"), Path("sealed/inner"), strProject);
    const struct
    {
        const char* pszWhat;
        QString strFootprint; // viewed with View; empty: strLocation opened from the chooser
        QString strLocation;
        QString strMessage;
    } cases[] = {
        {"a drawing nobody may read", "LOCKED", "", strCannotOpen},
        {"a drawing only in a folder that cannot be read", "HIDDEN", "",
         "Footprint can't be viewed as corresponding .dra file not found in the PSMPATH" +
             strSkipped},
        // What the Location chooser and a double-click call for the row they open.
        {"a Location row nobody may read", "", strLocked, strCannotOpen},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.pszWhat);
        QStringList opened;
        QStringList messages;
        int nOpened = -1;
        const auto view = [&]
        {
            testsupport::CFakeServices services;
            services.fnOpenDrawing = [&opened](const QString& strPath)
            {
                opened.append(strPath);
                return 1;
            };
            testsupport::MessageRecorder recorder(services);
            const CFootprintViewer viewer(services);
            if (c.strFootprint.isEmpty())
                nOpened = OpenFootprintLocation(c.strLocation, services);
            else
                viewer.ViewFootprintDrawing({c.strFootprint}, strProject, PROP_JEDEC_TYPE);
            messages = recorder.texts;
        };
        if (!AsSearchingUser(view))
            GTEST_SKIP() << "no unprivileged account to search as";
        EXPECT_EQ(messages, QStringList{c.strMessage});
        EXPECT_TRUE(opened.isEmpty());
        if (c.strFootprint.isEmpty())
        {
            EXPECT_EQ(nOpened, 0);
        }
    }
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
