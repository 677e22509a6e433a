// SPDX-License-Identifier: MIT
#include "project/SearchPath.h"

#include "project/ExpandEnvVars.h"
#include "project/ProjectFile.h"
#include "project/SpiProject.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace physprops::core
{
namespace
{
void AppendProjectFolders(const CSpiProject& project, const QString& strProgram, const QDir& base,
                          CSearchPath& path, bool& bDefined)
{
    for (const auto& pProgram : project.m_programs.m_nodes)
    {
        if (!pProgram || pProgram->m_strName.compare(strProgram, Qt::CaseInsensitive) != 0)
            continue;
        for (const auto& pDirective : pProgram->m_directives.m_nodes)
        {
            if (!pDirective || pDirective->m_strName.compare(u"psmpath", Qt::CaseInsensitive) != 0)
                continue;
            for (const auto& pList : pDirective->m_lists)
            {
                if (!pList)
                    continue;
                for (const QString& strValue : pList->m_values)
                {
                    bDefined = true;
                    // Like every directive value: expanded only when the
                    // project asks for it, and kept as stored when the
                    // expansion fails ("lib$1" is a folder name too).
                    QString strFolder = strValue;
                    QString strNote;
                    if (project.m_bExpandVars == 1)
                    {
                        QString strExpanded;
                        QString strMessage;
                        if (ExpandEnvVars(strValue, strExpanded, strMessage))
                            strFolder = strExpanded;
                        else
                            strNote = strMessage.isEmpty() ? QStringLiteral("malformed reference")
                                                           : strMessage;
                    }
                    if (strFolder.isEmpty())
                    {
                        if (!strValue.isEmpty())
                            path.empty.append(strValue);
                        continue;
                    }
                    path.folders.append(QDir::cleanPath(base.absoluteFilePath(strFolder)));
                    path.unexpanded.append(strNote);
                }
            }
        }
    }
}
} // namespace

CSearchPath ProjectSearchPath(const QString& strProjectPath)
{
    CSearchPath path;
    bool bDefined = false;
    if (!strProjectPath.isEmpty())
    {
        CSpiProject project;
        const CProjectFileResult result = LoadProjectFile(strProjectPath, project);
        if (!result.bOk)
        {
            // No fallback to PSMPATH: that would search another library
            // without a word.
            path.projectFault = result.fault ? result.fault
                                             : CFileFault{.eKind = EFileFault::kUnreadable,
                                                          .strFile = strProjectPath};
            path.strProjectError = path.projectFault.Describe();
            return path;
        }
        const QDir base = QFileInfo(strProjectPath).absoluteDir();
        AppendProjectFolders(project, QString(), base, path, bDefined);
        AppendProjectFolders(project, QStringLiteral("Global"), base, path, bDefined);
    }
    path.strProjectFile = strProjectPath;
    path.bFromProject = bDefined;
    if (bDefined)
        return path;

    static const QRegularExpression separators(QStringLiteral("[:;]"));
    const QString strEnv = qEnvironmentVariable("PSMPATH");
    const QDir current = QDir::current();
    for (const QString& strPart : strEnv.split(separators, Qt::SkipEmptyParts))
    {
        path.folders.append(QDir::cleanPath(current.absoluteFilePath(strPart)));
        path.unexpanded.append(QString());
    }
    return path;
}
} // namespace physprops::core
