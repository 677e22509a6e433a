#include "physprops/PhysPropsDlg.h"
#include "grid/CellModel.h"
#include "grid/Grids.h"
#include "project/SpiProject.h"
#include "ui_PhysPropsDlg.h"

#include <QHeaderView>
#include <QLayout>
#include <QPushButton>

namespace
{
constexpr int kColWidth = 114;
}

CPhysPropsDlg::CPhysPropsDlg(CPropertyArray* pValues, CSpiProject* pProject, QWidget* pParent)
    : CDialogBase(pParent), m_pUi(std::make_unique<Ui::CPhysPropsDlg>()),
      m_pPropsGrid(new CPhysPropsGrid), m_pValues(pValues), m_pProject(pProject)
{
    m_pUi->setupUi(this);
    ConnectHandlers();
}

CPhysPropsDlg::~CPhysPropsDlg()
{
    delete m_pPropsGrid;
}

void CPhysPropsDlg::ConnectHandlers()
{
    connect(m_pUi->btnBrowse, &QPushButton::clicked, this, &CPhysPropsDlg::OnBrowse);
    connect(m_pUi->btnView, &QPushButton::clicked, this, &CPhysPropsDlg::OnView);
    connect(m_pUi->btnClear, &QPushButton::clicked, this, &CPhysPropsDlg::OnClear);
    connect(m_pUi->btnEditorSetup, &QPushButton::clicked, this, &CPhysPropsDlg::OnEditorSetup);
    connect(m_pUi->btnOK, &QPushButton::clicked, this, &CPhysPropsDlg::OnOK);
    connect(m_pUi->btnCancel, &QPushButton::clicked, this, &CPhysPropsDlg::OnCancel);
}

QString CPhysPropsDlg::ProjectPath() const
{
    return m_pProject ? m_pProject->GetProjectPath() : QString();
}

bool CPhysPropsDlg::OnInitDialog()
{
    CWaitCursor wait;
    // The grid takes the placeholder's place in the form.
    if (m_pPropsGrid)
    {
        m_pPropsGrid->setSizePolicy(m_pUi->gridPlaceholder->sizePolicy());
        m_pPropsGrid->setAccessibleName(m_pUi->gridPlaceholder->accessibleName());
        delete m_pUi->layValues->replaceWidget(m_pUi->gridPlaceholder, m_pPropsGrid);
        m_pUi->gridPlaceholder->hide();
        setTabOrder(m_pPropsGrid, m_pUi->btnBrowse);
    }
    if (!m_pPropsGrid || !m_pValues)
        return true;

    CPhysPropsGrid& grid = *m_pPropsGrid;
    grid.EnableSelection(0);
    const int n = std::max<qsizetype>(0, m_pValues->size());
    grid.SetRowCount(n);
    grid.SetColCount(2);
    grid.SetMinTrackColWidth(50);
    grid.SetValueRange(0, 1, QStringLiteral("Property"));
    grid.SetValueRange(0, 2, QStringLiteral("Value"));
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
    return true;
}

void CPhysPropsDlg::OnOK()
{
    if (m_pPropsGrid && m_pValues)
    {
        m_pPropsGrid->CommitPendingEdit();
        // Each element takes the value of its own row, so two properties whose
        // names differ only in case keep their own values.
        const qsizetype n = m_pValues->size();
        for (qsizetype i = 0; i < n; ++i)
        {
            CProperty* pProp = m_pValues->at(i);
            if (pProp)
                pProp->SetValue(m_pPropsGrid->GetValueRowCol(quint32(i + 1), 2));
        }
    }
    CDialogBase::OnOK();
}

void CPhysPropsDlg::OnClear()
{
    if (m_pPropsGrid)
    {
        m_pPropsGrid->CommitPendingEdit();
        m_pPropsGrid->SetValueRange(m_pPropsGrid->m_nSelRow, 2, QString());
    }
}

void CPhysPropsDlg::SetSelectedValue(const QString& strText)
{
    if (m_pPropsGrid && !strText.isEmpty())
        m_pPropsGrid->SetValueRange(m_pPropsGrid->m_nSelRow, 2, strText);
}

QString CPhysPropsDlg::GetPropertyValue(const QString& strName) const
{
    if (!m_pPropsGrid)
        return {};
    QString strValue;
    const int nRows = m_pPropsGrid->model()->rowCount();
    for (int r = 1; r <= nRows; ++r)
        if (m_pPropsGrid->GetValueRowCol(quint32(r), 1).compare(strName, Qt::CaseInsensitive) == 0)
            strValue = m_pPropsGrid->GetValueRowCol(quint32(r), 2);
    return strValue;
}
