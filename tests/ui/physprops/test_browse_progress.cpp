// SPDX-License-Identifier: MIT
#include "TestSupport.h"

#include "footprints/FootprintIndex.h"
#include "footprints/FootprintSelectDlg.h"
#include "grid/Grids.h"
#include "pellium/FootprintCachePrivate.h"
#include "physprops/PhysPropsDlg.h"
#include "project/ProjectFile.h"
#include "project/SearchPath.h"
#include "project/SpiProject.h"
#include "properties/Property.h"
#include "search/SearchJob.h"
#include "search/SearchWorker.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProgressDialog>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <functional>
#include <memory>
#include <mutex>
#include <new>
#include <thread>

using physprops::ui::CFootprintSearchJob;
using physprops::ui::CFootprintSearchWorker;
using physprops::ui::CFootprintSelectDlg;
using physprops::ui::CServices;

using namespace std::chrono_literals;

namespace
{
// Twenty footprint folders on PSMPATH, each listed slowly: storage that
// answers late, as a busy network share does.
class SlowLibrary
{
public:
    explicit SlowLibrary(std::chrono::milliseconds delay, bool bThreadsFail = false)
    {
        QStringList folders;
        for (int i = 0; i < 20; ++i)
        {
            const QString strFolder = m_dir.filePath(QString::number(i));
            QDir().mkpath(strFolder);
            QFile file(strFolder + QStringLiteral("/F%1.dra").arg(i));
            EXPECT_TRUE(file.open(QIODevice::WriteOnly));
            folders.append(strFolder);
        }
        qputenv("PSMPATH", QFile::encodeName(folders.join(u':')));
        CFolderListings::Tuning tuning = m_old;
        tuning.folderDelay = delay;
        tuning.bThreadsFail = bThreadsFail;
        m_old = CFolderListings::SetTuning(tuning);
    }
    QString SearchPath() const { return QString::fromLocal8Bit(qgetenv("PSMPATH")); }
    ~SlowLibrary()
    {
        CFolderListings::SetTuning(m_old);
        qunsetenv("PSMPATH");
    }

private:
    QTemporaryDir m_dir;
    CFolderListings::Tuning m_old;
};

// Answers the footprint selection with OK once it is up, noting how many
// footprints it offered; false while it is not up.
bool AcceptSelection(int* pRows = nullptr)
{
    auto* pSelect = qobject_cast<CFootprintSelectDlg*>(QApplication::activeModalWidget());
    if (!pSelect)
        return false;
    if (pRows)
        *pRows = pSelect->Grid()->model()->rowCount();
    testsupport::FindButton(pSelect, QStringLiteral("OK"))->click();
    return true;
}

TEST(BrowseProgress, slowListingShowsProgressAfterAWhileAndCancelLeavesTheDialogAsItWas)
{
    struct Case
    {
        std::chrono::milliseconds delay;
        bool bCancel;
        const char* pszAfter; // the value after Browse
    };
    // Twenty folders are read on two threads; the first case's listing
    // outlasts any wait for the third label.
    const Case cases[] = {{500ms, true, "SOIC8"}, {50ms, false, "F0"}};
    for (const Case& c : cases)
    {
        SlowLibrary library(c.delay);
        CPropertyArray values{new CProperty(QStringLiteral("JEDEC_TYPE"), QStringLiteral("SOIC8")),
                              nullptr};
        testsupport::CFakeServices services;
        testsupport::MessageRecorder messages(services);
        CPhysPropsDlg dlg(&values, nullptr, services);
        ASSERT_TRUE(dlg.InitDialog());
        dlg.Grid()->SetCurrentCell(1, 1);

        bool bCancelled = false;
        QStringList labels;
        QTimer watcher;
        watcher.setInterval(5);
        QObject::connect(
            &watcher, &QTimer::timeout,
            [&]
            {
                if (AcceptSelection())
                    return;
                auto* pProgress = dlg.findChild<QProgressDialog*>();
                if (!pProgress || !pProgress->isVisible() || bCancelled)
                    return;
                if (labels.isEmpty() || labels.last() != pProgress->labelText())
                    labels.append(pProgress->labelText());
                if (c.bCancel && labels.size() >= 3)
                {
                    bCancelled = true;
                    testsupport::FindButton(pProgress, QStringLiteral("Cancel"))->click();
                }
            });
        watcher.start();
        dlg.findChild<QPushButton*>(QStringLiteral("btnBrowse"))->click();
        watcher.stop();

        ASSERT_GE(labels.size(), 2) << c.delay.count();
        // The count shows once known; no label claims there are no folders.
        for (const QString& strLabel : labels)
            EXPECT_TRUE(strLabel.startsWith(u"Reading footprint folders: ") &&
                        strLabel.contains(u" of 20\n"))
                << strLabel.toStdString();
        EXPECT_TRUE(labels.last().contains(u" of 20\nFootprints found: "))
            << labels.last().toStdString();
        EXPECT_EQ(bCancelled, c.bCancel);
        EXPECT_EQ(dlg.Grid()->GetValueRowCol(1, 2), QString::fromLatin1(c.pszAfter));
        EXPECT_TRUE(messages.texts.isEmpty());
        EXPECT_EQ(dlg.findChild<QProgressDialog*>(), nullptr);
        qDeleteAll(values);
    }
    // A cancelled listing's threads end after the folders under way.
    std::this_thread::sleep_for(400ms);
}

TEST(SearchProgress, saysWhatIsTrueBeforeAndAfterTheFoldersAreCounted)
{
    using What = CFootprintSearchJob::What;
    const struct
    {
        CListingProgress progress;
        What what;
        const char* pszText;
    } cases[] = {
        {{0, 0, 0}, What::Footprints, "Reading the footprint folders\u2026"},
        {{0, 0, 0}, What::Drawings, "Reading the footprint folders\u2026"},
        {{0, 20, 0}, What::Footprints, "Reading footprint folders: 0 of 20\nFootprints found: 0"},
        {{3, 20, 7}, What::Drawings, "Reading footprint folders: 3 of 20\nDrawings found: 7"},
        {{0, 0, 0}, What::Drawing, "Opening the footprint drawing\u2026"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CFootprintSearchJob::ProgressText(c.progress, c.what),
                  QString::fromUtf8(c.pszText));
}

// Every folder's listing waits at a gate until the test opens it: a folder
// that hangs in the kernel, as a dead network share does. The gate's state
// is shared, so a search left behind never reaches freed memory.
class HangingFolders
{
public:
    HangingFolders()
    {
        CFolderListings::Tuning tuning = m_old;
        tuning.onFolder = [pGate = m_pGate](const QString&)
        {
            std::unique_lock lock(pGate->mutex);
            ++pGate->nEntered;
            pGate->changed.notify_all();
            pGate->changed.wait(lock, [&] { return pGate->bOpen; });
            ++pGate->nLeft;
            pGate->changed.notify_all();
        };
        m_old = CFolderListings::SetTuning(tuning);
    }
    ~HangingFolders()
    {
        Open();
        // Bounded: a search that never leaves turns into a failure, not a hang.
        std::unique_lock lock(m_pGate->mutex);
        EXPECT_TRUE(m_pGate->changed.wait_for(lock, 30s,
                                              [&] { return m_pGate->nLeft == m_pGate->nEntered; }));
        lock.unlock();
        CFolderListings::SetTuning(m_old);
    }
    void Open()
    {
        std::lock_guard lock(m_pGate->mutex);
        m_pGate->bOpen = true;
        m_pGate->changed.notify_all();
    }
    // Searches held at the gate now.
    int Held() const
    {
        std::lock_guard lock(m_pGate->mutex);
        return m_pGate->nEntered - m_pGate->nLeft;
    }

private:
    struct Gate
    {
        mutable std::mutex mutex;
        std::condition_variable changed;
        int nEntered = 0, nLeft = 0;
        bool bOpen = false;
    };
    std::shared_ptr<Gate> m_pGate = std::make_shared<Gate>();
    CFolderListings::Tuning m_old = CFolderListings::SetTuning({});
};

// A worker tells its progress only while something listens, and whoever
// connects late hears at once how far the search has come, even when the
// search is stuck in a folder and reports nothing more.
TEST(SearchProgress, aLateListenerHearsTheProgressMadeBeforeItConnected)
{
    SlowLibrary library(0ms);
    HangingFolders hanging;
    CFootprintSearchWorker worker;
    worker.Start(
        [](CFootprint& search)
        {
            search.CreateFootprintList(physprops::core::ProjectSearchPath(QString()),
                                       QStringLiteral(".psm"), PROP_JEDEC_TYPE, SEARCH_LISTING);
        });
    ASSERT_TRUE(QTest::qWaitFor([&] { return hanging.Held() >= 1; }, 30000));
    QList<CListingProgress> heard;
    QObject::connect(&worker, &CFootprintSearchWorker::progressed,
                     [&heard](const CListingProgress& progress) { heard.append(progress); });
    ASSERT_TRUE(QTest::qWaitFor([&] { return !heard.isEmpty(); }, 30000));
    EXPECT_EQ(heard.first().nFolders, 20);
    EXPECT_EQ(heard.first().nFoldersDone, 0);
    worker.Cancel();
}

QProgressDialog* VisibleSearchProgress()
{
    for (QWidget* pWidget : QApplication::allWidgets())
        if (pWidget->objectName() == u"searchProgress" && pWidget->isVisible())
            return qobject_cast<QProgressDialog*>(pWidget);
    return nullptr;
}

// Browse and View on a folder that hangs show progress with Cancel; Cancel
// returns to the dialog at once, leaving the stuck search behind (nothing
// waits for it), and changes nothing.
TEST(SearchProgress, cancelOnAHangingFolderReturnsAtOnceAndLeavesTheSearchBehind)
{
    const struct
    {
        const char* pszButton;
        const char* pszTitle;
    } cases[] = {{"btnBrowse", "Browse"}, {"btnView", "View"}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.pszButton);
        SlowLibrary library(0ms);
        HangingFolders hanging;
        CPropertyArray values{new CProperty(QStringLiteral("JEDEC_TYPE"), QStringLiteral("F0")),
                              nullptr};
        testsupport::CFakeServices services;
        QStringList opened;
        services.fnOpenDrawing = [&opened](const QString& strPath)
        {
            opened.append(strPath);
            return 1;
        };
        testsupport::MessageRecorder messages(services);
        CPhysPropsDlg dlg(&values, nullptr, services);
        ASSERT_TRUE(dlg.InitDialog());
        dlg.Grid()->SetCurrentCell(1, 1);

        QString strTitle, strLabel;
        int nHeldAtCancel = 0;
        QTimer watcher;
        watcher.setInterval(5);
        QObject::connect(&watcher, &QTimer::timeout,
                         [&]
                         {
                             QProgressDialog* pProgress = VisibleSearchProgress();
                             if (!pProgress || !strTitle.isEmpty())
                                 return;
                             strTitle = pProgress->windowTitle();
                             strLabel = pProgress->labelText();
                             nHeldAtCancel = hanging.Held();
                             testsupport::FindButton(pProgress, QStringLiteral("Cancel"))->click();
                         });
        watcher.start();
        dlg.findChild<QPushButton*>(QString::fromLatin1(c.pszButton))->click();
        watcher.stop();
        // Back in the dialog while the search is still stuck in its folder
        // (a listing of twenty folders reads on two threads).
        EXPECT_GE(hanging.Held(), 1);
        EXPECT_GE(nHeldAtCancel, 1);
        EXPECT_EQ(strTitle, QString::fromLatin1(c.pszTitle));
        EXPECT_TRUE(strLabel.startsWith(u"Reading footprint folders: 0 of 20\n"))
            << strLabel.toStdString();
        EXPECT_EQ(VisibleSearchProgress(), nullptr);
        EXPECT_EQ(dlg.Grid()->GetValueRowCol(1, 2), u"F0");
        EXPECT_TRUE(messages.texts.isEmpty());
        EXPECT_TRUE(opened.isEmpty());
        qDeleteAll(values);
    }
}
// Memory runs out while the search reads its folders, on the search thread
// and on its helper, or on the dialog's thread when no thread could be had,
// or while Browse lists what it found: the user is told, the dialog stays as
// it was, and the process goes on.
TEST(SearchProgress, memoryRunningOutInTheSearchIsToldAndTheDialogStaysAsItWas)
{
    using physprops::core::CFootprintIndex;
    const struct
    {
        const char* pszButton;
        bool bThreadsFail;
        bool bInTheList; // runs out as the footprints found are listed, not as they are read
    } cases[] = {{"btnBrowse", false, false},
                 {"btnView", false, false},
                 {"btnBrowse", true, false},
                 {"btnBrowse", false, true}};
    for (const auto& [pszButton, bThreadsFail, bInTheList] : cases)
    {
        SCOPED_TRACE(std::string(pszButton) + (bThreadsFail ? " without threads" : "") +
                     (bInTheList ? " in the list" : ""));
        SlowLibrary library(0ms, bThreadsFail);
        CFolderListings::Tuning tuning = CFolderListings::SetTuning({});
        const CFolderListings::Tuning old = tuning;
        if (!bInTheList)
            tuning.onFolder = [](const QString&) { throw std::bad_alloc(); };
        CFolderListings::SetTuning(tuning);
        const CFootprintIndex::NamesHook oldNames = CFootprintIndex::SetNamesHook(
            bInTheList ? [] { throw std::bad_alloc(); } : CFootprintIndex::NamesHook{});
        CPropertyArray values{new CProperty(QStringLiteral("JEDEC_TYPE"), QStringLiteral("F0")),
                              nullptr};
        testsupport::CFakeServices services;
        QStringList opened;
        services.fnOpenDrawing = [&opened](const QString& strPath)
        {
            opened.append(strPath);
            return 1;
        };
        testsupport::MessageRecorder messages(services);
        CPhysPropsDlg dlg(&values, nullptr, services);
        ASSERT_TRUE(dlg.InitDialog());
        dlg.Grid()->SetCurrentCell(1, 1);
        dlg.findChild<QPushButton*>(QString::fromLatin1(pszButton))->click();
        CFolderListings::SetTuning(old);
        CFootprintIndex::SetNamesHook(oldNames);
        EXPECT_EQ(messages.texts, QStringList{"not enough memory to list the footprints"});
        EXPECT_TRUE(opened.isEmpty());
        EXPECT_EQ(dlg.Grid()->GetValueRowCol(1, 2), u"F0");
        qDeleteAll(values);
    }
}
} // namespace

