#include "project/SpiProject.h"

CSpiProgram* CSpiProject::AddProgram(const QString& strName)
{
    if (const qsizetype n = m_programs.Find(strName); n >= 0)
        return m_programs.m_nodes[std::size_t(n)].get();
    return m_programs.Append(std::make_unique<CSpiProgram>(strName));
}

CSpiDirective* CSpiProject::AddValue(CSpiProgram* pProgram, const QString& strDirective,
                                     const QString& strValue)
{
    CSpiDirective* pDir = nullptr;
    if (const qsizetype n = pProgram->m_directives.Find(strDirective); n >= 0)
        pDir = pProgram->m_directives.m_nodes[std::size_t(n)].get();
    else
    {
        pDir = pProgram->m_directives.Append(std::make_unique<CSpiDirective>(strDirective));
        pDir->m_lists.push_back(std::make_unique<CSpiValueList>());
    }
    pDir->m_lists.front()->m_values.append(strValue);
    return pDir;
}
