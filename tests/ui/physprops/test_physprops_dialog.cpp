#include "grid/Grids.h"
#include "physprops/PhysPropsDlg.h"
#include "TestSupport.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QHeaderView>
#include <QPushButton>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

using testsupport::ClickCell;
using testsupport::FindButton;

namespace
{
// The host's array: owned here, handed to the dialog by pointer.
class DialogFixture : public ::testing::Test
{
protected:
    ~DialogFixture() override { qDeleteAll(values); }

    void Add(const QString& n, const QString& v) { values.append(new CProperty(n, v)); }

    CPhysPropsDlg& Open()
    {
        pDlg = std::make_unique<CPhysPropsDlg>(&values, nullptr);
        EXPECT_TRUE(pDlg->InitDialog());
        pDlg->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(pDlg.get()));
        return *pDlg;
    }
    CPhysPropsGrid& Grid() { return *pDlg->Grid(); }
    void Press(const char* pszText) { FindButton(pDlg.get(), QString::fromLatin1(pszText))->click(); }
    QStringList Values() const
    {
        QStringList out;
        for (const CProperty* p : values)
            out.append(p ? p->GetValue() : QStringLiteral("<null>"));
        return out;
    }
    void TypeInto(int nRow, int nCol, const QString& strText)
    {
        ClickCell(&Grid(), nRow, nCol);
        Grid().edit(Grid().model()->index(nRow - 1, nCol - 1));
        auto* pEditor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
        ASSERT_NE(pEditor, nullptr);
        pEditor->selectAll();
        QTest::keyClicks(pEditor, strText);
    }

    CPropertyArray values;
    std::unique_ptr<CPhysPropsDlg> pDlg;
};
} // namespace

TEST_F(DialogFixture, showsTheTemplateTexts)
{
    Open();
    EXPECT_EQ(pDlg->windowTitle(), QStringLiteral("Physical Properties"));
    EXPECT_EQ(pDlg->findChild<QGroupBox*>()->title(), QStringLiteral("Specify Values"));
    QStringList texts;
    for (const char* pszName : {"btnBrowse", "btnView", "btnClear", "btnOK", "btnCancel", "btnEditorSetup"})
        texts.append(pDlg->findChild<QAbstractButton*>(QString::fromLatin1(pszName))->text());
    EXPECT_EQ(texts, (QStringList{QStringLiteral("&Browse..."), QStringLiteral("&View"),
                                  QStringLiteral("C&lear"), QStringLiteral("&OK"),
                                  QStringLiteral("&Cancel"), QStringLiteral("PCB Editor &Setup")}));
    EXPECT_TRUE(pDlg->findChild<QPushButton*>(QStringLiteral("btnOK"))->isDefault());
}

TEST_F(DialogFixture, fillsOneRowPerElementWithBlankRowsForNullElements)
{
    Add(QStringLiteral("JEDEC_TYPE"), QStringLiteral("SOIC8"));
    values.append(nullptr);
    Add(QStringLiteral("ALT_SYMBOLS"), QStringLiteral("(Top:A;B)"));
    Open();
    EXPECT_EQ(testsupport::FlattenModel(&Grid()), QStringLiteral("JEDEC_TYPE|SOIC8;|;ALT_SYMBOLS|(Top:A;B)"));
    EXPECT_EQ(Grid().GetValueRowCol(0, 1), QStringLiteral("Property"));
    EXPECT_EQ(Grid().GetValueRowCol(0, 2), QStringLiteral("Value"));
    EXPECT_FALSE(Grid().verticalHeader()->isVisible());
    EXPECT_EQ(Grid().m_nSelRow, 1u);
    EXPECT_EQ(Grid().currentIndex(), Grid().model()->index(0, 0));
}

TEST_F(DialogFixture, emptyArrayShowsOnlyTheHeaderAndOkWritesNothing)
{
    Open();
    EXPECT_EQ(Grid().model()->rowCount(), 0);
    Press("Clear");
    Press("OK");
    EXPECT_EQ(pDlg->result(), QDialog::Accepted);
}

