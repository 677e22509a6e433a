#include "FootprintFixtures.h"
#include "TestSupport.h"

#include "BackEndDlg1.h"
#include "BackEndDlg2.h"
#include "FootprintListModel.h"
#include "Grids.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <tuple>

namespace
{
// What View Footprint asked the viewing flow for.
struct ViewCall
{
    QStringList names;
    QString strProjectPath;
    PROPERTY_NAMES nKind;
};

// A dialog shown without a modal loop, set up as DoModal would.
template <class TDialog> struct Shown
{
    explicit Shown(FootprintList& footprints, const QString& strProjectPath = QStringLiteral("/proj/a.ini"))
        : dlg(&footprints.list, strProjectPath)
    {
        dlg.SetFootprintViewer([this](const QStringList& names, const QString& strPath, PROPERTY_NAMES nKind) {
            views.push_back({names, strPath, nKind});
        });
        EXPECT_TRUE(dlg.InitDialog());
        dlg.show();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&dlg));
        tester = std::make_unique<QAbstractItemModelTester>(
            dlg.Model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    }
    CSymbolGrid& Grid() { return *dlg.Grid(); }
    QLineEdit& FilterBox() { return *dlg.template findChild<QLineEdit*>(QStringLiteral("edtFilter")); }
    void Type(const QString& strText) { FilterBox().setText(strText); }
    QStringList Names()
    {
        QStringList names;
        for (int r = 1; r <= Grid().model()->rowCount(); ++r)
            names.append(Grid().GetValueRowCol(quint32(r), 1));
        return names;
    }
    void SelectRows(const std::vector<int>& rows)
    {
        bool bFirst = true;
        for (const int nRow : rows)
        {
            testsupport::ClickCell(&Grid(), nRow, 1, bFirst ? Qt::NoModifier : Qt::ControlModifier);
            bFirst = false;
        }
    }
    void SetSide(int nRow, const QString& strSide)
    {
        ASSERT_TRUE(dlg.Model()->setData(dlg.Model()->index(nRow - 1, CFootprintListModel::ColType), strSide));
    }
    bool Accepted() const { return !dlg.isVisible() && dlg.result() == QDialog::Accepted; }

    TDialog dlg;
    std::vector<ViewCall> views;
    std::unique_ptr<QAbstractItemModelTester> tester;
};

FootprintList Sample()
{
    return {QStringLiteral("SOIC8"), QStringLiteral("soic14"), QStringLiteral("SO8W"),
            QStringLiteral("QFP44"), QStringLiteral("LQFP48"), QStringLiteral("TQFP100"),
            QStringLiteral("R0603")};
}

// --- the form ---------------------------------------------------------------------

