// SPDX-License-Identifier: MIT
#include "physprops/PhysPropsDlg.h"
#include "common/Texts.h"
#include "grid/CellModel.h"
#include "grid/Grids.h"
#include "physprops/FootprintBrowser.h"
#include "project/SpiProject.h"
#include "properties/AltSymbols.h"
#include "properties/PropertyKind.h"
#include "properties/Value.h"
#include "ui_PhysPropsDlg.h"
#include "viewing/Launchers.h"
#include "viewing/ViewDecision.h"
#include "viewing/ViewFootprint.h"

#include <QHeaderView>
#include <QPushButton>
#include <QScopeGuard>

using physprops::ui::CDialogBase;
using physprops::ui::CFootprintBrowser;
using physprops::ui::CFootprintViewer;
using physprops::ui::CGridBase;
using physprops::ui::CGridStyle;
using physprops::ui::CLaunchers;
using physprops::ui::CServices;
using physprops::ui::CTexts;
using physprops::ui::CWaitCursor;

using physprops::core::EAltSymbolsFault;
using physprops::core::EViewBlock;
using physprops::core::PropertyKind;
using physprops::core::ViewBlockOf;

namespace
{
constexpr int kColWidth = 114;
}

CPhysPropsDlg::CPhysPropsDlg(CPropertyArray* pValues, CSpiProject* pProject, QWidget* pParent)
    : CPhysPropsDlg(pValues, pProject, CServices::Default(), pParent)
{
}

CPhysPropsDlg::CPhysPropsDlg(CPropertyArray* pValues, CSpiProject* pProject,
                             const CServices& services, QWidget* pParent)
    : CDialogBase(pParent), m_pUi(std::make_unique<Ui::CPhysPropsDlg>()), m_pValues(pValues),
      m_pProject(pProject), m_services(services)
{
    m_pUi->setupUi(this);
    connect(m_pUi->btnBrowse, &QPushButton::clicked, this, &CPhysPropsDlg::OnBrowse);
    connect(m_pUi->btnView, &QPushButton::clicked, this, &CPhysPropsDlg::OnView);
    connect(m_pUi->btnClear, &QPushButton::clicked, this, &CPhysPropsDlg::OnClear);
    connect(m_pUi->btnEditorSetup, &QPushButton::clicked, this, &CPhysPropsDlg::OnEditorSetup);
    connect(m_pUi->btnOK, &QPushButton::clicked, this, &CPhysPropsDlg::OnOK);
    connect(m_pUi->btnCancel, &QPushButton::clicked, this, &CPhysPropsDlg::OnCancel);

    // The row, its value, or the text being typed into it may change what View can do.
    CPhysPropsGrid* pGrid = m_pUi->grdProperties;
    const auto update = [this] { UpdateViewButton(); };
    connect(pGrid->model(), &QAbstractItemModel::dataChanged, this, update);
    connect(pGrid->model(), &QAbstractItemModel::modelReset, this, update);
    connect(pGrid->model(), &QAbstractItemModel::layoutChanged, this, update);
    connect(pGrid->selectionModel(), &QItemSelectionModel::currentChanged, this, update);
    connect(pGrid, &CGridBase::editTextChanged, this, update);
    connect(pGrid->itemDelegate(), &QAbstractItemDelegate::closeEditor, this, update);
    UpdateViewButton();
}

CPhysPropsDlg::~CPhysPropsDlg() = default;

CPhysPropsGrid* CPhysPropsDlg::Grid() const
{
    return m_pUi->grdProperties;
}

QString CPhysPropsDlg::ProjectPath() const
{
    return m_pProject ? m_pProject->GetProjectPath() : QString();
}

bool CPhysPropsDlg::OnInitDialog()
{
    CWaitCursor wait;
    if (!m_pValues)
        return true;

    CPhysPropsGrid& grid = *m_pUi->grdProperties;
    grid.EnableSelection(0);
    const int n = int(std::max<qsizetype>(0, m_pValues->size()));
    grid.SetRowCount(n);
    grid.SetColCount(2);
    grid.SetMinTrackColWidth(50);
    grid.SetValueRange(0, 1, tr("Property"));
    grid.SetValueRange(0, 2, tr("Value"));
    grid.HideCols(0, 0);
    grid.SetColWidth(1, 2, kColWidth);
    grid.EnableMoveCols(false);
    // Widths are the starting layout; the value column takes what the dialog gains.
    grid.horizontalHeader()->setStretchLastSection(true);

    const CGridStyle nameStyle{true, {}};
    for (int i = 0; i < n; ++i)
    {
        const CProperty* pProp = m_pValues->at(i);
        if (!pProp)
            continue;
        grid.SetValueRange(quint32(i + 1), 1, pProp->GetName());
        grid.SetStyleRange(quint32(i + 1), 1, nameStyle);
        grid.SetValueRange(quint32(i + 1), 2, pProp->GetValue());
    }
    grid.SetCurrentCell(1, 1);
    grid.setFocus();
    UpdateViewButton();
    return true;
}

