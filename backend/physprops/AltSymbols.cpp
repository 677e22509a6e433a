#include "PhysPropsDlg.h"
#include "Value.h"

int CPhysPropsDlg::SplitAltSymbols(const QString&, QList<CValue*>*) { return 0; }

int CPhysPropsDlg::IsNewSymbol(const QList<CValue*>* pNames, const QString& strName)
{
    if (pNames)
        for (const CValue* p : *pNames)
            if (p && p->GetValue().compare(strName, Qt::CaseInsensitive) == 0)
                return 0;
    return 1;
}