template <class TDialog> void ExpectForm(const char* pszSelect, const char* pszFilter)
{
    FootprintList footprints = Sample();
    Shown<TDialog> shown(footprints);
    EXPECT_EQ(shown.dlg.windowTitle(), u"Footprints");
    EXPECT_EQ(shown.dlg.template findChild<QLabel*>(QStringLiteral("lblSelect"))->text(),
              QString::fromUtf8(pszSelect));
    auto* pFilterLabel = shown.dlg.template findChild<QLabel*>(QStringLiteral("lblFilter"));
    EXPECT_EQ(pFilterLabel->text(), QString::fromUtf8(pszFilter));
    EXPECT_EQ(pFilterLabel->buddy(), &shown.FilterBox());
    auto* pOK = qobject_cast<QPushButton*>(testsupport::FindButton(&shown.dlg, QStringLiteral("OK")));
    ASSERT_NE(pOK, nullptr);
    EXPECT_TRUE(pOK->isDefault());
    for (const char* pszButton : {"&OK", "&Cancel", "&View Footprint", "&New Footprint"})
    {
        QAbstractButton* pButton =
            testsupport::FindButton(&shown.dlg, QString::fromUtf8(pszButton).remove(u'&'));
        ASSERT_NE(pButton, nullptr) << pszButton;
        EXPECT_EQ(pButton->text(), QString::fromUtf8(pszButton));
    }
    // The box shows "*", selected, and has the keyboard.
    EXPECT_EQ(shown.FilterBox().text(), u"*");
    EXPECT_EQ(shown.FilterBox().selectedText(), u"*");
    EXPECT_EQ(QApplication::focusWidget(), &shown.FilterBox());
    EXPECT_EQ(shown.Names(), (QStringList{QStringLiteral("SOIC8"), QStringLiteral("soic14"),
                                          QStringLiteral("SO8W"), QStringLiteral("QFP44"),
                                          QStringLiteral("LQFP48"), QStringLiteral("TQFP100"),
                                          QStringLiteral("R0603")}));
    // Only the footprint names show (and the side in the multiple dialog);
    // the location is there for View but hidden; nothing moves or is typed over.
    CSymbolGrid& grid = shown.Grid();
    EXPECT_FALSE(grid.verticalHeader()->isVisible());
    EXPECT_FALSE(grid.isColumnHidden(0));
    EXPECT_TRUE(grid.isColumnHidden(1));
    EXPECT_EQ(grid.GetValueRowCol(1, 2), u"/lib/SOIC8.dra");
    EXPECT_EQ(grid.GetValueRowCol(0, 1), u"Footprint");
    EXPECT_EQ(grid.GetValueRowCol(0, 2), u"Location");
    EXPECT_FALSE(grid.horizontalHeader()->sectionsMovable());
    EXPECT_EQ(grid.horizontalHeader()->minimumSectionSize(), 50);
    EXPECT_FALSE(grid.model()->flags(grid.model()->index(0, 0)).testFlag(Qt::ItemIsEditable));
    EXPECT_EQ(grid.m_nSelRow, 1u);
}

TEST(FootprintsForm, singleDialogShowsItsTextsAndAllFootprints)
{
    ExpectForm<CBackEndDlg1>("Select Footprint ", "&Filter :");
}

TEST(FootprintsForm, multipleDialogShowsItsTextsAndAllFootprints)
{
    ExpectForm<CBackEndDlg2>("Select Footprint(s) ", "&Filter : ");
}

// --- the filter, the same in both dialogs ----------------------------------------

struct FilterCase
{
    const char* pszText;
    QStringList expected;
};

template <class TDialog> void ExpectFilterCases()
{
    const QStringList all{QStringLiteral("SOIC8"), QStringLiteral("soic14"), QStringLiteral("SO8W"),
                          QStringLiteral("QFP44"), QStringLiteral("LQFP48"), QStringLiteral("TQFP100"),
                          QStringLiteral("R0603")};
    const QStringList so{QStringLiteral("SOIC8"), QStringLiteral("soic14"), QStringLiteral("SO8W")};
    const FilterCase cases[] = {
        {"so", so},
        {"SO", so},
        {"sO", so},
        {"  so  ", so},
        {"*qfp", {QStringLiteral("QFP44"), QStringLiteral("LQFP48"), QStringLiteral("TQFP100")}},
        {"soic*4", {QStringLiteral("soic14")}},
        {"Q*4", {QStringLiteral("QFP44")}},
        {"zz", {}},
        {"", all},
        {"*", all},
        {"**", all},
    };
    for (const FilterCase& c : cases)
    {
        FootprintList footprints = Sample();
        Shown<TDialog> shown(footprints);
        shown.Type(QStringLiteral("x")); // leave the match-all start
        shown.Type(QString::fromUtf8(c.pszText));
        const QStringList& expected = c.expected;
        EXPECT_EQ(shown.Names(), expected) << "filter '" << c.pszText << "'";
        EXPECT_EQ(shown.Grid().m_nSelRow, 1u);
        EXPECT_EQ(QApplication::focusWidget(), &shown.FilterBox());
        if (!expected.isEmpty())
        {
            EXPECT_EQ(shown.Grid().currentIndex().row(), 0) << c.pszText;
        }
    }
}

TEST(FootprintFilter, singleDialogNarrowsByNameStartCaseBlind) { ExpectFilterCases<CBackEndDlg1>(); }
TEST(FootprintFilter, multipleDialogNarrowsByNameStartCaseBlind) { ExpectFilterCases<CBackEndDlg2>(); }

