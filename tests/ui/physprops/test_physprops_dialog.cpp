// SPDX-License-Identifier: MIT
#include "TestSupport.h"
#include "grid/Grids.h"
#include "physprops/PhysPropsDlg.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSet>
#include <QTest>
#include <QToolTip>

#include <gtest/gtest.h>

#include <functional>
#include <map>
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
    void Press(const char* pszText)
    {
        FindButton(pDlg.get(), QString::fromLatin1(pszText))->click();
    }
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
    for (const char* pszName :
         {"btnBrowse", "btnView", "btnClear", "btnOK", "btnCancel", "btnEditorSetup"})
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
    EXPECT_EQ(testsupport::FlattenModel(&Grid()),
              QStringLiteral("JEDEC_TYPE|SOIC8;|;ALT_SYMBOLS|(Top:A;B)"));
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

// As in a spreadsheet, text typed on a row's name cell becomes that row's
// value; Enter stores it and, as on the row itself, confirms the dialog.
TEST_F(DialogFixture, textTypedOnANameCellBecomesThatRowsValue)
{
    const auto enter = [] { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return); };
    const struct
    {
        std::function<void(CPhysPropsGrid&)> keys;
        QStringList values; // after Enter
    } cases[] = {
        {[&](CPhysPropsGrid& g)
         {
             QTest::keyClicks(&g, QStringLiteral("SOIC8"));
             enter();
         },
         {QStringLiteral("SOIC8"), QStringLiteral("(A)")}},
        {[&](CPhysPropsGrid& g)
         {
             QTest::keyClick(&g, Qt::Key_Down);
             QTest::keyClicks(&g, QStringLiteral("(B c)"));
             enter();
         },
         {QStringLiteral("SOIC14"), QStringLiteral("(B c)")}},
        // A key that types nothing starts nothing.
        {[&](CPhysPropsGrid& g)
         {
             QTest::keyClick(&g, Qt::Key_S, Qt::ControlModifier);
             enter();
         },
         {QStringLiteral("SOIC14"), QStringLiteral("(A)")}},
    };
    for (const auto& c : cases)
    {
        qDeleteAll(values);
        values.clear();
        Add(QStringLiteral("JEDEC_TYPE"), QStringLiteral("SOIC14"));
        Add(QStringLiteral("ALT_SYMBOLS"), QStringLiteral("(A)"));
        Open();
        c.keys(Grid());
        EXPECT_EQ(pDlg->result(), QDialog::Accepted) << c.values.join(u' ').toStdString();
        EXPECT_EQ(Values(), c.values);
    }
}

