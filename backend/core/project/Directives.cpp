// SPDX-License-Identifier: MIT
#include "project/Directives.h"
#include "project/ExpandEnvVars.h"
#include "project/SpiProject.h"

namespace
{
// Module-wide, replaced by every failed lookup; a growable string so that a
// name of any length is kept whole.
QString g_strLastNote;
} // namespace

QString GetLastSpiNote()
{
    return g_strLastNote;
}

CSpiValueList* CProjectDirectives::ActiveList() const
{
    const CSpiDirective* pDirective = m_project.m_pCurrentDirective;
    return pDirective ? pDirective->ActiveList() : nullptr;
}

int CProjectDirectives::SelectProgram(const QString& strName)
{
    const qsizetype nIndex = m_project.m_programs.Find(strName);
    if (nIndex < 0)
    {
        g_strLastNote = QStringLiteral("SPI_NOTE: Can't find the program \"%1\"").arg(strName);
        return 1;
    }
    m_project.m_programs.m_nCurrent = nIndex;
    m_project.m_pCurrentProgram = m_project.m_programs.CurrentOrFirst();
    return 0;
}

int CProjectDirectives::SelectDirective(const QString& strName)
{
    // Without a current program there is nowhere to look: not found.
    CSpiProgram* pProgram = m_project.m_pCurrentProgram;
    const qsizetype nIndex = pProgram ? pProgram->m_directives.Find(strName) : -1;
    if (nIndex < 0)
    {
        g_strLastNote = QStringLiteral("SPI_NOTE: Can't find the directive \"%1\"").arg(strName);
        return 1;
    }
    pProgram->m_directives.m_nCurrent = nIndex;
    m_project.m_pCurrentDirective = pProgram->m_directives.CurrentOrFirst();
    return 0;
}

void CProjectDirectives::RewindValues()
{
    if (CSpiValueList* pList = ActiveList())
        pList->m_nCursor = 0;
}

int CProjectDirectives::NextValue(QString& strValue)
{
    CSpiValueList* pList = ActiveList();
    // Nothing selected to read from: the end, and the caller's text is left alone.
    if (!pList)
        return 2;

    int nResult = 0;
    if (pList->m_nCursor < 0 || pList->m_nCursor >= pList->m_values.size())
    {
        pList->m_nCursor = 0;
        nResult = 2;
    }
    else
        strValue = pList->m_values[pList->m_nCursor++];

    // The output is expanded whatever was read; a failed expansion keeps the
    // text as it stood and never changes the result.
    if (m_project.m_bExpandVars == 1)
    {
        QString strExpanded;
        QString strMessage;
        if (ExpandEnvVars(strValue, strExpanded, strMessage))
            strValue = strExpanded;
    }
    return nResult;
}

int CProjectDirectives::ReadDirective(const QString& strName, QString& strValue)
{
    if (const int nResult = SelectDirective(strName))
        return nResult;
    RewindValues();
    return NextValue(strValue);
}