TEST(FootprintFilter, rebuildsOnlyWhenTheTrimmedTextReallyChanges)
{
    struct Step
    {
        const char* pszText;
        int nResets; // rebuilds this step causes
    };
    const Step steps[] = {
        {"", 0},     // "*" to "": both match everything
        {"*", 0},    // and back
        {" * ", 0},  // blanks at the ends do not count
        {"so", 1},
        {"so  ", 0},
        {"  so", 0},
        {"SO", 1},   // another case rebuilds, with the same rows
        {"", 1},     // clearing brings every footprint back
        {"*", 0},
    };
    FootprintList footprints = Sample();
    Shown<CBackEndDlg2> shown(footprints);
    QSignalSpy resets(shown.dlg.Model(), &QAbstractItemModel::modelReset);
    for (const Step& step : steps)
    {
        resets.clear();
        shown.Type(QString::fromUtf8(step.pszText));
        EXPECT_EQ(resets.count(), step.nResets) << "text '" << step.pszText << "'";
    }
    EXPECT_EQ(shown.Names().size(), 7);
}

TEST(FootprintFilter, skipsNullEntriesThatTheOpeningShowedAsBlankRows)
{
    FootprintList footprints{QStringLiteral("A1"), QString(), QStringLiteral("A2")};
    Shown<CBackEndDlg1> shown(footprints);
    EXPECT_EQ(shown.Names(), (QStringList{QStringLiteral("A1"), QString(), QStringLiteral("A2")}));
    shown.Type(QStringLiteral("a"));
    EXPECT_EQ(shown.Names(), (QStringList{QStringLiteral("A1"), QStringLiteral("A2")}));
}

// --- the single dialog --------------------------------------------------------------

TEST(SingleFootprintDialog, okAtOnceGivesTheFirstFootprint)
{
    FootprintList footprints = Sample();
    Shown<CBackEndDlg1> shown(footprints);
    testsupport::FindButton(&shown.dlg, QStringLiteral("OK"))->click();
    EXPECT_TRUE(shown.Accepted());
    EXPECT_EQ(shown.dlg.GetSelection(), u"SOIC8");
}

TEST(SingleFootprintDialog, okGivesTheClickedRowAndRowOneOfAFilteredList)
{
    FootprintList footprints = Sample();
    {
        Shown<CBackEndDlg1> shown(footprints);
        testsupport::ClickCell(&shown.Grid(), 4, 1);
        testsupport::FindButton(&shown.dlg, QStringLiteral("OK"))->click();
        EXPECT_EQ(shown.dlg.GetSelection(), u"QFP44");
    }
    {
        Shown<CBackEndDlg1> shown(footprints);
        testsupport::ClickCell(&shown.Grid(), 4, 1);
        shown.Type(QStringLiteral("*qfp"));
        testsupport::FindButton(&shown.dlg, QStringLiteral("OK"))->click();
        EXPECT_EQ(shown.dlg.GetSelection(), u"QFP44");
    }
}

TEST(SingleFootprintDialog, okOnAFilterThatMatchesNothingGivesAnEmptyName)
{
    FootprintList footprints = Sample();
    Shown<CBackEndDlg1> shown(footprints);
    shown.Type(QStringLiteral("nothing"));
    EXPECT_EQ(shown.Grid().model()->rowCount(), 0);
    EXPECT_EQ(shown.Grid().GetValueRowCol(0, 1), u"Footprint");
    testsupport::FindButton(&shown.dlg, QStringLiteral("OK"))->click();
    EXPECT_TRUE(shown.Accepted());
    EXPECT_EQ(shown.dlg.GetSelection(), QString());
}

TEST(SingleFootprintDialog, cancelGivesNothingWhateverWasPicked)
{
    FootprintList footprints = Sample();
    Shown<CBackEndDlg1> shown(footprints);
    testsupport::ClickCell(&shown.Grid(), 3, 1);
    testsupport::FindButton(&shown.dlg, QStringLiteral("Cancel"))->click();
    EXPECT_FALSE(shown.dlg.isVisible());
    EXPECT_EQ(shown.dlg.result(), QDialog::Rejected);
    EXPECT_EQ(shown.dlg.GetSelection(), QString());
}