TEST_F(DialogFixture, eachElementKeepsItsOwnRowWhenNamesDifferOnlyInCase)
{
    Add(QStringLiteral("JEDEC_TYPE"), QStringLiteral("upper"));
    Add(QStringLiteral("jedec_type"), QStringLiteral("lower"));
    Add(QStringLiteral("OTHER"), QStringLiteral("x"));
    Open();
    TypeInto(1, 2, QStringLiteral("edited"));
    Press("OK");
    EXPECT_EQ(Values(), (QStringList{QStringLiteral("edited"), QStringLiteral("lower"),
                                     QStringLiteral("x")}));
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
    ::testing::Values(ClearCase{0, "OK", {QString(), QStringLiteral("(A)")}},
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

// View is offered only on a row where it would open or say something; on any
// other its tooltip says why, one reason per case, and it follows the row,
// the value and the text still being typed.
TEST_F(DialogFixture, viewIsOfferedOnlyWhereItWouldOpenOrSaySomething)
{
    Add(QStringLiteral("JEDEC_TYPE"), QStringLiteral("SOIC8"));
    Add(QStringLiteral("jedec_type"), QStringLiteral(" \t"));
    Add(QStringLiteral("ALT_SYMBOLS"), QStringLiteral(" () "));
    Add(QStringLiteral("ALT_SYMBOLS"), QStringLiteral("Top:A")); // the press tells the syntax
    Add(QStringLiteral("DESCRIPTION"), QStringLiteral("SOIC8"));
    values.append(nullptr);
    Open();
    auto* pView = pDlg->findChild<QPushButton*>(QStringLiteral("btnView"));
    const auto click = [this](int nRow) { return [this, nRow] { ClickCell(&Grid(), nRow, 1); }; };
    const auto type = [this](int nRow, const char* psz)
    { return [this, nRow, psz] { TypeInto(nRow, 2, QString::fromLatin1(psz)); }; };
    const auto key = [](Qt::Key k)
    {
        return [k]
        {
            QTest::keyClick(QApplication::focusWidget(), k);
            QCoreApplication::processEvents();
        };
    };
    const struct
    {
        const char* pszWhat;
        std::function<void()> act;
        const char* pszReason; // "" when View is offered
    } steps[] = {
        {"first row at start", [] {}, ""},
        {"blank value", click(2), "empty"},
        {"no symbols", click(3), "no symbols"},
        {"malformed symbols", click(4), ""},
        {"other property", click(5), "other"},
        {"null element", click(6), "no property"},
        {"typing into the blank value", type(2, "X"), ""},
        {"escape brings the blank back", key(Qt::Key_Escape), "empty"},
        {"typing '('", type(3, "("), ""},
        {"typing ')' after it", [] { QTest::keyClicks(QApplication::focusWidget(), ")"); },
         "no symbols"},
        {"stored with Enter", key(Qt::Key_Return), "no symbols"},
        {"set to (A)", [this] { pDlg->SetSelectedValue(QStringLiteral("(A)")); }, ""},
        {"set to ()", [this] { pDlg->SetSelectedValue(QStringLiteral("()")); }, "no symbols"},
        {"first row again", click(1), ""},
        {"cleared", [this] { Press("Clear"); }, "empty"},
    };
    std::map<std::string, QString> tips;
    for (const auto& step : steps)
    {
        SCOPED_TRACE(step.pszWhat);
        step.act();
        const std::string strReason = step.pszReason;
        EXPECT_EQ(pView->isEnabled(), strReason.empty());
        if (strReason.empty())
        {
            EXPECT_EQ(pView->toolTip(), QString());
        }
        else if (auto [it, bNew] = tips.emplace(strReason, pView->toolTip()); !bNew)
        {
            EXPECT_EQ(pView->toolTip(), it->second);
        }
    }
    QSet<QString> distinct;
    for (const auto& [strReason, strTip] : tips)
        if (!strTip.isEmpty())
            distinct.insert(strTip);
    EXPECT_EQ(distinct.size(), 4);
    // To look at it: PHYSPROPS_FORM_SHOTS=folder.
    if (const QString strShots = qEnvironmentVariable("PHYSPROPS_FORM_SHOTS"); !strShots.isEmpty())
    {
        ClickCell(&Grid(), 3, 1);
        QToolTip::showText(pView->mapToGlobal(pView->rect().bottomLeft()), pView->toolTip(), pView);
        QTest::qWait(200);
        pDlg->screen()->grabWindow(0).save(strShots + QStringLiteral("/view-no-symbols.png"));
    }
}

// However long a value, it is shown as its start and written back whole (the
// grid's own test edits one).
TEST_F(DialogFixture, aLargeValueIsShownAsItsStartAndWrittenBackUnchanged)
{
    const QString strPair = QString::fromUtf8("\xF0\x9F\x98\x80");
    for (const qsizetype n : {qsizetype(1025), qsizetype(1) << 20, qsizetype(10) << 20})
    {
        SCOPED_TRACE(n);
        qDeleteAll(values);
        values.clear();
        QString strValue =
            QString(QStringLiteral("SOIC8 \u00FC\t") + strPair).repeated(int(n / 10 + 1)).left(n);
        Add(QStringLiteral("JEDEC_TYPE"), strValue);
        Add(QStringLiteral("ALT_SYMBOLS"), QStringLiteral("(") + strValue + u')');
        Open();
        const QImage shot = pDlg->grab().toImage();
        EXPECT_FALSE(shot.isNull());
        const QString strTip = Grid().model()->index(0, 1).data(Qt::ToolTipRole).toString();
        EXPECT_TRUE(strTip.endsWith(QStringLiteral(" characters in all")))
            << strTip.left(200).toStdString();
        ClickCell(&Grid(), 2, 2);
        EXPECT_TRUE(pDlg->findChild<QPushButton*>(QStringLiteral("btnView"))->isEnabled());
        Press("OK");
        EXPECT_EQ(pDlg->result(), QDialog::Accepted);
        ASSERT_EQ(values.size(), 2);
        EXPECT_TRUE(values[0]->GetValue() == strValue);
        EXPECT_TRUE(values[1]->GetValue() == u'(' + strValue + u')');
    }
}
