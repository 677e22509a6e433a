// SPDX-License-Identifier: MIT
#include "footprints/FootprintSelectDlg.h"
#include "footprints/FootprintListModel.h"

#include "grid/Grids.h"
#include "viewing/Launchers.h"
#include "viewing/ViewFootprint.h"

#include "common/Texts.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>

#include <memory>

namespace physprops::ui
{
namespace
{
bool IsMatchAll(const QString& strFilter)
{
    return strFilter.isEmpty() || strFilter == u"*";
}
} // namespace

CFootprintSelectDlg::CFootprintSelectDlg(QList<CFootprintEntry*>* pFootprintList,
                                         const QString& strProjectPath, bool bWithSides,
                                         PROPERTY_NAMES nViewKind, const CServices& services,
                                         QWidget* pParent)
    : CDialogBase(pParent), m_pFootprintList(pFootprintList), m_strFilter(QStringLiteral("*")),
      m_strProjectPath(strProjectPath), m_pModel(new CFootprintListModel(bWithSides, this)),
      m_services(services), m_nViewKind(nViewKind),
      m_viewFootprint(
          [this](const QStringList& names, const QString& strPath, PROPERTY_NAMES nKind)
          { CFootprintViewer(m_services).ViewFootprintDrawing(names, strPath, nKind); }),
      m_newDrawing([this] { return CLaunchers(m_services).NewFootprintDrawing(); })
{
}

CFootprintSelectDlg::~CFootprintSelectDlg()
{
    // The grid goes before the model it shows.
    delete m_pSymbolGrid;
}

void CFootprintSelectDlg::AttachForm(const Form& form)
{
    m_form = form;
    m_pSymbolGrid = form.pGrid;
    connect(m_form.pOK, &QPushButton::clicked, this, [this] { OnOK(); });
    connect(m_form.pCancel, &QPushButton::clicked, this, [this] { OnCancel(); });
    connect(m_form.pViewFootprint, &QPushButton::clicked, this,
            &CFootprintSelectDlg::OnViewFootprint);
    connect(m_form.pNewFootprint, &QPushButton::clicked, this,
            &CFootprintSelectDlg::OnNewFootprint);
    connect(m_form.pFilter, &QLineEdit::textChanged, this, &CFootprintSelectDlg::OnChangeFilter);
    m_form.pFilter->installEventFilter(this);
    m_pSymbolGrid->installEventFilter(this);
}

void CFootprintSelectDlg::SetSearchReport(const CSearchReport& report)
{
    const QString strNote = CTexts::SearchNote(report);
    // Details names every folder; the tooltip only the first ones.
    m_strSearchDetails = CTexts::Skipped(report, true).trimmed();
    const QString strToolTip = CTexts::Skipped(report).trimmed();
    if (!m_pSearchNote)
    {
        if (strNote.isEmpty())
            return;
        auto* pLayout = qobject_cast<QGridLayout*>(layout());
        if (!pLayout)
            return;
        auto* pRow = new QHBoxLayout;
        m_pSearchNote = new QLabel(this);
        m_pSearchNote->setObjectName(QStringLiteral("lblSearchNote"));
        m_pSearchNote->setWordWrap(true);
        m_pSearchDetails = new QPushButton(tr("&Details..."), this);
        m_pSearchDetails->setObjectName(QStringLiteral("btnSearchDetails"));
        m_pSearchDetails->setAutoDefault(false);
        m_pSearchDetails->setFocusPolicy(Qt::TabFocus);
        m_pSearchDetails->setAccessibleDescription(
            tr("Names the search folders that were skipped and why"));
        connect(m_pSearchDetails, &QPushButton::clicked, this,
                [this] { m_services.MessageBox(m_strSearchDetails); });
        pRow->addWidget(m_pSearchNote, 1);
        pRow->addWidget(m_pSearchDetails, 0, Qt::AlignTop);
        pLayout->addLayout(pRow, pLayout->rowCount(), 0, 1, pLayout->columnCount());
    }
    m_pSearchNote->setText(strNote);
    m_pSearchNote->setToolTip(strToolTip);
    m_pSearchNote->setVisible(!strNote.isEmpty());
    m_pSearchDetails->setVisible(!strNote.isEmpty());
}

void CFootprintSelectDlg::FillGrid()
{
    // The box shows "*" from the start; selected, so the first key replaces it.
    m_form.pFilter->setText(m_strFilter);
    m_form.pFilter->selectAll();
    if (!m_pSymbolGrid)
        return;
    m_pSymbolGrid->setModel(m_pModel);
    m_pModel->SetEntries(m_pFootprintList);
    m_pSymbolGrid->SetSortRowsOnDblClk(true);
}

void CFootprintSelectDlg::SetColumnLayout()
{
    CSymbolGrid& grid = *m_pSymbolGrid;
    grid.SetMinTrackColWidth(50);
    grid.HideCols(0, 0);
    grid.EnableMoveCols(false);
    // Real footprint names are long: the name column takes what the dialog
    // gains when the user widens it.
    grid.horizontalHeader()->setSectionResizeMode(CFootprintListModel::ColName,
                                                  QHeaderView::Stretch);
    // Names of one family differ at their ends: a cut name keeps both ends
    // in view, and its tooltip gives it whole.
    grid.setTextElideMode(Qt::ElideMiddle);
}

void CFootprintSelectDlg::SetGridMinimumSize()
{
    if (!m_pSymbolGrid)
        return;
    CSymbolGrid& grid = *m_pSymbolGrid;
    const QHeaderView& header = *grid.horizontalHeader();
    // The stretching name column may shrink to its least width; the others
    // keep theirs.
    int nWidth = 0;
    for (int c = 0; c < m_pModel->columnCount(); ++c)
    {
        if (grid.isColumnHidden(c))
            continue;
        nWidth += header.sectionResizeMode(c) == QHeaderView::Stretch ? header.minimumSectionSize()
                                                                      : grid.columnWidth(c);
    }
    constexpr int kRows = 5;
    const int nFrame = 2 * grid.frameWidth();
    grid.setMinimumSize(nWidth + grid.verticalScrollBar()->sizeHint().width() + nFrame,
                        header.sizeHint().height() +
                            kRows * grid.verticalHeader()->defaultSectionSize() + nFrame);
}

void CFootprintSelectDlg::ResetCurrentCell()
{
    if (!m_pSymbolGrid)
        return;
    CSymbolGrid& grid = *m_pSymbolGrid;
    if (grid.IsRangeSelectionEnabled())
    {
        // Row 1 becomes the current row without being selected, so a
        // ctrl-click picks exactly the rows the user clicks.
        if (m_pModel->rowCount() > 0 && grid.selectionModel())
            grid.selectionModel()->setCurrentIndex(m_pModel->index(0, 0),
                                                   QItemSelectionModel::NoUpdate);
    }
    else
    {
        grid.SetCurrentCell(1, 1);
    }
    grid.m_nSelRow = 1;
}

void CFootprintSelectDlg::OnChangeFilter()
{
    const QString strPrevious = m_strFilter.trimmed();
    m_strFilter = m_form.pFilter ? m_form.pFilter->text().trimmed() : QString();
    if (m_strFilter == strPrevious)
        return;
    if (IsMatchAll(strPrevious) && IsMatchAll(m_strFilter))
        return;
    if (!m_pFootprintList || !m_pSymbolGrid || !m_pModel->HasEntries())
        return;

    m_pModel->ApplyFilter((m_strFilter + u'*').toUpper().toUtf8());
    m_pSymbolGrid->SetEmptyHint(IsMatchAll(m_strFilter)
                                    ? QString()
                                    : tr("No footprint matches \u201c%1\u201d").arg(m_strFilter));
    // A sort made before applies to rows that are gone: the next header
    // double-click starts ascending again.
    m_pSymbolGrid->ResetSortState();
    ResetCurrentCell();
    m_form.pFilter->setFocus();
}

void CFootprintSelectDlg::OnViewFootprint()
{
    if (!m_pSymbolGrid || !m_viewFootprint)
        return;
    m_viewFootprint({m_pSymbolGrid->GetSelectedFootprint()}, m_strProjectPath, m_nViewKind);
}

void CFootprintSelectDlg::OnNewFootprint()
{
    if (m_newDrawing)
        m_newDrawing();
}

bool CFootprintSelectDlg::eventFilter(QObject* pWatched, QEvent* pEvent)
{
    // Text typed on a name in the list goes to the filter box, as if typed
    // there, so typing filters whichever of the two has the keyboard. Space
    // is the list's own key.
    if (pWatched == m_pSymbolGrid && pEvent->type() == QEvent::KeyPress && m_form.pFilter &&
        !m_pSymbolGrid->IsEditing())
    {
        const auto* pKey = static_cast<QKeyEvent*>(pEvent);
        const QModelIndex current = m_pSymbolGrid->currentIndex();
        if (TypesText(*pKey) && pKey->key() != Qt::Key_Space &&
            (!current.isValid() || current.column() == CFootprintListModel::ColName))
        {
            m_form.pFilter->setFocus(Qt::OtherFocusReason);
            const std::unique_ptr<QEvent> pCopy(pEvent->clone());
            QCoreApplication::sendEvent(m_form.pFilter, pCopy.get());
            return true;
        }
    }
    // Down in the filter box goes on into the list, to the current row.
    if (pWatched == m_form.pFilter && pEvent->type() == QEvent::KeyPress && m_pSymbolGrid &&
        m_pSymbolGrid->isVisible())
    {
        const auto* pKey = static_cast<QKeyEvent*>(pEvent);
        if (pKey->key() == Qt::Key_Down && pKey->modifiers() == Qt::NoModifier)
        {
            m_pSymbolGrid->setFocus(Qt::OtherFocusReason);
            return true;
        }
    }
    return CDialogBase::eventFilter(pWatched, pEvent);
}
} // namespace physprops::ui
