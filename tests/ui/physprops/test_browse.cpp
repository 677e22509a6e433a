// SPDX-License-Identifier: MIT
#include "TestSupport.h"

#include "footprints/BackEndDlg1.h"
#include "footprints/BackEndDlg2.h"
#include "grid/Grids.h"
#include "physprops/PhysPropsDlg.h"
#include "project/ProjectFile.h"
#include "project/SearchPath.h"
#include "project/SpiProject.h"
#include "properties/Property.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QToolTip>

#include <cstdio>

#include <gtest/gtest.h>

using physprops::ui::CFootprintSelectDlg;
using physprops::ui::CServices;

namespace
{
// The part's properties, owned here as the host owns them.
struct Part
{
    Part()
    {
        for (const auto& [pszName, pszValue] :
             {std::pair{"JEDEC_TYPE", "SOIC8"}, std::pair{"ALT_SYMBOLS", "(Top:SOIC8)"},
              std::pair{"DESCRIPTION", "8 pins"}})
            values.append(new CProperty(QString::fromUtf8(pszName), QString::fromUtf8(pszValue)));
        values.append(nullptr);
    }
    ~Part() { qDeleteAll(values); }
    CPropertyArray values;
};

// A footprint folder on PSMPATH, the search path used without a project.
class FootprintTree
{
public:
    explicit FootprintTree(std::initializer_list<const char*> files)
        : m_strOldPath(qEnvironmentVariable("PSMPATH")),
          m_bHadPath(qEnvironmentVariableIsSet("PSMPATH"))
    {
        for (const char* pszFile : files)
        {
            QFile file(QDir(m_dir.path()).filePath(QString::fromUtf8(pszFile)));
            EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        }
        qputenv("PSMPATH", QFile::encodeName(m_dir.path()));
    }
    ~FootprintTree()
    {
        if (m_bHadPath)
            qputenv("PSMPATH", m_strOldPath.toLocal8Bit());
        else
            qunsetenv("PSMPATH");
    }

private:
    QTemporaryDir m_dir;
    QString m_strOldPath;
    bool m_bHadPath;
};

// The dialog with its values, row nRow remembered.
struct Props
{
    explicit Props(quint32 nRow) : dlg(&part.values, nullptr, services)
    {
        EXPECT_TRUE(dlg.InitDialog());
        dlg.Grid()->SetCurrentCell(nRow, 1);
    }
    QString Value(quint32 nRow) const { return dlg.Grid()->GetValueRowCol(nRow, 2); }
    void Browse() { dlg.findChild<QPushButton*>(QStringLiteral("btnBrowse"))->click(); }
    Part part;
    testsupport::CFakeServices services;
    CPhysPropsDlg dlg;
};

TEST(Browse, withoutFootprintsSaysSoNamesTheSkippedFoldersAndOpensNoDialog)
{
    FootprintTree tree{"README.txt"};
    const QString strTree = qEnvironmentVariable("PSMPATH");
    const QString strNone = QStringLiteral("No .psm files found for the footprints");
    const std::pair<QString, QString> cases[] = {
        {strTree, strNone},
        {strTree + u':' + strTree + QStringLiteral("/gone:") + strTree +
             QStringLiteral("/README.txt"),
         strNone + QStringLiteral("\n\nSearch folders skipped:\n%1/gone: does not exist\n"
                                  "%1/README.txt: is not a folder")
                       .arg(strTree)},
        // Nothing to search at all: where the path comes from, and what to set.
        {QString(),
         strNone +
             QStringLiteral("\n\nThe footprint search path is empty: there is no project file, and "
                            "the environment variable PSMPATH names no folder. Set PSMPATH to the "
                            "footprint folders, separated by ':'.")},
    };
    for (const auto& [strPath, strMessage] : cases)
    {
        qputenv("PSMPATH", QFile::encodeName(strPath));
        Props props(1);
        testsupport::MessageRecorder messages(props.services);
        props.Browse();
        EXPECT_EQ(messages.texts, QStringList{strMessage});
        EXPECT_EQ(props.Value(1), u"SOIC8");
    }
}

// The project file breaks while the dialog is open: Browse says so instead
// of listing the footprints of PSMPATH.
TEST(Browse, aProjectBrokenSinceOpeningIsAnErrorNotAnotherLibrary)
{
    FootprintTree tree{"DIP8.psm"};
    QTemporaryDir dir;
    const QString strProject = dir.filePath(QStringLiteral("p.ini"));
    QFile file(strProject);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("psmpath = " + qgetenv("PSMPATH") + "\n");
    file.close();
    CSpiProject project;
    ASSERT_TRUE(LoadProjectFile(strProject, project).bOk);
    Part part;
    testsupport::CFakeServices services;
    CPhysPropsDlg dlg(&part.values, &project, services);
    ASSERT_TRUE(dlg.InitDialog());
    dlg.Grid()->SetCurrentCell(1, 1);

    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray("\0x", 2));
    file.close();
    testsupport::MessageRecorder messages(services);
    bool bDialog = false;
    QTimer watcher;
    watcher.setInterval(10);
    QObject::connect(&watcher, &QTimer::timeout,
                     [&]
                     {
                         if (auto* pDialog =
                                 qobject_cast<QDialog*>(QApplication::activeModalWidget()))
                         {
                             bDialog = true;
                             pDialog->reject();
                         }
                     });
    watcher.start();
    dlg.findChild<QPushButton*>(QStringLiteral("btnBrowse"))->click();
    EXPECT_FALSE(bDialog);
    ASSERT_EQ(messages.texts.size(), 1);
    EXPECT_TRUE(messages.texts[0].startsWith(
        "The footprint search path can't be read from the project file:\n" + strProject + ":1: "))
        << messages.texts[0].toStdString();
    EXPECT_EQ(dlg.Grid()->GetValueRowCol(1, 2), u"SOIC8");
}

