// SPDX-License-Identifier: MIT
#include "TestSupport.h"
#include "grid/Grids.h"
#include "pellium/Footprint.h"
#include "pellium/FootprintCachePrivate.h"
#include "physprops/PhysPropsDlg.h"
#include "project/ProjectFile.h"
#include "project/SearchPath.h"
#include "project/SpiProject.h"
#include "viewing/LocationDlg.h"
#include "viewing/ViewFootprint.h"

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <chrono>
#include <thread>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <ostream>

using physprops::ui::CFootprintViewer;
using physprops::ui::CServices;

using physprops::core::ProjectSearchPath;

void PrintTo(const QString& str, std::ostream* pOut)
{
    *pOut << '"' << str.toStdString() << '"';
}

using testsupport::ClickCell;
using testsupport::FindButton;
using testsupport::FlattenModel;
using testsupport::WhenModal;

namespace
{
// A library in two folders; every drawing the flow opens is recorded instead
// of reaching the PCB editor.
class ViewingTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_strRoot = m_dir.path();
        for (const char* pszFile :
             {"a/SOIC8.dra", "b/SOIC8.dra", "a/SOIC14.dra", "b/DIP8.dra", "a/ONLYPSM.psm"})
            Touch(QString::fromLatin1(pszFile));
        QFile project(Path("proj.ini"));
        ASSERT_TRUE(project.open(QIODevice::WriteOnly));
        project.write("[Global]\npsmpath = a\npsmpath = b\n");
        project.close();
        m_strProject = Path("proj.ini");
        m_bHadPsmPath = qEnvironmentVariableIsSet("PSMPATH");
        m_oldPsmPath = qgetenv("PSMPATH");
        qunsetenv("PSMPATH");
        m_services.fnOpenDrawing = [this](const QString& strPath)
        {
            m_opened.append(Short(strPath));
            return 1;
        };
    }
    void TearDown() override
    {
        if (m_bHadPsmPath)
            qputenv("PSMPATH", m_oldPsmPath);
        else
            qunsetenv("PSMPATH");
    }

    QString Path(const QString& strRelative) const { return m_strRoot + u'/' + strRelative; }
    QString Short(QString strPath) const { return strPath.replace(m_strRoot, QStringLiteral("~")); }
    void Touch(const QString& strRelative)
    {
        QDir().mkpath(QFileInfo(Path(strRelative)).path());
        QFile file(Path(strRelative));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }

    // Runs the flow; a chooser that opens is read and cancelled.
    QString View(const QStringList& names, const QString& strProject)
    {
        return WithChooserCancelled(
            [&] {
                CFootprintViewer(m_services)
                    .ViewFootprintDrawing(names, strProject, PROP_ALT_SYMBOLS);
            });
    }

    // Runs fn; returns the rows of a chooser it opened (cancelling it), or "".
    QString WithChooserCancelled(const std::function<void()>& fn)
    {
        QString strChooser;
        QTimer watcher;
        watcher.setInterval(10);
        QObject::connect(
            &watcher, &QTimer::timeout,
            [&]
            {
                auto* pChooser = qobject_cast<CLocationDlg*>(QApplication::activeModalWidget());
                if (!pChooser || !pChooser->isVisible())
                    return;
                strChooser = Short(FlattenModel(pChooser->Grid()));
                // To look at it: PHYSPROPS_SHOTS=folder.
                if (const QString strShots = qEnvironmentVariable("PHYSPROPS_SHOTS");
                    !strShots.isEmpty())
                    pChooser->grab().save(
                        strShots +
                        QStringLiteral("/location-%1.png")
                            .arg(pChooser->Grid()->model()->index(0, 0).data().toString()));
                FindButton(pChooser, QStringLiteral("Cancel"))->click();
            });
        watcher.start();
        fn();
        return strChooser;
    }

    QTemporaryDir m_dir;
    QString m_strRoot;
    testsupport::CFakeServices m_services;
    QString m_strProject;
    QStringList m_opened;
    bool m_bHadPsmPath = false;
    QByteArray m_oldPsmPath;
};

