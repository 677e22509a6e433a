// SPDX-License-Identifier: MIT
#pragma once

#include "ui/UiExport.h"

#include "common/Modal.h"
#include "common/Services.h"
#include "common/Texts.h"
#include "properties/Property.h"

#include <memory>

class CPhysPropsGrid;
class CSpiProject;
class CValue;
namespace Ui
{
class CPhysPropsDlg;
}

// The modal "Physical Properties" dialog: one Property/Value row per
// element of the host's array; OK writes the values back, Cancel drops them.
class PHYSPROPS_UI_EXPORT CPhysPropsDlg final : public physprops::ui::CDialogBase
{
    Q_OBJECT
public:
    CPhysPropsDlg(CPropertyArray* pValues, CSpiProject* pProject, QWidget* pParent = nullptr);
    CPhysPropsDlg(CPropertyArray* pValues, CSpiProject* pProject,
                  const physprops::ui::CServices& services, QWidget* pParent = nullptr);
    ~CPhysPropsDlg() override;
    CPhysPropsDlg(const CPhysPropsDlg&) = delete;
    CPhysPropsDlg& operator=(const CPhysPropsDlg&) = delete;

    // A non-empty text becomes the selected row's value.
    void SetSelectedValue(const QString& strText);
    // Value of the last row whose property equals the name ignoring case.
    QString GetPropertyValue(const QString& strName) const;

    CPhysPropsGrid* Grid() const;

    // ALT_SYMBOLS syntax: 1 and the distinct names appended, or 0 (a
    // malformed value is told in a message box of the services given, or of
    // the default ones).
    static int SplitAltSymbols(const QString& strValue, QList<CValue*>* pNames);
    static int SplitAltSymbols(const QString& strValue, QList<CValue*>* pNames,
                               const physprops::ui::CServices& services);
    // 0 when a name equal ignoring case is already listed, 1 otherwise.
    static int IsNewSymbol(const QList<CValue*>* pNames, const QString& strName);

private:
    bool OnInitDialog() override;
    void OnOK() override;
    void OnBrowse();
    void OnView();
    void OnClear();
    void OnEditorSetup();

    QString ProjectPath() const;
    // View is offered only on a row where it would open or say something;
    // elsewhere its tooltip says why not.
    void UpdateViewButton();

    std::unique_ptr<Ui::CPhysPropsDlg> m_pUi;
    CPropertyArray* m_pValues;
    CSpiProject* m_pProject;
    const physprops::ui::CServices& m_services; // borrowed: outlives the dialog
};