void DoubleClickHeader(CSymbolGrid& grid, int nCol)
{
    QHeaderView* pHeader = grid.horizontalHeader();
    const QPoint pt(pHeader->sectionViewportPosition(nCol - 1) + pHeader->sectionSize(nCol - 1) / 2,
                    pHeader->height() / 2);
    QTest::mouseDClick(pHeader->viewport(), Qt::LeftButton, {}, pt);
}

TEST(SingleFootprintDialog, okAndViewActOnTheRememberedRowAfterASort)
{
    FootprintList footprints{QStringLiteral("c"), QStringLiteral("A"), QStringLiteral("b")};
    Shown<CBackEndDlg1> shown(footprints);
    testsupport::ClickCell(&shown.Grid(), 2, 1);
    DoubleClickHeader(shown.Grid(), 1);
    EXPECT_EQ(shown.Names(), (QStringList{QStringLiteral("A"), QStringLiteral("b"), QStringLiteral("c")}));
    EXPECT_EQ(shown.Grid().m_nSelRow, 2u);
    DoubleClickHeader(shown.Grid(), 1);
    EXPECT_EQ(shown.Names(), (QStringList{QStringLiteral("c"), QStringLiteral("b"), QStringLiteral("A")}));
    DoubleClickHeader(shown.Grid(), 1);
    testsupport::FindButton(&shown.dlg, QStringLiteral("View Footprint"))->click();
    ASSERT_EQ(shown.views.size(), 1u);
    EXPECT_EQ(shown.views[0].names, QStringList{QStringLiteral("b")});
    EXPECT_EQ(shown.views[0].strProjectPath, u"/proj/a.ini");
    EXPECT_EQ(shown.views[0].nKind, PROP_JEDEC_TYPE);
    EXPECT_TRUE(shown.dlg.isVisible());
    testsupport::FindButton(&shown.dlg, QStringLiteral("OK"))->click();
    EXPECT_EQ(shown.dlg.GetSelection(), u"b");
}

TEST(SingleFootprintDialog, aFilterAfterASortShowsListOrderAndSortsAscendingAgain)
{
    FootprintList footprints{QStringLiteral("c"), QStringLiteral("A"), QStringLiteral("b")};
    Shown<CBackEndDlg1> shown(footprints);
    DoubleClickHeader(shown.Grid(), 1);
    shown.Type(QStringLiteral("x"));
    shown.Type(QString());
    EXPECT_EQ(shown.Names(), (QStringList{QStringLiteral("c"), QStringLiteral("A"), QStringLiteral("b")}));
    DoubleClickHeader(shown.Grid(), 1);
    EXPECT_EQ(shown.Names(), (QStringList{QStringLiteral("A"), QStringLiteral("b"), QStringLiteral("c")}));
}

TEST(SingleFootprintDialog, viewOnAnEmptyGridLooksUpAnEmptyNameAndNewFootprintStartsADrawing)
{
    FootprintList footprints = Sample();
    Shown<CBackEndDlg1> shown(footprints);
    int nNewDrawings = 0;
    shown.dlg.SetNewDrawingStarter([&nNewDrawings] { return ++nNewDrawings, 0; });
    shown.Type(QStringLiteral("nothing"));
    testsupport::FindButton(&shown.dlg, QStringLiteral("View Footprint"))->click();
    testsupport::FindButton(&shown.dlg, QStringLiteral("New Footprint"))->click();
    ASSERT_EQ(shown.views.size(), 1u);
    EXPECT_EQ(shown.views[0].names, QStringList{QString()});
    EXPECT_EQ(nNewDrawings, 1);
    EXPECT_TRUE(shown.dlg.isVisible());
    EXPECT_EQ(shown.Names(), QStringList());
}

// --- keyboard -----------------------------------------------------------------------

