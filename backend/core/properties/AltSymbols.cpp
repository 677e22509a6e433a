#include "properties/AltSymbols.h"
#include "properties/Value.h"

#include <memory>

namespace
{
void AddSymbol(QList<CValue*>* pNames, const QString& strName)
{
    auto pValue = std::make_unique<CValue>();
    pValue->SetValue(strName);
    if (IsNewSymbol(pNames, strName) == 1)
        pNames->append(pValue.release());
}
} // namespace

int SplitAltSymbols(const QString& strValue, QList<CValue*>* pNames, QString& strError)
{
    if (!strValue.startsWith(u'(') || !strValue.endsWith(u')'))
    {
        strError = QString::fromLatin1(kAltSymbolsSyntaxMessage);
        return 0;
    }
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

int IsNewSymbol(const QList<CValue*>* pNames, const QString& strName)
{
    if (pNames)
        for (const CValue* p : *pNames)
            if (p && p->GetValue().compare(strName, Qt::CaseInsensitive) == 0)
                return 0;
    return 1;
}
