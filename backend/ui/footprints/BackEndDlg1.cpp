// SPDX-License-Identifier: MIT
#include "footprints/BackEndDlg1.h"
#include "footprints/FootprintListModel.h"

#include "grid/Grids.h"
#include "ui_BackEndDlg1.h"

using physprops::ui::CFootprintSelectDlg;
using physprops::ui::CServices;
using physprops::ui::CWaitCursor;

CBackEndDlg1::CBackEndDlg1(QList<CFootprintEntry*>* pFootprintList, const QString& strProjectPath,
                           QWidget* pParent)
    : CBackEndDlg1(pFootprintList, strProjectPath, CServices::Default(), pParent)
{
}

CBackEndDlg1::CBackEndDlg1(QList<CFootprintEntry*>* pFootprintList, const QString& strProjectPath,
                           const CServices& services, QWidget* pParent)
    : CFootprintSelectDlg(pFootprintList, strProjectPath, false, PROP_JEDEC_TYPE, services,
                          pParent),
      m_pUi(std::make_unique<Ui::CBackEndDlg1>())
{
    m_pUi->setupUi(this);
    AttachForm({m_pUi->edtFilter, m_pUi->grdFootprints, m_pUi->btnOK, m_pUi->btnCancel,
                m_pUi->btnViewFootprint, m_pUi->btnNewFootprint});
}

CBackEndDlg1::~CBackEndDlg1() = default;

bool CBackEndDlg1::OnInitDialog()
{
    CWaitCursor wait;
    FillGrid();
    if (!m_pSymbolGrid)
        return true;
    CSymbolGrid& grid = *m_pSymbolGrid;
    // The single choice is the current cell; no ranges.
    grid.EnableSelection(0);
    SetColumnLayout();
    grid.SetColWidth(1, 1, 100);
    grid.HideCols(2, 2);
    SetGridMinimumSize();
    ResetCurrentCell();
    // The keyboard starts in the list; text typed there still goes to the
    // filter box.
    grid.setFocus();
    return true;
}

void CBackEndDlg1::OnOK()
{
    if (m_pSymbolGrid)
        m_strSelection = m_pSymbolGrid->GetSelectedFootprint();
    CFootprintSelectDlg::OnOK();
}