TEST(FootprintKeyboard, typingReplacesTheStarAndEnterTakesRowOne)
{
    FootprintList footprints = Sample();
    Shown<CBackEndDlg1> shown(footprints);
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("lq"));
    EXPECT_EQ(shown.FilterBox().text(), u"lq");
    EXPECT_EQ(shown.Names(), QStringList{QStringLiteral("LQFP48")});
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_TRUE(shown.Accepted());
    EXPECT_EQ(shown.dlg.GetSelection(), u"LQFP48");
}

TEST(FootprintKeyboard, downGoesIntoTheListAndEnterThereTakesTheCurrentRow)
{
    FootprintList footprints = Sample();
    Shown<CBackEndDlg1> shown(footprints);
    QTest::keyClicks(&shown.FilterBox(), QStringLiteral("so"));
    QTest::keyClick(&shown.FilterBox(), Qt::Key_Down);
    EXPECT_EQ(QApplication::focusWidget(), &shown.Grid());
    EXPECT_EQ(shown.Grid().currentIndex().row(), 0);
    QTest::keyClick(&shown.Grid(), Qt::Key_Down);
    EXPECT_EQ(shown.Grid().m_nSelRow, 2u);
    QTest::keyClick(&shown.Grid(), Qt::Key_Return);
    EXPECT_TRUE(shown.Accepted());
    EXPECT_EQ(shown.dlg.GetSelection(), u"soic14");
}

TEST(FootprintKeyboard, escapeCancels)
{
    FootprintList footprints = Sample();
    Shown<CBackEndDlg2> shown(footprints);
    QTest::keyClick(&shown.FilterBox(), Qt::Key_Escape);
    EXPECT_FALSE(shown.dlg.isVisible());
    EXPECT_EQ(shown.dlg.result(), QDialog::Rejected);
    EXPECT_EQ(shown.dlg.GetSelection(), QString());
}

// --- the multiple dialog --------------------------------------------------------------

FootprintList SideSample()
{
    return {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("K"), QStringLiteral("D"),
            QStringLiteral("E"), QStringLiteral("F")};
}

TEST(MultipleFootprintDialog, okAtOnceGivesRowOneOnBothSides)
{
    FootprintList footprints = SideSample();
    Shown<CBackEndDlg2> shown(footprints);
    EXPECT_TRUE(shown.Grid().selectionModel()->selectedRows().isEmpty());
    EXPECT_EQ(shown.Grid().GetValueRowCol(0, 3), u"Type");
    testsupport::FindButton(&shown.dlg, QStringLiteral("OK"))->click();
    EXPECT_TRUE(shown.Accepted());
    EXPECT_EQ(shown.dlg.GetSelection(), u"(A)");
}

TEST(MultipleFootprintDialog, composesTheSelectedRowsBySide)
{
    using Sides = std::vector<std::pair<int, const char*>>;
    const std::tuple<std::vector<int>, Sides, const char*> cases[] = {
        {{1, 2, 3, 4, 5}, {{1, "Top"}, {2, "Top"}, {3, "Bottom"}}, "(Top:A,B;Bottom:K;D,E)"},
        {{4, 5}, {}, "(D,E)"},
        {{3}, {{3, "Bottom"}}, "(Bottom:K)"},
        {{1, 4}, {{1, "Top"}}, "(Top:A;D)"},
        {{5, 1}, {{1, "top"}, {5, "BOTTOM"}}, "(Top:A;Bottom:E)"},
        {{2}, {{1, "Top"}}, "(B)"}, // a side on a row that is not selected counts for nothing
    };
    for (const auto& [rows, sides, pszExpected] : cases)
    {
        FootprintList footprints = SideSample();
        Shown<CBackEndDlg2> shown(footprints);
        for (const auto& [nRow, pszSide] : sides)
            shown.SetSide(nRow, QString::fromUtf8(pszSide));
        shown.SelectRows(rows);
        testsupport::FindButton(&shown.dlg, QStringLiteral("OK"))->click();
        EXPECT_TRUE(shown.Accepted());
        EXPECT_EQ(shown.dlg.GetSelection(), QString::fromUtf8(pszExpected));
    }
}