// Saves a widget's picture when PHYSPROPS_SHOTS names a folder, to look at.
void Shot(QWidget* pWidget, const char* pszName)
{
    if (const QString strShots = qEnvironmentVariable("PHYSPROPS_SHOTS"); !strShots.isEmpty())
        pWidget->grab().save(strShots + u'/' + QString::fromUtf8(pszName) + QStringLiteral(".png"));
}

// Some footprints found, some folders skipped and a name left out: the list
// opens with a line under it that says so, and its details name each.
TEST(Browse, whatWasSkippedIsToldUnderTheListOfWhatWasFound)
{
    FootprintTree tree{"SOIC8.psm", "SOIC8.dra", "UPPER.psm",
                       "upper.psm", "UPPER.dra", "upper.dra"};
    const QString strTree = qEnvironmentVariable("PSMPATH");
    {
        // A name that is not valid UTF-8 cannot be listed as it is.
        const QByteArray bad = QFile::encodeName(strTree) + "/b\xe9"
                                                            "d.psm";
        QFile file;
        ASSERT_TRUE(
            file.open(::fopen(bad.constData(), "w"), QIODevice::WriteOnly, QFile::AutoCloseHandle));
    }
    // Twelve folders gone: the tooltip names ten, Details every one.
    QString strGone = strTree;
    QStringList gone;
    for (int i = 1; i <= 12; ++i)
    {
        gone.append(QStringLiteral("/nonexistent/f%1: does not exist").arg(i));
        strGone += QStringLiteral(":/nonexistent/f%1").arg(i);
    }
    const QString strUtf8Note = QStringLiteral(
        "\n\nFiles left out because their names are not valid UTF-8 (rename them to use them):\n"
        "%1: 1");
    const struct
    {
        QString strPath;
        const char* pszNote; // null: no line
        QString strDetails;
        QString strAll = {}; // what Details shows, when not strDetails
    } cases[] = {
        {strTree,
         "Not every footprint could be listed; files left out, their names are not valid UTF-8: 1.",
         QStringLiteral(
             "Files left out because their names are not valid UTF-8 (rename them to use them):\n"
             "%1: 1")
             .arg(strTree)},
        {strTree + QStringLiteral(":/nonexistent/footprints"),
         "Not every footprint could be listed; search folders skipped: 1; files left out, their "
         "names are not "
         "valid UTF-8: 1.",
         QStringLiteral(
             "Search folders skipped:\n/nonexistent/footprints: does not exist\n\n"
             "Files left out because their names are not valid UTF-8 (rename them to use them):\n"
             "%1: 1")
             .arg(strTree)},
        {strGone,
         "Not every footprint could be listed; search folders skipped: 12; files left out, their "
         "names are not valid UTF-8: 1.",
         QStringLiteral("Search folders skipped:\n") + gone.mid(0, 10).join(u'\n') +
             QStringLiteral("\nand 2 more") + strUtf8Note.arg(strTree),
         QStringLiteral("Search folders skipped:\n") + gone.join(u'\n') + strUtf8Note.arg(strTree)},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.strPath.toStdString());
        qputenv("PSMPATH", QFile::encodeName(c.strPath));
        Props props(1);
        testsupport::MessageRecorder messages(props.services);
        QString strNames, strNote, strTip, strUpperTip;
        bool bDetails = false;
        testsupport::WhenModal(
            [&](QWidget* pDialog)
            {
                auto* pSelect = qobject_cast<CFootprintSelectDlg*>(pDialog);
                ASSERT_NE(pSelect, nullptr);
                strNames = testsupport::FlattenModel(pSelect->Grid(), true);
                if (auto* pNote = pDialog->findChild<QLabel*>(QStringLiteral("lblSearchNote"));
                    pNote && pNote->isVisible())
                {
                    strNote = pNote->text();
                    strTip = pNote->toolTip();
                }
                QAbstractButton* pDetails =
                    testsupport::FindButton(pDialog, QStringLiteral("Details..."));
                bDetails = pDetails != nullptr;
                if (pDetails)
                    pDetails->click();
                const QModelIndex upper = pSelect->Grid()->model()->index(1, 0);
                strUpperTip = upper.data(Qt::ToolTipRole).toString();
                pSelect->Grid()->setCurrentIndex(upper);
                Shot(pDialog, "browse-skipped-note");
                QToolTip::showText(
                    pSelect->Grid()->mapToGlobal(pSelect->Grid()->visualRect(upper).center()),
                    strUpperTip, pSelect->Grid());
                for (QWidget* pTop : QApplication::topLevelWidgets())
                    if (pTop->inherits("QTipLabel") && pTop->isVisible())
                        Shot(pTop, "browse-shared-name-tooltip");
                testsupport::FindButton(pDialog, QStringLiteral("Cancel"))->click();
            });
        props.Browse();
        EXPECT_EQ(messages.texts, QStringList{c.strAll.isEmpty() ? c.strDetails : c.strAll});
        EXPECT_EQ(strNames, u"SOIC8;UPPER");
        EXPECT_EQ(strNote, QString::fromUtf8(c.pszNote));
        EXPECT_EQ(strTip, c.strDetails);
        EXPECT_TRUE(bDetails);
        // The footprint that two spellings share names both of each kind.
        EXPECT_EQ(strUpperTip,
                  QStringLiteral("UPPER\nFiles that answer this name, letter case apart: 4\n"
                                 "%1/UPPER.psm\n%1/upper.psm\n%1/UPPER.dra\n%1/upper.dra")
                      .arg(strTree));
    }
}