// With no thread to be had (a process limit) Browse lists on the dialog's
// own thread: every footprint is found and the choice reaches the grid.
TEST(BrowseProgress, withNoThreadToBeHadBrowseListsEveryFootprintItself)
{
    SlowLibrary library(0ms, true);
    CPropertyArray values{new CProperty(QStringLiteral("JEDEC_TYPE"), QStringLiteral("SOIC8")),
                          nullptr};
    testsupport::CFakeServices services;
    testsupport::MessageRecorder messages(services);
    CPhysPropsDlg dlg(&values, nullptr, services);
    ASSERT_TRUE(dlg.InitDialog());
    dlg.Grid()->SetCurrentCell(1, 1);
    int nRows = -1;
    QTimer watcher;
    watcher.setInterval(5);
    QObject::connect(&watcher, &QTimer::timeout, [&nRows] { AcceptSelection(&nRows); });
    watcher.start();
    dlg.findChild<QPushButton*>(QStringLiteral("btnBrowse"))->click();
    watcher.stop();
    EXPECT_EQ(nRows, 20);
    EXPECT_EQ(dlg.Grid()->GetValueRowCol(1, 2), QStringLiteral("F0"));
    EXPECT_TRUE(messages.texts.isEmpty()) << messages.texts.join(u'\n').toStdString();
    qDeleteAll(values);
}