TEST(MultipleFootprintDialog, theSameNameInTwoRowsStandsTwice)
{
    FootprintList footprints;
    footprints.Add(QStringLiteral("SOIC8"), QStringLiteral("/smd/SOIC8.dra"));
    footprints.Add(QStringLiteral("SOIC8"), QStringLiteral("/tht/SOIC8.dra"));
    Shown<CBackEndDlg2> shown(footprints);
    shown.SelectRows({1, 2});
    testsupport::FindButton(&shown.dlg, QStringLiteral("OK"))->click();
    EXPECT_EQ(shown.dlg.GetSelection(), u"(SOIC8,SOIC8)");
}

TEST(MultipleFootprintDialog, okWithoutRowsGivesEmptyParentheses)
{
    FootprintList footprints = SideSample();
    Shown<CBackEndDlg2> shown(footprints);
    shown.Type(QStringLiteral("nothing"));
    testsupport::FindButton(&shown.dlg, QStringLiteral("OK"))->click();
    EXPECT_TRUE(shown.Accepted());
    EXPECT_EQ(shown.dlg.GetSelection(), u"()");
}

TEST(MultipleFootprintDialog, cancelGivesNothing)
{
    FootprintList footprints = SideSample();
    Shown<CBackEndDlg2> shown(footprints);
    shown.SelectRows({1, 2});
    testsupport::FindButton(&shown.dlg, QStringLiteral("Cancel"))->click();
    EXPECT_EQ(shown.dlg.result(), QDialog::Rejected);
    EXPECT_EQ(shown.dlg.GetSelection(), QString());
}

TEST(MultipleFootprintDialog, aRebuildResetsEverySideAndTheSelection)
{
    FootprintList footprints = SideSample();
    Shown<CBackEndDlg2> shown(footprints);
    shown.SetSide(1, QStringLiteral("Top"));
    shown.SetSide(2, QStringLiteral("Bottom"));
    shown.SelectRows({2, 3});
    shown.Type(QStringLiteral("x"));
    shown.Type(QString());
    for (int r = 1; r <= 6; ++r)
        EXPECT_EQ(shown.Grid().GetValueRowCol(quint32(r), 3), u"Both") << r;
    EXPECT_TRUE(shown.Grid().selectionModel()->selectedRows().isEmpty());
    EXPECT_EQ(shown.Grid().GetSelectedRows(), QList<quint32>{1});
    testsupport::FindButton(&shown.dlg, QStringLiteral("OK"))->click();
    EXPECT_EQ(shown.dlg.GetSelection(), u"(A)");
}

TEST(MultipleFootprintDialog, theSideDropDownOffersOnlyTopBottomBoth)
{
    FootprintList footprints = SideSample();
    Shown<CBackEndDlg2> shown(footprints);
    CSymbolGrid& grid = shown.Grid();
    grid.edit(grid.model()->index(1, CFootprintListModel::ColType));
    auto* pCombo = qobject_cast<QComboBox*>(QApplication::focusWidget());
    ASSERT_NE(pCombo, nullptr);
    EXPECT_FALSE(pCombo->isEditable());
    QStringList choices;
    for (int i = 0; i < pCombo->count(); ++i)
        choices.append(pCombo->itemText(i));
    EXPECT_EQ(choices, (QStringList{QStringLiteral("Top"), QStringLiteral("Bottom"), QStringLiteral("Both")}));
    EXPECT_EQ(pCombo->currentText(), u"Both");
    // A pick in the list is stored at once.
    pCombo->setCurrentIndex(0);
    Q_EMIT pCombo->activated(0);
    QApplication::processEvents();
    EXPECT_EQ(grid.GetValueRowCol(2, 3), u"Top");

    // A choice still open when OK is pressed counts.
    shown.SelectRows({3});
    grid.edit(grid.model()->index(2, CFootprintListModel::ColType));
    pCombo = qobject_cast<QComboBox*>(QApplication::focusWidget());
    ASSERT_NE(pCombo, nullptr);
    pCombo->setCurrentIndex(1);
    testsupport::FindButton(&shown.dlg, QStringLiteral("OK"))->click();
    EXPECT_EQ(grid.GetValueRowCol(3, 3), u"Bottom");
    EXPECT_EQ(shown.dlg.GetSelection(), u"(Bottom:K)");
}

