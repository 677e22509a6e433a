#include "common/MessageBox.h"
#include "physprops/PhysPropsDlg.h"
#include "properties/Value.h"

#include <memory>

namespace
{
const char* const kSyntaxMessage =
    "ERROR : Incorrect syntax of ALT_SYMBOLS.\n"
    "Correct syntax is : (Subclass:Symbol ,... ; Subclass:Symbol ,...)";

void AddSymbol(QList<CValue*>* pNames, const QString& strName)
{
    auto pValue = std::make_unique<CValue>();
    pValue->SetValue(strName);
    if (CPhysPropsDlg::IsNewSymbol(pNames, strName) == 1)
        pNames->append(pValue.release());
}
} // namespace

int CPhysPropsDlg::SplitAltSymbols(const QString& strValue, QList<CValue*>* pNames)
{
    if (!strValue.startsWith(u'(') || !strValue.endsWith(u')'))
    {
        AfxMessageBox(QString::fromLatin1(kSyntaxMessage));
        return 0;
    }
    // "()" holds no symbol; it is refused without a word.
    if (strValue.size() <= 2 || !pNames)
        return 0;

    // Names of any length are kept whole.
    QString strToken;
    const QStringView inner = QStringView(strValue).mid(1, strValue.size() - 2);
    for (const QChar c : inner)
    {
        switch (c.unicode())
        {
        case u' ':
            break;
        case u':': // what came before is a subclass name, which nothing uses
            strToken.clear();
            break;
        case u',':
        case u';':
            AddSymbol(pNames, strToken);
            strToken.clear();
            break;
        default:
            strToken += c;
            break;
        }
    }
    AddSymbol(pNames, strToken);
    return 1;
}

int CPhysPropsDlg::IsNewSymbol(const QList<CValue*>* pNames, const QString& strName)
{
    if (pNames)
        for (const CValue* p : *pNames)
            if (p && p->GetValue().compare(strName, Qt::CaseInsensitive) == 0)
                return 0;
    return 1;
}
