// SPDX-License-Identifier: MIT
#pragma once

#include "ui/UiExport.h"

#include "footprints/FootprintSelectDlg.h"

#include <memory>

namespace Ui
{
class CBackEndDlg1;
}

// The "Footprints" dialog that picks one footprint (for JEDEC_TYPE): OK
// hands back the name in the grid's remembered row.
class PHYSPROPS_UI_EXPORT CBackEndDlg1 final : public physprops::ui::CFootprintSelectDlg
{
    Q_OBJECT
public:
    CBackEndDlg1(QList<CFootprintEntry*>* pFootprintList, const QString& strProjectPath,
                 QWidget* pParent = nullptr);
    // Messages, viewing and New Footprint through the services given.
    CBackEndDlg1(QList<CFootprintEntry*>* pFootprintList, const QString& strProjectPath,
                 const physprops::ui::CServices& services, QWidget* pParent = nullptr);
    ~CBackEndDlg1() override;

private:
    bool OnInitDialog() override;
    void OnOK() override;

    std::unique_ptr<Ui::CBackEndDlg1> m_pUi;
};
