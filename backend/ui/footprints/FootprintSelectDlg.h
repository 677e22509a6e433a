// SPDX-License-Identifier: MIT
#pragma once

#include "ui/UiExport.h"

#include "common/Modal.h"
#include "common/Services.h"
#include "pellium/Footprint.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class CSymbolGrid;
class QLabel;
class QLineEdit;
class QPushButton;

namespace physprops::ui
{
class CFootprintListModel;

// What the two "Footprints" dialogs share: the borrowed footprint list, the
// grid over it, the name filter, View Footprint and New Footprint. The
// single and the multiple dialog differ in their grid switches, the "Type"
// column and how OK composes the result.
class PHYSPROPS_UI_EXPORT CFootprintSelectDlg : public CDialogBase
{
    Q_OBJECT
public:
    ~CFootprintSelectDlg() override;
    CFootprintSelectDlg(const CFootprintSelectDlg&) = delete;
    CFootprintSelectDlg& operator=(const CFootprintSelectDlg&) = delete;

    // The result; empty until OK.
    QString GetSelection() const { return m_strSelection; }

    CSymbolGrid* Grid() const { return m_pSymbolGrid; }
    CFootprintListModel* Model() const { return m_pModel; }

    // The viewing flow and the new-drawing launcher, through the dialog's
    // services unless replaced; tests replace them.
    using FootprintViewer = std::function<void(const QStringList& names,
                                               const QString& strProjectPath, PROPERTY_NAMES)>;
    void SetFootprintViewer(FootprintViewer viewer) { m_viewFootprint = std::move(viewer); }
    void SetNewDrawingStarter(std::function<int()> starter) { m_newDrawing = std::move(starter); }

    // What the search that made the list skipped or left out: a line under
    // the list says so, and its Details button names the folders and why.
    void SetSearchReport(const CSearchReport& report);

protected:
    // The widgets of the derived dialog's form that the shared part drives.
    struct Form
    {
        QLineEdit* pFilter = nullptr;
        CSymbolGrid* pGrid = nullptr;
        QPushButton* pOK = nullptr;
        QPushButton* pCancel = nullptr;
        QPushButton* pViewFootprint = nullptr;
        QPushButton* pNewFootprint = nullptr;
    };

    CFootprintSelectDlg(QList<CFootprintEntry*>* pFootprintList, const QString& strProjectPath,
                        bool bWithSides, PROPERTY_NAMES nViewKind, const CServices& services,
                        QWidget* pParent);

    // Wires the form to the handlers and takes its grid; called once by the
    // derived constructor.
    void AttachForm(const Form& form);
    // Fills the grid with every entry of the list, in list order.
    void FillGrid();
    // Layout shared by both grids once the model is in place.
    void SetColumnLayout();
    // The current cell goes to (1, 1) and the remembered row to 1; in a grid
    // that selects rows this selects nothing.
    void ResetCurrentCell();
    // Once the column widths are set: the grid never gets smaller than its
    // header, five rows and every shown column, so the dialog neither.
    void SetGridMinimumSize();
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

    QList<CFootprintEntry*>* m_pFootprintList;
    CSymbolGrid* m_pSymbolGrid = nullptr; // a child of the form
    QString m_strSelection;
    QString m_strFilter;
    QString m_strProjectPath;
    CFootprintListModel* m_pModel;
    Form m_form;
    const CServices& m_services; // borrowed: outlives the dialog

private:
    // Rebuilds the grid from the list for the text in the filter box.
    void OnChangeFilter();
    void OnViewFootprint();
    void OnNewFootprint();

    QLabel* m_pSearchNote = nullptr;
    QPushButton* m_pSearchDetails = nullptr;
    QString m_strSearchDetails;
    PROPERTY_NAMES m_nViewKind;
    FootprintViewer m_viewFootprint;
    std::function<int()> m_newDrawing;
};
} // namespace physprops::ui