TEST_F(DialogFixture, propertyColumnIsReadOnlyValueColumnIsEditedInPlace)
{
    Add(QStringLiteral("JEDEC_TYPE"), QStringLiteral("SOIC8"));
    Open();
    const QAbstractItemModel* pModel = Grid().model();
    EXPECT_FALSE(pModel->flags(pModel->index(0, 0)).testFlag(Qt::ItemIsEditable));
    EXPECT_TRUE(pModel->flags(pModel->index(0, 1)).testFlag(Qt::ItemIsEditable));
    QTest::keyClicks(&Grid(), QStringLiteral("X")); // typing on the name cell edits nothing
    EXPECT_EQ(Grid().GetValueRowCol(1, 1), QStringLiteral("JEDEC_TYPE"));

    TypeInto(1, 2, QStringLiteral("DIP8"));
    Press("OK"); // the edit still open is stored first
    EXPECT_EQ(Values(), QStringList{QStringLiteral("DIP8")});
}

TEST_F(DialogFixture, eachElementKeepsItsOwnRowWhenNamesDifferOnlyInCase)
{
    Add(QStringLiteral("JEDEC_TYPE"), QStringLiteral("upper"));
    Add(QStringLiteral("jedec_type"), QStringLiteral("lower"));
    Add(QStringLiteral("OTHER"), QStringLiteral("x"));
    Open();
    TypeInto(1, 2, QStringLiteral("edited"));
    Press("OK");
    EXPECT_EQ(Values(), (QStringList{QStringLiteral("edited"), QStringLiteral("lower"), QStringLiteral("x")}));
    // The lookup by name still answers with the last matching row.
    EXPECT_EQ(pDlg->GetPropertyValue(QStringLiteral("Jedec_Type")), QStringLiteral("lower"));
    EXPECT_EQ(pDlg->GetPropertyValue(QStringLiteral("MISSING")), QString());
}

struct ClearCase
{
    int nClickRow; // 0: no click before Clear
    const char* pszClose;
    QStringList expected;
};

class ClearThenClose : public DialogFixture, public ::testing::WithParamInterface<ClearCase>
{
};

TEST_P(ClearThenClose, clearChangesTheArrayOnlyThroughOk)
{
    Add(QStringLiteral("JEDEC_TYPE"), QStringLiteral("SOIC8"));
    Add(QStringLiteral("ALT_SYMBOLS"), QStringLiteral("(A)"));
    Open();
    if (GetParam().nClickRow > 0)
        ClickCell(&Grid(), GetParam().nClickRow, 1);
    Press("Clear");
    Press(GetParam().pszClose);
    EXPECT_EQ(Values(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ClearThenClose,
    ::testing::Values(
        ClearCase{0, "OK", {QString(), QStringLiteral("(A)")}},
        ClearCase{2, "OK", {QStringLiteral("SOIC8"), QString()}},
        ClearCase{2, "Cancel", {QStringLiteral("SOIC8"), QStringLiteral("(A)")}}));

TEST_F(DialogFixture, setSelectedValueIgnoresEmptyText)
{
    Add(QStringLiteral("JEDEC_TYPE"), QStringLiteral("SOIC8"));
    Add(QStringLiteral("ALT_SYMBOLS"), QStringLiteral("(A)"));
    Open();
    ClickCell(&Grid(), 2, 2);
    pDlg->SetSelectedValue(QString());
    EXPECT_EQ(Grid().GetSelectedValue(), QStringLiteral("(A)"));
    pDlg->SetSelectedValue(QStringLiteral("(Top:B)"));
    EXPECT_EQ(Grid().GetValueRowCol(2, 2), QStringLiteral("(Top:B)"));
    EXPECT_EQ(Grid().GetValueRowCol(1, 2), QStringLiteral("SOIC8"));
}

TEST_F(DialogFixture, editThenCancelOrEscapeLeavesTheArrayAlone)
{
    Add(QStringLiteral("JEDEC_TYPE"), QStringLiteral("SOIC8"));
    Open();
    TypeInto(1, 2, QStringLiteral("changed"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QCoreApplication::processEvents(); // the editor hands its text over queued
    EXPECT_EQ(Grid().GetValueRowCol(1, 2), QStringLiteral("changed"));
    QTest::keyClick(pDlg.get(), Qt::Key_Escape);
    EXPECT_EQ(pDlg->result(), QDialog::Rejected);
    EXPECT_EQ(Values(), QStringList{QStringLiteral("SOIC8")});
}
