// SPDX-License-Identifier: MIT
#pragma once

#include "FootprintFixtures.h"
#include "TestSupport.h"

#include "footprints/BackEndDlg1.h"
#include "footprints/BackEndDlg2.h"
#include "footprints/FootprintListModel.h"
#include "grid/Grids.h"

#include <QAbstractButton>
#include <QAbstractItemModelTester>
#include <QHeaderView>
#include <QImage>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using physprops::ui::CFootprintListModel;
using physprops::ui::CServices;

struct ViewCall
{
    QStringList names;
    QString strProjectPath;
    PROPERTY_NAMES nKind;
};

// A dialog shown without a modal loop, set up as DoModal would, with the
// viewing flow and the new-drawing launcher recorded.
template <class TDialog> struct Shown
{
    explicit Shown(FootprintList& footprints, const CServices& services = CServices::Default())
        : dlg(&footprints.list, QStringLiteral("/proj/a.ini"), services)
    {
        dlg.SetFootprintViewer(
            [this](const QStringList& names, const QString& strPath, PROPERTY_NAMES nKind) {
                views.push_back({names, strPath, nKind});
            });
        dlg.SetNewDrawingStarter([this] { return ++nNewDrawings, 1; });
        EXPECT_TRUE(dlg.InitDialog());
        dlg.show();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&dlg));
        tester = std::make_unique<QAbstractItemModelTester>(
            dlg.Model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    }
    CSymbolGrid& Grid() { return *dlg.Grid(); }
    QLineEdit& FilterBox()
    {
        return *dlg.template findChild<QLineEdit*>(QStringLiteral("edtFilter"));
    }
    void Type(const QString& strText) { FilterBox().setText(strText); }
    void Press(const char* pszButton)
    {
        testsupport::FindButton(&dlg, QString::fromUtf8(pszButton))->click();
    }
    QStringList Names()
    {
        QStringList names;
        for (int r = 1; r <= Grid().model()->rowCount(); ++r)
            names.append(Grid().GetValueRowCol(quint32(r), 1));
        return names;
    }
    void SelectRows(const std::vector<int>& rows)
    {
        for (std::size_t i = 0; i < rows.size(); ++i)
            testsupport::ClickCell(&Grid(), rows[i], 1,
                                   i == 0 ? Qt::NoModifier : Qt::ControlModifier);
    }
    void SetSide(int nRow, const char* pszSide)
    {
        EXPECT_TRUE(dlg.Model()->setData(dlg.Model()->index(nRow - 1, CFootprintListModel::ColType),
                                         QString::fromUtf8(pszSide)));
    }
    bool Accepted() const { return !dlg.isVisible() && dlg.result() == QDialog::Accepted; }

    TDialog dlg;
    std::vector<ViewCall> views;
    int nNewDrawings = 0;
    std::unique_ptr<QAbstractItemModelTester> tester;
};

inline QStringList L(std::initializer_list<const char*> texts)
{
    QStringList list;
    for (const char* psz : texts)
        list.append(QString::fromUtf8(psz));
    return list;
}

inline FootprintList Sample()
{
    return {QStringLiteral("SOIC8"), QStringLiteral("soic14"), QStringLiteral("SO8W"),
            QStringLiteral("QFP44"), QStringLiteral("LQFP48"), QStringLiteral("TQFP100"),
            QStringLiteral("R0603")};
}

inline void DoubleClickHeader(CSymbolGrid& grid, int nCol)
{
    QHeaderView* pHeader = grid.horizontalHeader();
    const QPoint pt(pHeader->sectionViewportPosition(nCol - 1) + pHeader->sectionSize(nCol - 1) / 2,
                    pHeader->height() / 2);
    QTest::mouseDClick(pHeader->viewport(), Qt::LeftButton, {}, pt);
}

// The header's sort indicator: "" when hidden, else the column (from 1)
// and '+' ascending or '-' descending.
inline std::string SortIndicator(CSymbolGrid& grid)
{
    const QHeaderView* pHeader = grid.horizontalHeader();
    if (!pHeader->isSortIndicatorShown())
        return {};
    return std::to_string(pHeader->sortIndicatorSection() + 1) +
           (pHeader->sortIndicatorOrder() == Qt::AscendingOrder ? "+" : "-");
}

// Pixels of a widget's grab in the given colour, or (bOther) in any other
// colour than that one, within area (the whole widget when empty).
inline int CountPixels(QWidget* pWidget, const QColor& colour, bool bOther, QRect area = {})
{
    const QImage image = pWidget->grab().toImage();
    if (area.isEmpty())
        area = image.rect();
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            n += (image.pixelColor(x, y).rgb() == colour.rgb()) != bOther;
    return n;
}