// The project file changes while Browse lists its folders: Browse finishes
// on the search path it read when it began, whatever became of the file.
TEST(BrowseProgress, aProjectFileChangedDuringBrowseLeavesTheListingToWhatWasRead)
{
    QTemporaryDir dir;
    const QString strProject = dir.filePath(QStringLiteral("p.ini"));
    const auto write = [](const QString& strPath, const QByteArray& text)
    {
        QFile file(strPath);
        return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
    };
    const QString strOther = dir.filePath(QStringLiteral("other.ini"));
    const struct
    {
        const char* pszWhat;
        std::function<bool()> fnChange;
    } cases[] = {
        {"replaced by another project",
         [&]
         {
             return write(strOther, "[Global]\npsmpath = /nowhere\n") &&
                    ::rename(qPrintable(strOther), qPrintable(strProject)) == 0;
         }},
        {"removed", [&] { return QFile::remove(strProject); }},
        {"rewritten in place as binary data",
         [&] { return write(strProject, QByteArray("\0\xff", 2)); }},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.pszWhat);
        SlowLibrary library(150ms);
        QByteArray text = "[Global]\n";
        for (const QString& strFolder : library.SearchPath().split(u':'))
            text += "psmpath = " + strFolder.toLocal8Bit() + "\n";
        ASSERT_TRUE(write(strProject, text));
        qunsetenv("PSMPATH"); // the project's path only
        CSpiProject project;
        ASSERT_TRUE(LoadProjectFile(strProject, project).bOk);
        CPropertyArray values{new CProperty(QStringLiteral("JEDEC_TYPE"), QStringLiteral("SOIC8")),
                              nullptr};
        testsupport::CFakeServices services;
        testsupport::MessageRecorder messages(services);
        CPhysPropsDlg dlg(&values, &project, services);
        ASSERT_TRUE(dlg.InitDialog());
        dlg.Grid()->SetCurrentCell(1, 1);
        bool bChanged = false;
        int nRows = -1;
        QTimer watcher;
        watcher.setInterval(5);
        QObject::connect(&watcher, &QTimer::timeout,
                         [&]
                         {
                             if (AcceptSelection(&nRows))
                                 return;
                             if (auto* pProgress = dlg.findChild<QProgressDialog*>();
                                 pProgress && !bChanged)
                             {
                                 bChanged = true;
                                 EXPECT_TRUE(c.fnChange());
                             }
                         });
        watcher.start();
        dlg.findChild<QPushButton*>(QStringLiteral("btnBrowse"))->click();
        watcher.stop();
        EXPECT_TRUE(bChanged);
        EXPECT_EQ(nRows, 20);
        EXPECT_EQ(dlg.Grid()->GetValueRowCol(1, 2), QStringLiteral("F0"));
        EXPECT_TRUE(messages.texts.isEmpty()) << messages.texts.join(u'\n').toStdString();
        qDeleteAll(values);
    }
}
