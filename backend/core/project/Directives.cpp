// SPDX-License-Identifier: MIT
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

int CSpiProject::SelectProgram(const QString& strName)
{
    const qsizetype nIndex = m_programs.Find(strName);
    if (nIndex < 0)
    {
        g_strLastNote = QStringLiteral("SPI_NOTE: Can't find the program \"%1\"").arg(strName);
        return 1;
    }
    m_programs.m_nCurrent = nIndex;
    m_pCurrentProgram = m_programs.CurrentOrFirst();
    return 0;
}

int CSpiProject::SelectDirective(const QString& strName)
{
    // Without a current program there is nowhere to look: not found.
    const qsizetype nIndex = m_pCurrentProgram ? m_pCurrentProgram->m_directives.Find(strName) : -1;
    if (nIndex < 0)
    {
        g_strLastNote = QStringLiteral("SPI_NOTE: Can't find the directive \"%1\"").arg(strName);
        return 1;
    }
    m_pCurrentProgram->m_directives.m_nCurrent = nIndex;
    m_pCurrentDirective = m_pCurrentProgram->m_directives.CurrentOrFirst();
    return 0;
}

void CSpiProject::RewindValues()
{
    if (CSpiValueList* pList = m_pCurrentDirective ? m_pCurrentDirective->ActiveList() : nullptr)
        pList->m_nCursor = 0;
}

int CSpiProject::NextValue(QString& strValue)
{
    CSpiValueList* pList = m_pCurrentDirective ? m_pCurrentDirective->ActiveList() : nullptr;
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
    if (m_bExpandVars == 1)
    {
        QString strExpanded;
        QString strMessage;
        if (ExpandEnvVars(strValue, strExpanded, strMessage))
            strValue = strExpanded;
    }
    return nResult;
}

int CSpiProject::ReadDirective(const QString& strName, QString& strValue)
{
    if (const int nResult = SelectDirective(strName))
        return nResult;
    RewindValues();
    return NextValue(strValue);
}