TEST(MultipleFootprintDialog, viewTakesTheRememberedRowNotTheSelection)
{
    FootprintList footprints = SideSample();
    Shown<CBackEndDlg2> shown(footprints);
    shown.SelectRows({2, 4});
    EXPECT_EQ(shown.Grid().m_nSelRow, 4u);
    testsupport::FindButton(&shown.dlg, QStringLiteral("View Footprint"))->click();
    ASSERT_EQ(shown.views.size(), 1u);
    EXPECT_EQ(shown.views[0].names, QStringList{QStringLiteral("D")});
    EXPECT_EQ(shown.views[0].nKind, PROP_ALT_SYMBOLS);
}

TEST(MultipleFootprintDialog, selectedRowsFollowTheirFootprintsWhenSorted)
{
    FootprintList footprints{QStringLiteral("C"), QStringLiteral("A"), QStringLiteral("B")};
    Shown<CBackEndDlg2> shown(footprints);
    shown.SetSide(1, QStringLiteral("Top"));
    shown.SelectRows({1});
    DoubleClickHeader(shown.Grid(), 1);
    EXPECT_EQ(shown.Names(), (QStringList{QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")}));
    testsupport::FindButton(&shown.dlg, QStringLiteral("OK"))->click();
    EXPECT_EQ(shown.dlg.GetSelection(), u"(Top:C)");
}

// --- names the value cannot hold ------------------------------------------------------

TEST(MultipleFootprintDialog, refusesNamesThatWouldSplitAndStaysOpen)
{
    testsupport::MessageRecorder messages;
    FootprintList footprints{QStringLiteral("SO 8"), QStringLiteral("CONN_2,54"), QStringLiteral("GOOD")};
    Shown<CBackEndDlg2> shown(footprints);
    shown.SelectRows({1, 2, 3});
    testsupport::FindButton(&shown.dlg, QStringLiteral("OK"))->click();
    ASSERT_EQ(messages.texts.size(), 1);
    EXPECT_TRUE(messages.texts[0].contains(u"\nSO 8\nCONN_2,54\n")) << messages.texts[0].toStdString();
    EXPECT_TRUE(shown.dlg.isVisible());
    EXPECT_EQ(shown.dlg.GetSelection(), QString());
    EXPECT_EQ(shown.Grid().GetSelectedRows(), (QList<quint32>{1, 2, 3}));

    shown.SelectRows({3});
    testsupport::FindButton(&shown.dlg, QStringLiteral("OK"))->click();
    EXPECT_EQ(messages.texts.size(), 1);
    EXPECT_TRUE(shown.Accepted());
    EXPECT_EQ(shown.dlg.GetSelection(), u"(GOOD)");
}

TEST(SingleFootprintDialog, takesAnyNameWhole)
{
    testsupport::MessageRecorder messages;
    FootprintList footprints{QStringLiteral("CONN 2,54; x:y")};
    Shown<CBackEndDlg1> shown(footprints);
    testsupport::FindButton(&shown.dlg, QStringLiteral("OK"))->click();
    EXPECT_TRUE(messages.texts.isEmpty());
    EXPECT_EQ(shown.dlg.GetSelection(), u"CONN 2,54; x:y");
}

TEST(FootprintDialogs, runModallyAndAnswer)
{
    FootprintList footprints = Sample();
    CBackEndDlg2 dlg(&footprints.list, QString());
    testsupport::WhenModal([](QWidget* pDialog) {
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("*qfp"));
        testsupport::FindButton(pDialog, QStringLiteral("OK"))->click();
    });
    EXPECT_EQ(dlg.DoModal(), 1);
    EXPECT_EQ(dlg.GetSelection(), u"(QFP44)");
}
} // namespace