void CPhysPropsDlg::OnOK()
{
    CPhysPropsGrid& grid = *m_pUi->grdProperties;
    if (m_pValues)
    {
        grid.CommitPendingEdit();
        // Each element takes the value of its own row, so two properties whose
        // names differ only in case keep their own values.
        const qsizetype n = m_pValues->size();
        for (qsizetype i = 0; i < n; ++i)
        {
            CProperty* pProp = m_pValues->at(i);
            if (pProp)
                pProp->SetValue(grid.GetValueRowCol(quint32(i + 1), 2));
        }
    }
    CDialogBase::OnOK();
}

void CPhysPropsDlg::UpdateViewButton()
{
    const CPhysPropsGrid& grid = *m_pUi->grdProperties;
    const quint32 nRow = grid.m_nSelRow;
    const QString strValue = grid.GetEditText(nRow, 2).value_or(grid.GetSelectedValue());
    const EViewBlock nBlock = ViewBlockOf(grid.GetSelectedProperty(), strValue);
    m_pUi->btnView->setEnabled(nBlock == EViewBlock::kCanView);
    m_pUi->btnView->setToolTip(CTexts::ViewBlocked(nBlock));
}

void CPhysPropsDlg::OnClear()
{
    CPhysPropsGrid& grid = *m_pUi->grdProperties;
    grid.CommitPendingEdit();
    grid.SetValueRange(grid.m_nSelRow, 2, QString());
}

void CPhysPropsDlg::OnBrowse()
{
    CPhysPropsGrid& grid = *m_pUi->grdProperties;
    // A value still being typed is part of the row the user browses for.
    grid.CommitPendingEdit();
    const QString strProperty = grid.GetSelectedProperty();
    if (strProperty.isEmpty())
        return;
    SetSelectedValue(CFootprintBrowser(m_services)
                         .BrowseFootprints(PropertyKind(strProperty), ProjectPath(), this));
}

void CPhysPropsDlg::OnView()
{
    CPhysPropsGrid& grid = *m_pUi->grdProperties;
    // An edit still open in the Value cell is what the user means to view.
    grid.CommitPendingEdit();
    const PROPERTY_NAMES nKind = PropertyKind(grid.GetSelectedProperty());
    const QString strValue = grid.GetSelectedValue().trimmed();
    if (strValue.isEmpty() || nKind == PROP_OTHER)
        return;
    if (nKind == PROP_JEDEC_TYPE)
    {
        CFootprintViewer(m_services).ViewFootprintDrawing({strValue}, ProjectPath(), nKind);
        return;
    }

    QList<CValue*> names;
    const auto freeNames = qScopeGuard(
        [&names]
        {
            qDeleteAll(names);
            names.clear();
        });
    if (SplitAltSymbols(strValue, &names, m_services) == 0 || names.isEmpty())
        return;
    QStringList footprints;
    for (const CValue* p : names)
        if (p)
            footprints.append(p->GetValue());
    CFootprintViewer(m_services).ViewFootprintDrawing(footprints, ProjectPath(), nKind);
}

void CPhysPropsDlg::OnEditorSetup()
{
    // Without a project the setup editor still opens, on no project file,
    // so the user can choose one there.
    CLaunchers(m_services).OpenSetupEditor(ProjectPath());
}

void CPhysPropsDlg::SetSelectedValue(const QString& strText)
{
    CPhysPropsGrid& grid = *m_pUi->grdProperties;
    if (!strText.isEmpty())
        grid.SetValueRange(grid.m_nSelRow, 2, strText);
}

QString CPhysPropsDlg::GetPropertyValue(const QString& strName) const
{
    const CPhysPropsGrid& grid = *m_pUi->grdProperties;
    QString strValue;
    const int nRows = grid.model()->rowCount();
    for (int r = 1; r <= nRows; ++r)
        if (grid.GetValueRowCol(quint32(r), 1).compare(strName, Qt::CaseInsensitive) == 0)
            strValue = grid.GetValueRowCol(quint32(r), 2);
    return strValue;
}

int CPhysPropsDlg::SplitAltSymbols(const QString& strValue, QList<CValue*>* pNames)
{
    return SplitAltSymbols(strValue, pNames, CServices::Default());
}

int CPhysPropsDlg::SplitAltSymbols(const QString& strValue, QList<CValue*>* pNames,
                                   const CServices& services)
{
    const EAltSymbolsFault eFault = physprops::core::SplitAltSymbols(strValue, pNames);
    if (eFault == EAltSymbolsFault::kMalformed)
        services.MessageBox(CTexts::AltSymbolsSyntax());
    return eFault == EAltSymbolsFault::kNone ? 1 : 0;
}

int CPhysPropsDlg::IsNewSymbol(const QList<CValue*>* pNames, const QString& strName)
{
    return ::IsNewSymbol(pNames, strName);
}