// Clicks a chooser row so it becomes the remembered one, then double-clicks it.
void DoubleClickRow(CLocGrid* pGrid, int nRow)
{
    ClickCell(pGrid, nRow, 1);
    const QModelIndex idx = pGrid->model()->index(nRow - 1, 0);
    QTest::mouseDClick(pGrid->viewport(), Qt::LeftButton, Qt::NoModifier,
                       pGrid->visualRect(idx).center());
}

TEST_F(ViewingTest, decidesOnTheNumberOfPooledHits)
{
    const QString strNotFound = QStringLiteral(
        "Footprint can't be viewed as corresponding .dra file not found in the PSMPATH");
    struct Case
    {
        QStringList names;
        QStringList opened;
        QString strChooser;
        bool bMessage;
    };
    const Case cases[] = {
        {{"SOIC14"}, {"~/a/SOIC14.dra"}, {}, false},
        {{"soic14"}, {"~/a/SOIC14.dra"}, {}, false},
        {{"SOIC14", "MISSING"}, {"~/a/SOIC14.dra"}, {}, false},
        {{"MISSING"}, {}, {}, true},
        {{"MISSING", "GONE"}, {}, {}, true},
        {{"ONLYPSM"}, {}, {}, true},
        {{""}, {}, {}, true},
        {{"SOIC8"}, {}, "SOIC8|~/a/SOIC8.dra;SOIC8|~/b/SOIC8.dra", false},
        {{"SOIC14", "DIP8"}, {}, "SOIC14|~/a/SOIC14.dra;DIP8|~/b/DIP8.dra", false},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.names.join(u',').toStdString());
        m_opened.clear();
        testsupport::MessageRecorder messages(m_services);
        EXPECT_EQ(View(c.names, m_strProject), c.strChooser);
        EXPECT_EQ(m_opened, c.opened);
        EXPECT_EQ(messages.texts, c.bMessage ? QStringList{strNotFound} : QStringList{});
    }
}

// A search path without a folder is told after the not-found message, with
// where the path comes from and what to set.
TEST_F(ViewingTest, anEmptySearchPathSaysWhereItComesFrom)
{
    const QString strNotFound = QStringLiteral(
        "Footprint can't be viewed as corresponding .dra file not found in the PSMPATH\n\n");
    const struct
    {
        const char* pszProject; // null: no project file
        const char* pszMessage;
    } cases[] = {
        {"[Global]\nsession_name = x\n", "The footprint search path is empty: the project file "
                                         "\"~/proj.ini\" has no psmpath line, and the "
                                         "environment variable PSMPATH names no folder. Add "
                                         "psmpath lines to the project file, or set "
                                         "PSMPATH to the footprint folders."},
        {nullptr,
         "The footprint search path is empty: there is no project file, and the environment "
         "variable "
         "PSMPATH names no folder. Set PSMPATH to the footprint folders, separated by ':'."},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.pszProject ? c.pszProject : "no project");
        QString strProject;
        if (c.pszProject)
        {
            QFile project(m_strProject);
            ASSERT_TRUE(project.open(QIODevice::WriteOnly));
            project.write(c.pszProject);
            strProject = m_strProject;
        }
        testsupport::MessageRecorder messages(m_services);
        EXPECT_EQ(View({"SOIC8"}, strProject), QString());
        QStringList texts;
        for (const QString& strText : messages.texts)
            texts.append(Short(strText));
        EXPECT_EQ(texts, QStringList{strNotFound + QString::fromUtf8(c.pszMessage)});
    }
}

