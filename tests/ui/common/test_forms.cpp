// SPDX-License-Identifier: MIT
#include "FootprintFixtures.h"
#include "Languages.h"
#include "footprints/BackEndDlg1.h"
#include "footprints/BackEndDlg2.h"
#include "grid/GridAccessible.h"
#include "grid/Grids.h"
#include "physprops/PhysPropsDlg.h"
#include "viewing/LocationDlg.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

using physprops::ui::CDialogBase;
using physprops::ui::CServices;

// Every form in every language and with a large font: unique mnemonics,
// accessible names, Tab reaching every button, texts that fit, and grids
// whose cells an assistive tool can read.
namespace
{
struct Shown
{
    std::unique_ptr<CDialogBase> pDlg;
    QWidget* pInitialFocus = nullptr;
};

struct Form
{
    const char* pszName;
    std::function<Shown()> fnShow;
};

// The data the dialogs borrow, alive while they are shown.
struct Data
{
    Data()
    {
        for (const auto& [n, v] : {std::pair{"JEDEC_TYPE", "SOIC14"},
                                   {"ALT_SYMBOLS", "(Top:SOIC14;DIP8)"},
                                   {"DESCRIPTION", "14-pin small outline"}})
            values.append(new CProperty(QString::fromLatin1(n), QString::fromLatin1(v)));
        footprints.Add(QStringLiteral("SOIC14"), QStringLiteral("/lib/smd/SOIC14.dra"));
        footprints.Add(QStringLiteral("SOIC8"), QStringLiteral("/lib/tht/SOIC8.dra"));
    }
    ~Data() { qDeleteAll(values); }
    CPropertyArray values;
    FootprintList footprints;
};

template <class TDialog> Shown Show(std::unique_ptr<TDialog> pDlg, QWidget* pInitialFocus)
{
    EXPECT_TRUE(pDlg->InitDialog());
    pDlg->show();
    pDlg->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(pDlg.get()));
    return {std::move(pDlg), pInitialFocus};
}

std::vector<Form> Forms(Data& data)
{
    return {
        {"Physical Properties",
         [&]
         {
             auto p = std::make_unique<CPhysPropsDlg>(&data.values, nullptr);
             QWidget* pGrid = p->Grid();
             return Show(std::move(p), pGrid);
         }},
        {"Footprints (one)",
         [&]
         {
             auto p = std::make_unique<CBackEndDlg1>(&data.footprints.list, QString());
             QWidget* pGrid = p->Grid();
             return Show(std::move(p), pGrid);
         }},
        {"Footprints (several)",
         [&]
         {
             auto p = std::make_unique<CBackEndDlg2>(&data.footprints.list, QString());
             QWidget* pGrid = p->Grid();
             return Show(std::move(p), pGrid);
         }},
        {"Location",
         [&]
         {
             auto p = std::make_unique<CLocationDlg>(&data.footprints.list, CServices::Default());
             QWidget* pGrid = p->Grid();
             return Show(std::move(p), pGrid);
         }},
    };
}

QString Mnemonic(const QString& strText)
{
    for (qsizetype i = 0; i + 1 < strText.size(); ++i)
    {
        if (strText[i] != u'&')
            continue;
        if (strText[i + 1] != u'&')
            return strText[i + 1].toLower();
        ++i;
    }
    return {};
}

QString Plain(QString strText)
{
    return strText.remove(u'&');
}

