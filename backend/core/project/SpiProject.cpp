#include "project/SpiProject.h"

CSpiProgram* CSpiProject::AddProgram(const QString& strName)
{
    for (const auto& p : m_programs.m_nodes)
        if (p->m_strName.compare(strName, Qt::CaseInsensitive) == 0)
            return p.get();
    return m_programs.Append(std::make_unique<CSpiProgram>(strName));
}

CSpiDirective* CSpiProject::AddValue(CSpiProgram* pProgram, const QString& strDirective,
                                     const QString& strValue)
{
    CSpiDirective* pDir = nullptr;
    for (const auto& d : pProgram->m_directives.m_nodes)
        if (d->m_strName.compare(strDirective, Qt::CaseInsensitive) == 0)
            pDir = d.get();
    if (!pDir)
    {
        pDir = pProgram->m_directives.Append(std::make_unique<CSpiDirective>(strDirective));
        pDir->m_lists.push_back(std::make_unique<CSpiValueList>());
    }
    pDir->m_lists.front()->m_values.append(strValue);
    return pDir;
}
