// SPDX-License-Identifier: MIT
#include "FileCallProbe.h"
#include "FootprintFixtures.h"
#include "MockToolManager.h"
#include "TestSupport.h"
#include "WaitUntil.h"

#include "footprints/BackEndDlg1.h"
#include "grid/Grids.h"
#include "physprops/PhysPropsDlg.h"
#include "project/ProjectFile.h"
#include "project/SpiProject.h"
#include "properties/Property.h"
#include "viewing/LocationDlg.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProgressDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

using physprops::ui::CFootprintSelectDlg;
using testsupport::CFileCallProbe;
using testsupport::FindButton;

namespace
{
// A project whose library holds SOIC8 in two folders and SOIC14 in one: the
// share whose mount stalls.
struct Share
{
    Share()
    {
        for (const char* pszFile : {"lib/a/SOIC8.dra", "lib/b/SOIC8.dra", "lib/a/SOIC14.dra"})
        {
            QDir().mkpath(QFileInfo(dir.filePath(QString::fromLatin1(pszFile))).path());
            QFile(dir.filePath(QString::fromLatin1(pszFile))).open(QIODevice::WriteOnly);
        }
        QFile file(strProject);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("[Global]\npsmpath = lib/a\npsmpath = lib/b\n");
        file.close();
        EXPECT_TRUE(LoadProjectFile(strProject, project).bOk);
        services.fnToolManager = [this] { return &tools; };
        services.fnOpenDrawing = [this](const QString& strPath)
        {
            done.append(strPath);
            return 1;
        };
        ON_CALL(tools, RunTool).WillByDefault([this](unsigned) { done.append("RunTool"); });
        for (const char* pszFolder : {"a", "b"})
            chooserRows.Add(QStringLiteral("SOIC8"),
                            dir.filePath(QStringLiteral("lib/%1/SOIC8.dra").arg(pszFolder)));
        oneFootprint.Add(QStringLiteral("SOIC14"),
                         dir.filePath(QStringLiteral("lib/a/SOIC14.dra")));
    }
    ~Share() { qDeleteAll(values); }

    // The Physical Properties dialog on a JEDEC_TYPE row, its button pressed.
    void Press(const char* pszButton, const char* pszValue)
    {
        values = {new CProperty(QStringLiteral("JEDEC_TYPE"), QString::fromLatin1(pszValue)),
                  nullptr};
        CPhysPropsDlg dlg(&values, &project, services);
        ASSERT_TRUE(dlg.InitDialog());
        dlg.Grid()->SetCurrentCell(1, 1);
        dlg.findChild<QPushButton*>(QString::fromLatin1(pszButton))->click();
    }
    // The Footprints dialog for JEDEC_TYPE, one of its buttons pressed.
    void PressInFootprints(const char* pszButton)
    {
        CBackEndDlg1 dlg(&oneFootprint.list, strProject, services);
        ASSERT_TRUE(dlg.InitDialog());
        dlg.show();
        FindButton(&dlg, QString::fromLatin1(pszButton))->click();
    }
    // The Location chooser over both SOIC8 drawings: OK, or a double-click, on row 1.
    void ChooseLocation(bool bDoubleClick)
    {
        CLocationDlg dlg(&chooserRows.list, services);
        ASSERT_TRUE(dlg.InitDialog());
        dlg.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
        if (!bDoubleClick)
            return FindButton(&dlg, QStringLiteral("OK"))->click();
        CLocGrid* pGrid = dlg.Grid();
        QTest::mouseDClick(pGrid->viewport(), Qt::LeftButton, Qt::NoModifier,
                           pGrid->visualRect(pGrid->model()->index(0, 0)).center());
    }

