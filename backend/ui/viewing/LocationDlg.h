// SPDX-License-Identifier: MIT
#pragma once

#include "ui/UiExport.h"

#include "common/Modal.h"
#include "common/Services.h"

#include <QList>

#include <memory>

class CFootprintEntry;
class CLocGrid;
namespace Ui
{
class CLocationDlg;
}

// The "Location" chooser: lists the places where a footprint's drawing was
// found. OK and a double-click open the chosen one and leave the chooser
// open, so several can be opened in turn; Cancel closes it.
class PHYSPROPS_UI_EXPORT CLocationDlg final : public physprops::ui::CDialogBase
{
    Q_OBJECT
public:
    // The list is borrowed: the caller keeps it and its entries alive while
    // the dialog runs. Null entries show as empty rows.
    explicit CLocationDlg(
        const QList<CFootprintEntry*>* pFootprintList,
        const physprops::ui::CServices& services = physprops::ui::CServices::Default(),
        QWidget* pParent = nullptr);
    ~CLocationDlg() override;
    CLocationDlg(const CLocationDlg&) = delete;
    CLocationDlg& operator=(const CLocationDlg&) = delete;

    CLocGrid* Grid() const;

private:
    bool OnInitDialog() override;
    void OnOK() override;

    std::unique_ptr<Ui::CLocationDlg> m_pUi;
    const QList<CFootprintEntry*>* m_pFootprintList;
    const physprops::ui::CServices& m_services; // borrowed: outlives the dialog
};