// Folders that could not be searched are named after the not-found message;
// when something was found, the flow goes on without a word.
TEST_F(ViewingTest, notFoundMessageNamesTheSkippedFolders)
{
    QFile project(m_strProject);
    ASSERT_TRUE(project.open(QIODevice::WriteOnly));
    project.write("[Global]\npsmpath = a\npsmpath = gone\npsmpath = b\npsmpath = a/SOIC14.dra\n");
    project.close();
    const QString strNotFound = QStringLiteral(
        "Footprint can't be viewed as corresponding .dra file not found in the PSMPATH");
    struct Case
    {
        QStringList names;
        QStringList opened;
        QStringList messages;
    };
    const Case cases[] = {
        {{"MISSING"},
         {},
         {strNotFound + "\n\nSearch folders skipped:\n~/proj.ini:3: ~/gone: does not exist\n"
                        "~/proj.ini:5: ~/a/SOIC14.dra: is not a folder"}},
        {{"SOIC14", "MISSING"}, {"~/a/SOIC14.dra"}, {}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.names.join(u',').toStdString());
        m_opened.clear();
        testsupport::MessageRecorder messages(m_services);
        EXPECT_EQ(View(c.names, m_strProject), QString());
        EXPECT_EQ(m_opened, c.opened);
        QStringList texts;
        for (const QString& strText : messages.texts)
            texts.append(Short(strText));
        EXPECT_EQ(texts, c.messages);
    }
}

// After a Browse listing, View looks in the remembered listings of the
// folders that have not changed and reads the others again; what it finds
// is what reading every folder finds.
TEST_F(ViewingTest, usesTheRememberedListingsOfUnchangedFolders)
{
    using namespace std::chrono_literals;
    CFolderListings::Tuning tuning;
    tuning.quiet = 20ms;
    const CFolderListings::Tuning old = CFolderListings::SetTuning(tuning);
    Touch("a/Twice.dra");
    Touch("a/TWICE.dra");
    std::this_thread::sleep_for(30ms);
    CFootprint browse(ProjectSearchPath);
    browse.CreateFootprintList(m_strProject, ".dra", PROP_JEDEC_TYPE, SEARCH_LISTING);
    struct Case
    {
        const char* pszTouch; // made just before the View
        QStringList names;
        QStringList opened;
        quint64 nRead; // folders read from the disk
        const char* pszChooser = "";
    };
    const Case cases[] = {
        {nullptr, {"SOIC14"}, {"~/a/SOIC14.dra"}, 0},
        {nullptr, {"soic14"}, {"~/a/SOIC14.dra"}, 0},
        // Spelt twice in a: both files are offered, the exact spelling first;
        // only reading the folder tells them apart.
        {nullptr, {"Twice"}, {}, 1, "Twice|~/a/Twice.dra;TWICE|~/a/TWICE.dra"},
        {nullptr, {"twice"}, {}, 1, "TWICE|~/a/TWICE.dra;Twice|~/a/Twice.dra"},
        {nullptr, {"NEW"}, {}, 0},
        {"b/NEW.dra", {"NEW"}, {"~/b/NEW.dra"}, 1},
        {nullptr, {"ONLYPSM"}, {}, 1},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.names.join(u',').toStdString());
        if (c.pszTouch)
            Touch(QString::fromLatin1(c.pszTouch));
        m_opened.clear();
        testsupport::MessageRecorder messages(m_services);
        const quint64 nBefore = CFolderListings::GetStats().nRead;
        EXPECT_EQ(View(c.names, m_strProject), QString::fromUtf8(c.pszChooser));
        EXPECT_EQ(m_opened, c.opened);
        EXPECT_EQ(messages.texts.size(), c.opened.isEmpty() && !*c.pszChooser ? 1 : 0);
        EXPECT_EQ(CFolderListings::GetStats().nRead - nBefore, c.nRead);
    }
    CFolderListings::SetTuning(old);
}