TEST(Browse, onARowWithoutAPropertyDoesNothing)
{
    Props props(4);
    testsupport::MessageRecorder messages(props.services);
    props.Browse();
    EXPECT_TRUE(messages.texts.isEmpty());
}

TEST(Browse, opensTheDialogThePropertyNeedsTakesOkLeavesCancelAndSearchesAfresh)
{
    FootprintTree tree{"DIP8.psm", "DIP8.dra", "QFP44.dra", "SOIC14.psm"};
    const std::tuple<quint32, bool, const char*> cases[] = {
        {1, true, "DIP8"}, {2, false, "(DIP8)"}, {3, false, "(DIP8)"}};
    for (const auto& [nRow, bSingle, pszAfterOk] : cases)
    {
        Props props(nRow);
        const QString strBefore = props.Value(nRow);
        for (const char* pszButton : {"Cancel", "OK"})
        {
            // Each Browse lists the three footprints once: the list of the one before is emptied.
            testsupport::WhenModal(
                [&, nRow = nRow, bSingle = bSingle](QWidget* pDialog)
                {
                    EXPECT_EQ(qobject_cast<CBackEndDlg1*>(pDialog) != nullptr, bSingle)
                        << "row " << nRow;
                    EXPECT_EQ(pDialog->windowTitle(), u"Footprints");
                    EXPECT_EQ(
                        qobject_cast<CFootprintSelectDlg*>(pDialog)->Grid()->model()->rowCount(),
                        3);
                    testsupport::FindButton(pDialog, QString::fromUtf8(pszButton))->click();
                });
            props.Browse();
            EXPECT_EQ(props.Value(nRow),
                      *pszButton == 'C' ? strBefore : QString::fromUtf8(pszAfterOk));
        }
    }
}

// The selection dialog works through the services of the dialog that
// opened it: a drawing found opens through their opener, a missing one is
// told in their message box.
TEST(Browse, theSelectionDialogViewsAndTellsThroughTheServicesOfTheDialog)
{
    FootprintTree tree{"DIP8.psm", "DIP8.dra", "SOIC14.psm"};
    const QString strDrawing =
        QDir(qEnvironmentVariable("PSMPATH")).filePath(QStringLiteral("DIP8.dra"));
    for (const quint32 nRow : {1u, 2u}) // the single and the multiple dialog
    {
        SCOPED_TRACE(nRow);
        Props props(nRow);
        QStringList opened;
        props.services.fnOpenDrawing = [&opened](const QString& strPath)
        {
            opened.append(strPath);
            return 1;
        };
        testsupport::MessageRecorder messages(props.services);
        testsupport::WhenModal(
            [](QWidget* pDialog)
            {
                auto* pGrid = qobject_cast<CFootprintSelectDlg*>(pDialog)->Grid();
                for (const int nFootprint : {1, 2})
                {
                    testsupport::ClickCell(pGrid, nFootprint, 1);
                    testsupport::FindButton(pDialog, QStringLiteral("View Footprint"))->click();
                }
                testsupport::FindButton(pDialog, QStringLiteral("Cancel"))->click();
            });
        props.Browse();
        EXPECT_EQ(opened, QStringList{strDrawing});
        ASSERT_EQ(messages.texts.size(), 1);
        EXPECT_TRUE(messages.texts[0].startsWith(
            u"Footprint can't be viewed as corresponding .dra file not found in the PSMPATH"))
            << messages.texts[0].toStdString();
        EXPECT_EQ(messages.nShownBoxes, 0);
    }
}
} // namespace