    QTemporaryDir dir;
    QString strProject = dir.filePath(QStringLiteral("proj.ini"));
    CSpiProject project;
    CPropertyArray values;
    testsupport::CFakeServices services;
    testing::NiceMock<MockToolManager> tools;
    QStringList done; // drawings opened, tools run, Footprints dialogs shown
    FootprintList chooserRows, oneFootprint;
};

QProgressDialog* VisibleProgress()
{
    for (QWidget* pWidget : QApplication::allWidgets())
        if (pWidget->objectName() == u"searchProgress" && pWidget->isVisible())
            return qobject_cast<QProgressDialog*>(pWidget);
    return nullptr;
}

// What the dialog's thread does meanwhile: leaves a Footprints dialog that
// Browse opened, and cancels the progress of a wait when asked to. The stall is
// lifted only after the action has returned, but a wait that never shows
// its progress gets it lifted after a generous bound: a failure, not a hang.
struct Watcher
{
    Watcher(CFileCallProbe& probe, QStringList& done, bool bCancel)
    {
        timer.setInterval(5);
        QObject::connect(
            &timer, &QTimer::timeout,
            [this, &probe, &done, bCancel]
            {
                if (auto* pSelect =
                        qobject_cast<CFootprintSelectDlg*>(QApplication::activeModalWidget()))
                {
                    done.append(pSelect->windowTitle());
                    FindButton(pSelect, QStringLiteral("Cancel"))->click();
                }
                if (QProgressDialog* pProgress = VisibleProgress(); pProgress && bCancel)
                {
                    nStalledAtCancel = probe.Stalled();
                    FindButton(pProgress, QStringLiteral("Cancel"))->click();
                }
                if (deadline.hasExpired())
                    probe.Release();
            });
        timer.start();
    }
    QTimer timer;
    QDeadlineTimer deadline{30000};
    int nStalledAtCancel = -1; // -1: no progress was shown
};

// Nothing on the dialog's thread touches the project file or the library on
// the way of Browse, View, the Footprints dialog's buttons and the Location
// chooser: with the share stalled, each shows its progress, the dialog keeps
// answering, and Cancel returns while the share still hangs.
TEST(StalledShare, theDialogsThreadTouchesNoFileOfTheShareAndCancelReturnsWhileItHangs)
{
    const struct
    {
        const char* pszWhat;
        std::function<void(Share&)> act;
        const char* pszStallUnder; // the part of the share that hangs
        bool bReadsShare;          // false: the action never waits for the share
        const char* pszDone;       // what the action does when it goes through
    } cases[] = {
        {"Browse", [](Share& s) { s.Press("btnBrowse", "SOIC8"); }, "proj.ini", true, "Footprints"},
        {"View", [](Share& s) { s.Press("btnView", "SOIC14"); }, "proj.ini", true,
         "lib/a/SOIC14.dra"},
        {"View Footprint", [](Share& s) { s.PressInFootprints("View Footprint"); }, "proj.ini",
         true, "lib/a/SOIC14.dra"},
        {"New Footprint", [](Share& s) { s.PressInFootprints("New Footprint"); }, "", false,
         "RunTool"},
        {"Location OK", [](Share& s) { s.ChooseLocation(false); }, "lib", true, "lib/a/SOIC8.dra"},
        {"Location double-click", [](Share& s) { s.ChooseLocation(true); }, "lib", true,
         "lib/a/SOIC8.dra"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.pszWhat);
        for (const bool bStalled : {false, true})
        {
            SCOPED_TRACE(bStalled ? "stalled" : "answering");
            Share share;
            testsupport::MessageRecorder messages(share.services);
            CFileCallProbe probe;
            const QString strShare = share.dir.path() + u'/';
            if (bStalled)
                probe.StallUnder(strShare + QString::fromLatin1(c.pszStallUnder));
            Watcher watcher(probe, share.done, bStalled);
            c.act(share);
            watcher.timer.stop();
            const int nStalledAfter = probe.Stalled();
            probe.Release();
            EXPECT_EQ(probe.OnOwnThread().filter(strShare), QStringList());
            // The work was done, on another thread.
            EXPECT_EQ(probe.CountUnder(pellium::EFileCall::kStat, strShare) > 0, c.bReadsShare);
            EXPECT_TRUE(messages.texts.isEmpty()) << messages.texts.join(u'\n').toStdString();
            if (!bStalled || !c.bReadsShare)
            {
                EXPECT_EQ(watcher.nStalledAtCancel, -1);
                EXPECT_EQ(share.done.replaceInStrings(strShare, QString()),
                          QStringList{QString::fromLatin1(c.pszDone)});
                continue;
            }
            EXPECT_GE(watcher.nStalledAtCancel, 1);
            EXPECT_GE(nStalledAfter, 1) << "Cancel waited for the stalled call";
            EXPECT_EQ(share.done, QStringList());
            // The call left behind ends on its own once the share answers.
            EXPECT_TRUE(testsupport::WaitUntil([&] { return probe.Stalled() == 0; }, 30000));
        }
    }
}
} // namespace