TEST_F(ViewingTest, chooserOpensOnOkAndDoubleClickAndStaysOpenUntilCancel)
{
    bool bStillOpen = false;
    WhenModal(
        [&](QWidget* pModal)
        {
            auto* pGrid = pModal->findChild<CLocGrid*>();
            ASSERT_NE(pGrid, nullptr);
            QAbstractButton* pOK = FindButton(pModal, QStringLiteral("OK"));
            pOK->click(); // row 1 is the remembered row from the start
            ClickCell(pGrid, 2, 2);
            pOK->click();
            DoubleClickRow(pGrid, 1);
            // The header row opens nothing.
            QTest::mouseDClick(pGrid->horizontalHeader()->viewport(), Qt::LeftButton,
                               Qt::NoModifier, QPoint(pGrid->columnViewportPosition(1) + 5, 5));
            bStillOpen = pModal->isVisible();
            FindButton(pModal, QStringLiteral("Cancel"))->click();
        });
    CFootprintViewer(m_services)
        .ViewFootprintDrawing({QStringLiteral("SOIC8")}, m_strProject, PROP_JEDEC_TYPE);
    EXPECT_TRUE(bStillOpen);
    EXPECT_EQ(m_opened, QStringList({"~/a/SOIC8.dra", "~/b/SOIC8.dra", "~/a/SOIC8.dra"}));
}

TEST_F(ViewingTest, chooserShowsTheFormAndOpensOnlyExistingLocations)
{
    CFootprintEntry notFound(QStringLiteral("NF"), {}, QString::fromLatin1(kNotFoundLocation));
    CFootprintEntry missing(QStringLiteral("GONE"), {}, Path("a/GONE.dra"));
    CFootprintEntry real(QStringLiteral("SOIC14"), {}, Path("a/SOIC14.dra"));
    const QList<CFootprintEntry*> list{&notFound, nullptr, &missing, &real};
    CLocationDlg dlg(&list, m_services);
    ASSERT_TRUE(dlg.InitDialog());
    dlg.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));

    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Location"));
    EXPECT_EQ(dlg.findChild<QLabel*>()->text(), QStringLiteral("Select the footprint location :"));
    auto* pOK = dlg.findChild<QPushButton*>(QStringLiteral("btnOK"));
    auto* pCancel = dlg.findChild<QPushButton*>(QStringLiteral("btnCancel"));
    EXPECT_EQ(pOK->text(), QStringLiteral("&OK"));
    EXPECT_TRUE(pOK->isDefault());
    EXPECT_EQ(pCancel->text(), QStringLiteral("&Cancel"));

    CLocGrid* pGrid = dlg.Grid();
    ASSERT_TRUE(pGrid->isVisible());
    EXPECT_EQ(pGrid->GetValueRowCol(0, 1), QStringLiteral("Footprint"));
    EXPECT_EQ(pGrid->GetValueRowCol(0, 2), QStringLiteral("Location"));
    EXPECT_FALSE(pGrid->verticalHeader()->isVisible());
    EXPECT_EQ(pGrid->columnWidth(0), 80);
    EXPECT_GE(pGrid->columnWidth(1), 210); // the last column takes the spare width
    EXPECT_EQ(pGrid->horizontalHeader()->minimumSectionSize(), 50);
    EXPECT_FALSE(pGrid->IsRangeSelectionEnabled());
    EXPECT_EQ(Short(FlattenModel(pGrid)), "NF|Not Found;|;GONE|~/a/GONE.dra;SOIC14|~/a/SOIC14.dra");
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 2; ++c)
            EXPECT_FALSE(pGrid->model()->flags(pGrid->model()->index(r, c)) & Qt::ItemIsEditable);
    EXPECT_EQ(pGrid->currentIndex(), pGrid->model()->index(0, 0));
    EXPECT_EQ(pGrid->m_nSelRow, 1u);
    // A location cut in the middle to fit shows whole as its tooltip.
    QStringList tips;
    for (int r = 0; r < 4; ++r)
    {
        tips.append(Short(pGrid->model()->index(r, 1).data(Qt::ToolTipRole).toString()));
        EXPECT_TRUE(pGrid->model()->index(r, 0).data(Qt::ToolTipRole).isNull());
    }
    EXPECT_EQ(tips, QStringList({"Not Found", "", "~/a/GONE.dra", "~/a/SOIC14.dra"}));

    // OK on each row: only the existing file opens, and the chooser stays.
    for (int r = 1; r <= 4; ++r)
    {
        ClickCell(pGrid, r, 1);
        pOK->click();
    }
    EXPECT_EQ(m_opened, QStringList{"~/a/SOIC14.dra"});
    for (int r = 1; r <= 4; ++r)
        DoubleClickRow(pGrid, r);
    EXPECT_EQ(m_opened, QStringList({"~/a/SOIC14.dra", "~/a/SOIC14.dra"}));
    EXPECT_TRUE(dlg.isVisible());

    // A double-click reaches only the remembered row, and the header never opens.
    pGrid->SetSelRow(1);
    EXPECT_TRUE(pGrid->OnLButtonDblClkRowCol(4, 1, Qt::NoModifier, {}));
    EXPECT_TRUE(pGrid->OnLButtonDblClkRowCol(0, 1, Qt::NoModifier, {}));
    EXPECT_EQ(m_opened.size(), 2);

    pCancel->click();
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(dlg.result(), QDialog::Rejected);
}

