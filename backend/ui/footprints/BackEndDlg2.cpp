// SPDX-License-Identifier: MIT
#include "footprints/BackEndDlg2.h"
#include "footprints/FootprintListModel.h"
#include "properties/SideList.h"

#include "common/Texts.h"
#include "grid/Grids.h"
#include "ui_BackEndDlg2.h"

#include <QScopeGuard>

using physprops::ui::CFootprintSelectDlg;
using physprops::ui::CServices;
using physprops::ui::CTexts;
using physprops::ui::CWaitCursor;

using physprops::core::UnwritableSideNames;

CBackEndDlg2::CBackEndDlg2(QList<CFootprintEntry*>* pFootprintList, const QString& strProjectPath,
                           QWidget* pParent)
    : CBackEndDlg2(pFootprintList, strProjectPath, CServices::Default(), pParent)
{
}

CBackEndDlg2::CBackEndDlg2(QList<CFootprintEntry*>* pFootprintList, const QString& strProjectPath,
                           const CServices& services, QWidget* pParent)
    : CFootprintSelectDlg(pFootprintList, strProjectPath, true, PROP_ALT_SYMBOLS, services,
                          pParent),
      m_pUi(std::make_unique<Ui::CBackEndDlg2>())
{
    m_pUi->setupUi(this);
    AttachForm({m_pUi->edtFilter, m_pUi->grdFootprints, m_pUi->btnOK, m_pUi->btnCancel,
                m_pUi->btnViewFootprint, m_pUi->btnNewFootprint});
}

CBackEndDlg2::~CBackEndDlg2() = default;

QString CBackEndDlg2::BuildSideList(const QString& strSide, const QList<CPair*>& records)
{
    return ::BuildSideList(strSide, records);
}

QString CBackEndDlg2::ComposeSelection(const QList<CPair*>& records)
{
    return ::ComposeSelection(records);
}

bool CBackEndDlg2::OnInitDialog()
{
    CWaitCursor wait;
    FillGrid();
    if (!m_pSymbolGrid)
        return true;
    CSymbolGrid& grid = *m_pSymbolGrid;
    // Several whole rows at a time.
    grid.EnableSelection(249);
    SetColumnLayout();
    grid.HideCols(2, 2);
    grid.SetColWidth(1, 3, 95);
    SetGridMinimumSize();
    ResetCurrentCell();
    // The keyboard starts in the list; text typed there still goes to the
    // filter box.
    grid.setFocus();
    return true;
}

void CBackEndDlg2::OnOK()
{
    if (!m_pSymbolGrid)
        return CFootprintSelectDlg::OnOK();
    // A side still open in its drop-down counts as chosen.
    m_pSymbolGrid->CommitPendingEdit();
    QList<CPair*> records;
    const auto freeRecords = qScopeGuard([&records] { qDeleteAll(records); });
    const QList<quint32> rows = m_pSymbolGrid->GetSelectedRows();
    records.reserve(rows.size());
    for (const quint32 nRow : rows)
        records.append(new CPair(m_pSymbolGrid->GetValueRowCol(nRow, 1),
                                 m_pSymbolGrid->GetValueRowCol(nRow, 3)));
    // Such names would be read back as other footprints: the user changes the
    // selection instead of getting a value that says something else.
    const QStringList unwritable = UnwritableSideNames(records);
    if (!unwritable.isEmpty())
    {
        m_services.MessageBox(CTexts::UnwritableSelection(unwritable));
        return;
    }
    m_strSelection = ComposeSelection(records);
    CFootprintSelectDlg::OnOK();
}
