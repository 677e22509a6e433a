// SPDX-License-Identifier: MIT
#pragma once

#include "ui/UiExport.h"

#include "footprints/FootprintSelectDlg.h"
#include "properties/Pair.h"

#include <memory>

namespace Ui
{
class CBackEndDlg2;
}

// The "Footprints" dialog that picks several footprints, each with the board
// side it belongs to (for ALT_SYMBOLS and every property other than
// JEDEC_TYPE). OK composes "(Top:A,B;Bottom:K;D,E)" from the selected rows.
class PHYSPROPS_UI_EXPORT CBackEndDlg2 final : public physprops::ui::CFootprintSelectDlg
{
    Q_OBJECT
public:
    CBackEndDlg2(QList<CFootprintEntry*>* pFootprintList, const QString& strProjectPath,
                 QWidget* pParent = nullptr);
    // Messages, viewing and New Footprint through the services given.
    CBackEndDlg2(QList<CFootprintEntry*>* pFootprintList, const QString& strProjectPath,
                 const physprops::ui::CServices& services, QWidget* pParent = nullptr);
    ~CBackEndDlg2() override;

    // The names of the records of one side, and the composed value.
    static QString BuildSideList(const QString& strSide, const QList<CPair*>& records);
    static QString ComposeSelection(const QList<CPair*>& records);

private:
    bool OnInitDialog() override;
    void OnOK() override;

    std::unique_ptr<Ui::CBackEndDlg2> m_pUi;
};