// View of the physical properties dialog, over the same library.
class ViewButtonTest : public ViewingTest
{
protected:
    ~ViewButtonTest() override { qDeleteAll(m_values); }

    CPhysPropsDlg& Open(const QString& strName, const QString& strValue, bool bProject = true)
    {
        m_values.append(new CProperty(QStringLiteral("DESCRIPTION"), QStringLiteral("x")));
        m_values.append(new CProperty(strName, strValue));
        if (bProject)
        {
            m_pProject = std::make_unique<CSpiProject>();
            EXPECT_TRUE(LoadProjectFile(m_strProject, *m_pProject).bOk);
        }
        m_pDlg = std::make_unique<CPhysPropsDlg>(&m_values, m_pProject.get(), m_services);
        EXPECT_TRUE(m_pDlg->InitDialog());
        m_pDlg->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(m_pDlg.get()));
        ClickCell(m_pDlg->Grid(), 2, 1);
        return *m_pDlg;
    }

    QString PressView()
    {
        return WithChooserCancelled([&]
                                    { FindButton(m_pDlg.get(), QStringLiteral("View"))->click(); });
    }

    CPropertyArray m_values;
    std::unique_ptr<CSpiProject> m_pProject;
    std::unique_ptr<CPhysPropsDlg> m_pDlg;
};

