#include "properties/SideList.h"

#include <QSet>

namespace
{
const QString kTop = QStringLiteral("Top");
const QString kBottom = QStringLiteral("Bottom");
const QString kBoth = QStringLiteral("Both");

bool HasKnownSide(const CPair& pair)
{
    return pair.m_strType.compare(kTop, Qt::CaseInsensitive) == 0 ||
           pair.m_strType.compare(kBottom, Qt::CaseInsensitive) == 0 ||
           pair.m_strType.compare(kBoth, Qt::CaseInsensitive) == 0;
}
} // namespace

QString BuildSideList(const QString& strSide, const QList<CPair*>& records)
{
    QString strList;
    for (const CPair* pPair : records)
    {
        if (!pPair || pPair->m_strType.compare(strSide, Qt::CaseInsensitive) != 0)
            continue;
        if (!strList.isEmpty())
            strList += u',';
        strList += pPair->m_strName;
    }
    return strList;
}

QString ComposeSelection(const QList<CPair*>& records)
{
    QString strTop = BuildSideList(kTop, records);
    QString strBottom = BuildSideList(kBottom, records);
    const QString strBoth = BuildSideList(kBoth, records);
    if (!strTop.isEmpty())
        strTop = QStringLiteral("Top:") + strTop;
    if (!strBottom.isEmpty())
    {
        strBottom = QStringLiteral("Bottom:") + strBottom;
        strTop = strTop.isEmpty() ? strBottom : strTop + u';' + strBottom;
    }
    if (!strBoth.isEmpty())
        strTop = strTop.isEmpty() ? strBoth : strTop + u';' + strBoth;
    return u'(' + strTop + u')';
}

QStringList UnwritableSideNames(const QList<CPair*>& records)
{
    QStringList names;
    QSet<QString> seen;
    for (const CPair* pPair : records)
    {
        if (!pPair || !HasKnownSide(*pPair))
            continue;
        const QString& strName = pPair->m_strName;
        const bool bBad = strName.contains(u',') || strName.contains(u';') ||
                          strName.contains(u':') || strName.contains(u' ');
        if (bBad && !seen.contains(strName))
        {
            seen.insert(strName);
            names.append(strName);
        }
    }
    return names;
}

QString UnwritableSelectionMessage(const QStringList& names)
{
    // A long list would not fit on the screen; the first names show what to look for.
    constexpr qsizetype kShown = 10;
    QString strText = QStringLiteral(
        "These footprints cannot be part of the selection: their names contain a comma, "
        "semicolon, colon or blank, which would split them into other names.");
    for (qsizetype i = 0; i < names.size() && i < kShown; ++i)
        strText += u'\n' + names[i];
    if (names.size() > kShown)
        strText += QStringLiteral("\n... and %1 more").arg(names.size() - kShown);
    strText += QStringLiteral("\nTake them out of the selection, then press OK again.");
    return strText;
}
