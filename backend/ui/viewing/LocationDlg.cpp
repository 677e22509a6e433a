// SPDX-License-Identifier: MIT
#include "viewing/LocationDlg.h"

#include "grid/CellModel.h"
#include "grid/Grids.h"
#include "pellium/Footprint.h"
#include "ui_LocationDlg.h"
#include "viewing/ViewFootprint.h"

#include <QHeaderView>
#include <QPushButton>

using physprops::ui::CDialogBase;
using physprops::ui::CGridStyle;
using physprops::ui::CServices;
using physprops::ui::CWaitCursor;
using physprops::ui::OpenFootprintLocation;

namespace
{
constexpr int kNameWidth = 80;
constexpr int kLocationWidth = 210;
} // namespace

CLocationDlg::CLocationDlg(const QList<CFootprintEntry*>* pFootprintList, const CServices& services,
                           QWidget* pParent)
    : CDialogBase(pParent), m_pUi(std::make_unique<Ui::CLocationDlg>()),
      m_pFootprintList(pFootprintList), m_services(services)
{
    m_pUi->setupUi(this);
    connect(m_pUi->btnOK, &QPushButton::clicked, this, &CLocationDlg::OnOK);
    connect(m_pUi->btnCancel, &QPushButton::clicked, this, &CLocationDlg::OnCancel);
    // The same as choosing the row and pressing OK; the chooser stays open.
    connect(m_pUi->grdLocations, &CLocGrid::locationDoubleClicked, this,
            [this](quint32, const QString& strLocation)
            { OpenFootprintLocation(strLocation, m_services, this); });
}

CLocationDlg::~CLocationDlg() = default;

CLocGrid* CLocationDlg::Grid() const
{
    return m_pUi->grdLocations;
}

bool CLocationDlg::OnInitDialog()
{
    CWaitCursor wait;
    CLocGrid& grid = *m_pUi->grdLocations;
    const int n = m_pFootprintList ? int(m_pFootprintList->size()) : 0;
    grid.SetRowCount(n);
    grid.SetColCount(2);
    grid.SetMinTrackColWidth(50);
    grid.SetValueRange(0, 1, tr("Footprint"));
    grid.SetValueRange(0, 2, tr("Location"));
    grid.HideCols(0, 0);
    grid.SetColWidth(1, 1, kNameWidth);
    grid.SetColWidth(2, 2, kLocationWidth);
    grid.EnableSelection(0);
    // Locations are long paths: the column takes what the dialog gains, and
    // a cut path keeps its file name in view.
    grid.horizontalHeader()->setStretchLastSection(true);
    grid.setTextElideMode(Qt::ElideMiddle);

    // Every cell is read-only, empty rows too: a location typed into the
    // chooser must not become something OK opens. A location always has the
    // whole path as its tooltip: the cut part is the middle, where the
    // folders of two hits differ, and a tip that comes and goes with the
    // column width would leave the user guessing whether the path is whole.
    const CGridStyle readOnly{true, {}};
    const CGridStyle location{true, true};
    for (int i = 1; i <= n; ++i)
    {
        if (const CFootprintEntry* pEntry = m_pFootprintList->at(i - 1))
        {
            grid.SetValueRange(quint32(i), 1, pEntry->GetName());
            grid.SetValueRange(quint32(i), 2, pEntry->GetLocation());
        }
        grid.SetStyleRange(quint32(i), 1, readOnly);
        grid.SetStyleRange(quint32(i), 2, location);
    }
    grid.SetCurrentCell(1, 1);
    grid.setFocus();
    return true;
}

void CLocationDlg::OnOK()
{
    // Opens without closing: the user may open several locations in turn.
    OpenFootprintLocation(m_pUi->grdLocations->GetSelectedLocation(), m_services, this);
}