TEST_F(ViewButtonTest, viewsWhatTheSelectedRowNames)
{
    const QString strSyntax =
        QStringLiteral("ERROR : Incorrect syntax of ALT_SYMBOLS.\n"
                       "Correct syntax is : (Subclass:Symbol ,... ; Subclass:Symbol ,...)");
    const QString strNotFound = QStringLiteral(
        "Footprint can't be viewed as corresponding .dra file not found in the PSMPATH");
    struct Case
    {
        const char* pszName;
        const char* pszValue;
        QStringList opened;
        QString strChooser;
        QStringList messages;
    };
    const Case cases[] = {
        {"JEDEC_TYPE", "  SOIC14 \t", {"~/a/SOIC14.dra"}, {}, {}},
        {"jedec_type", "SOIC14", {"~/a/SOIC14.dra"}, {}, {}},
        {"JEDEC_TYPE", "   ", {}, {}, {}},
        {"JEDEC_TYPE", "SOIC8", {}, "SOIC8|~/a/SOIC8.dra;SOIC8|~/b/SOIC8.dra", {}},
        {"JEDEC_TYPE", "(Top:SOIC14)", {}, {}, {strNotFound}},
        {"ALT_SYMBOLS", " (Top:SOIC14;DIP8) ", {}, "SOIC14|~/a/SOIC14.dra;DIP8|~/b/DIP8.dra", {}},
        {"alt_symbols", "(Top:SOIC14;Bottom:MISSING)", {"~/a/SOIC14.dra"}, {}, {}},
        {"ALT_SYMBOLS", "(MISSING,GONE)", {}, {}, {strNotFound}},
        {"ALT_SYMBOLS", "Top:SOIC14", {}, {}, {strSyntax}},
        {"ALT_SYMBOLS", "()", {}, {}, {}},
        {"DESCRIPTION2", "SOIC14", {}, {}, {}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(std::string(c.pszName) + " = " + c.pszValue);
        m_opened.clear();
        qDeleteAll(m_values);
        m_values.clear();
        Open(QString::fromLatin1(c.pszName), QString::fromLatin1(c.pszValue));
        testsupport::MessageRecorder messages(m_services);
        EXPECT_EQ(PressView(), c.strChooser);
        EXPECT_EQ(m_opened, c.opened);
        EXPECT_EQ(messages.texts, c.messages);
        // View changes nothing in the grid, and the user is back in the dialog.
        EXPECT_EQ(m_pDlg->Grid()->GetValueRowCol(2, 2), QString::fromLatin1(c.pszValue));
        EXPECT_TRUE(
            QTest::qWaitFor([&] { return QApplication::activeWindow() == m_pDlg.get(); }, 15000));
    }
}

// The project file breaks while the dialog is open: View says so and opens
// nothing, although PSMPATH names a folder that holds the footprint.
TEST_F(ViewButtonTest, aProjectBrokenSinceOpeningIsAnErrorNotAnotherLibrary)
{
    qputenv("PSMPATH", Path("a").toUtf8());
    for (const auto& [pszName, pszValue] :
         {std::pair{"JEDEC_TYPE", "SOIC14"}, std::pair{"ALT_SYMBOLS", "(SOIC14,SOIC8)"}})
    {
        SCOPED_TRACE(pszName);
        m_opened.clear();
        qDeleteAll(m_values);
        m_values.clear();
        Open(QString::fromLatin1(pszName), QString::fromLatin1(pszValue));
        QFile project(m_strProject);
        ASSERT_TRUE(project.open(QIODevice::WriteOnly));
        project.write(QByteArray("\0x", 2));
        project.close();
        testsupport::MessageRecorder messages(m_services);
        EXPECT_EQ(PressView(), QString());
        EXPECT_TRUE(m_opened.isEmpty());
        ASSERT_EQ(messages.texts.size(), 1);
        EXPECT_TRUE(messages.texts[0].startsWith(
            "The footprint search path can't be read from the project file:\n" + m_strProject +
            ":1: "))
            << messages.texts[0].toStdString();
        ASSERT_TRUE(project.open(QIODevice::WriteOnly));
        project.write("[Global]\npsmpath = a\npsmpath = b\n");
        project.close();
    }
}

TEST_F(ViewButtonTest, withoutAProjectSearchesThePsmPathVariable)
{
    qputenv("PSMPATH", Path("a").toUtf8());
    Open(QStringLiteral("JEDEC_TYPE"), QStringLiteral("SOIC8"), false);
    EXPECT_EQ(PressView(), QString());
    EXPECT_EQ(m_opened, QStringList{"~/a/SOIC8.dra"});
}

TEST_F(ViewButtonTest, seesAnEditStillOpenInTheValueCell)
{
    CPhysPropsDlg& dlg = Open(QStringLiteral("JEDEC_TYPE"), QStringLiteral("MISSING"));
    CPhysPropsGrid* pGrid = dlg.Grid();
    ClickCell(pGrid, 2, 2);
    pGrid->edit(pGrid->model()->index(1, 1));
    auto* pEditor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    ASSERT_NE(pEditor, nullptr);
    pEditor->selectAll();
    QTest::keyClicks(pEditor, QStringLiteral("SOIC14"));
    dlg.findChild<QPushButton*>(QStringLiteral("btnView"))->click();
    EXPECT_EQ(m_opened, QStringList{"~/a/SOIC14.dra"});
}
} // namespace
