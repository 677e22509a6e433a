// SPDX-License-Identifier: MIT
#include "properties/SideList.h"

#include <QSet>

#include <algorithm>

using physprops::core::EBoardSide;
using physprops::core::SideName;
using physprops::core::SideNames;

namespace
{
bool HasKnownSide(const CPair& pair)
{
    return std::any_of(SideNames().cbegin(), SideNames().cend(),
                       [&](const QString& strSide)
                       { return pair.m_strType.compare(strSide, Qt::CaseInsensitive) == 0; });
}
} // namespace

namespace physprops::core
{
const QStringList& SideNames()
{
    static const QStringList s_names = {QStringLiteral("Top"), QStringLiteral("Bottom"),
                                        QStringLiteral("Both")};
    return s_names;
}

} // namespace physprops::core

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
    QString strTop = BuildSideList(SideName(EBoardSide::Top), records);
    QString strBottom = BuildSideList(SideName(EBoardSide::Bottom), records);
    const QString strBoth = BuildSideList(SideName(EBoardSide::Both), records);
    if (!strTop.isEmpty())
        strTop = SideName(EBoardSide::Top) + u':' + strTop;
    if (!strBottom.isEmpty())
    {
        strBottom = SideName(EBoardSide::Bottom) + u':' + strBottom;
        strTop = strTop.isEmpty() ? strBottom : strTop + u';' + strBottom;
    }
    if (!strBoth.isEmpty())
        strTop = strTop.isEmpty() ? strBoth : strTop + u';' + strBoth;
    return u'(' + strTop + u')';
}

namespace physprops::core
{
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
} // namespace physprops::core