void ExpectForm(const char* pszForm, const Shown& shown, const std::string& where)
{
    QWidget& dlg = *shown.pDlg;
    // To look at them: PHYSPROPS_FORM_SHOTS=folder (and QT_SCALE_FACTOR=2, say).
    if (const QString strShots = qEnvironmentVariable("PHYSPROPS_FORM_SHOTS"); !strShots.isEmpty())
        dlg.grab().save(strShots + u'/' +
                        QString::fromStdString(where).remove(
                            QRegularExpression(QStringLiteral("[^A-Za-z0-9]+"))) +
                        QStringLiteral(".png"));
    EXPECT_EQ(QApplication::focusWidget(), shown.pInitialFocus) << where << " initial focus";

    QHash<QString, QString> mnemonics;
    const auto takeMnemonic = [&](const QString& strText)
    {
        const QString strKey = Mnemonic(strText);
        if (strKey.isEmpty())
            return;
        EXPECT_FALSE(mnemonics.contains(strKey))
            << where << ": '" << strKey.toStdString() << "' in \"" << strText.toStdString()
            << "\" and \"" << mnemonics.value(strKey).toStdString() << '"';
        mnemonics.insert(strKey, strText);
    };
    for (const QLabel* pLabel : dlg.findChildren<QLabel*>())
    {
        if (!pLabel->isVisible())
            continue;
        if (pLabel->buddy())
            takeMnemonic(pLabel->text());
        EXPECT_GE(pLabel->contentsRect().width(),
                  pLabel->fontMetrics().horizontalAdvance(Plain(pLabel->text())))
            << where << " label " << pLabel->text().toStdString();
    }
    for (const QGroupBox* pBox : dlg.findChildren<QGroupBox*>())
        EXPECT_GE(pBox->width(), pBox->fontMetrics().horizontalAdvance(pBox->title())) << where;

    QList<QAbstractButton*> buttons;
    for (QAbstractButton* pButton : dlg.findChildren<QAbstractButton*>())
    {
        if (!pButton->isVisible() || !qobject_cast<QPushButton*>(pButton))
            continue;
        buttons.append(pButton);
        takeMnemonic(pButton->text());
        EXPECT_GE(pButton->width(),
                  pButton->fontMetrics().horizontalAdvance(Plain(pButton->text())))
            << where << " button " << pButton->text().toStdString();
    }

    // Every control says what it is; those whose purpose is not in their text say more.
    for (QWidget* pWidget : dlg.findChildren<QWidget*>())
    {
        const bool bControl = qobject_cast<QAbstractButton*>(pWidget) ||
                              qobject_cast<QLineEdit*>(pWidget) ||
                              qobject_cast<QTableView*>(pWidget);
        if (!bControl || !pWidget->isVisible() ||
            pWidget->parentWidget()->inherits("QAbstractSpinBox"))
            continue;
        QAccessibleInterface* pFace = QAccessible::queryAccessibleInterface(pWidget);
        ASSERT_NE(pFace, nullptr) << where;
        EXPECT_FALSE(pFace->text(QAccessible::Name).isEmpty())
            << where << " " << pWidget->objectName().toStdString();
        if (!qobject_cast<QAbstractButton*>(pWidget))
        {
            EXPECT_FALSE(pFace->text(QAccessible::Description).isEmpty())
                << where << " " << pWidget->objectName().toStdString();
        }
    }

    // Tab goes round every button and comes back; the grid's columns fit their headers.
    QSet<QWidget*> reached;
    QWidget* pStart = QApplication::focusWidget();
    for (int i = 0; i < 20 && QApplication::focusWidget(); ++i)
    {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        reached.insert(QApplication::focusWidget());
        if (QApplication::focusWidget() == pStart)
            break;
    }
    EXPECT_EQ(QApplication::focusWidget(), pStart) << where << ": Tab does not come round";
    for (QAbstractButton* pButton : buttons)
        EXPECT_TRUE(reached.contains(pButton))
            << where << ": Tab misses " << pButton->text().toStdString();

    const auto* pGrid = dlg.findChild<QTableView*>();
    ASSERT_NE(pGrid, nullptr) << pszForm;
    for (int c = 0; c < pGrid->model()->columnCount(); ++c)
    {
        if (!pGrid->isColumnHidden(c))
        {
            EXPECT_GE(pGrid->columnWidth(c),
                      pGrid->horizontalHeader()->fontMetrics().horizontalAdvance(
                          pGrid->model()->headerData(c, Qt::Horizontal).toString()))
                << where << " column " << c;
        }
    }
}
} // namespace

TEST(Forms, haveUniqueMnemonicsNamesTabStopsAndRoomForTheirTextsInEveryLanguageAndFont)
{
    const QFont defaultFont = QApplication::font();
    QFont large = defaultFont;
    large.setPointSize(16);
    for (const QString& strLanguage : QStringList{QStringLiteral("en")} + CatalogueLanguages())
    {
        const std::string language = strLanguage.toStdString();
        const char* pszLanguage = language.c_str();
        for (const QFont& font : {defaultFont, large})
        {
            const CLanguage language{QString::fromLatin1(pszLanguage)};
            QApplication::setFont(font);
            Data data;
            for (const Form& form : Forms(data))
            {
                const Shown shown = form.fnShow();
                ExpectForm(form.pszName, shown,
                           std::string(form.pszName) + " [" + pszLanguage + ", " +
                               std::to_string(font.pointSize()) + " pt]");
            }
        }
    }
    QApplication::setFont(defaultFont);
}

TEST(Forms, gridsGiveAssistiveToolsEveryHeaderAndCell)
{
    Data data;
    for (const Form& form : Forms(data))
    {
        const Shown shown = form.fnShow();
        auto* pGrid = shown.pDlg->findChild<QTableView*>();
        QAccessibleInterface* pFace = QAccessible::queryAccessibleInterface(pGrid);
        ASSERT_NE(pFace, nullptr);
        EXPECT_EQ(pFace->role(), QAccessible::Table) << form.pszName;
        QAccessibleTableInterface* pTable = pFace->tableInterface();
        ASSERT_NE(pTable, nullptr) << form.pszName;
        const QAbstractItemModel& model = *pGrid->model();
        ASSERT_EQ(pTable->rowCount(), model.rowCount()) << form.pszName;
        for (int r = 0; r < model.rowCount(); ++r)
            for (int c = 0; c < model.columnCount(); ++c)
            {
                if (pGrid->isColumnHidden(c))
                    continue;
                QAccessibleInterface* pCell = pTable->cellAt(r, c);
                ASSERT_NE(pCell, nullptr) << form.pszName << " " << r << "," << c;
                // An empty cell reads as "empty", not as nothing.
                const QString strText = model.index(r, c).data().toString();
                EXPECT_EQ(pCell->text(QAccessible::Name),
                          strText.isEmpty() ? physprops::ui::CGridSpeech::Empty() : strText)
                    << form.pszName << " " << r << "," << c;
                const QList<QAccessibleInterface*> headers =
                    pCell->tableCellInterface()->columnHeaderCells();
                ASSERT_EQ(headers.size(), 1) << form.pszName << " column " << c;
                EXPECT_EQ(headers.front()->text(QAccessible::Name),
                          model.headerData(c, Qt::Horizontal).toString())
                    << form.pszName << " column " << c;
                // The grid keeps its header cells, as it keeps the others.
            }
    }
}
