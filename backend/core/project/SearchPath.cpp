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
// What a folder's value, written as it is, may have meant instead.
EFolderHint HintFor(const QString& strValue, quint32 nExpandVars)
{
    if (strValue.startsWith(u'~'))
        return EFolderHint::kTilde;
    static const QRegularExpression reference(QStringLiteral("\\$[{(A-Za-z0-9_]"));
    if (nExpandVars != 1 && strValue.contains(reference))
        return EFolderHint::kExpansionOff;
    return EFolderHint::kNone;
}

bool IsProgram(const QString& strName, const QString& strProgram)
{
    return strName.compare(strProgram, Qt::CaseInsensitive) == 0;
}

// lines: the psmpath lines of the file; the values of one program's
// psmpath are its lines in file order.
void AppendProjectFolders(const CSpiProject& project, const QString& strProgram, const QDir& base,
                          const QString& strFile, const QList<CProjectLine>& lines,
                          CSearchPath& path, bool& bDefined)
{
    QList<int> valueLines;
    for (const CProjectLine& line : lines)
        if (line.eKind == CProjectLine::EKind::kPsmpath && IsProgram(line.strSection, strProgram))
            valueLines.append(line.nLine);
    qsizetype nValue = 0;
    for (const auto& pProgram : project.m_programs.m_nodes)
    {
        if (!pProgram || !IsProgram(pProgram->m_strName, strProgram))
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
                    const int nLine = valueLines.value(nValue++);
                    const CFolderOrigin origin{
                        nLine > 0 ? QStringLiteral("%1:%2").arg(strFile).arg(nLine) : QString(),
                        HintFor(strValue, project.m_bExpandVars)};
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
                        {
                            path.empty.append(strValue);
                            path.emptyOrigins.append(origin);
                        }
                        continue;
                    }
                    path.folders.append(QDir::cleanPath(base.absoluteFilePath(strFolder)));
                    path.unexpanded.append(strNote);
                    path.origins.append(origin);
                }
            }
        }
    }
}

} // namespace

QList<CPathLineNote> ProjectLineNotes(const QList<CProjectLine>& lines, const QString& strFile)
{
    QList<CPathLineNote> notes;
    for (const CProjectLine& line : lines)
    {
        const QString strWhere = QStringLiteral("%1:%2").arg(strFile).arg(line.nLine);
        if (line.eKind == CProjectLine::EKind::kIndented)
            notes.append({CPathLineNote::EKind::kIndented, strWhere, line.strName});
        else if (!IsProgram(line.strSection, QString()) &&
                 !IsProgram(line.strSection, QStringLiteral("Global")))
            notes.append(
                {CPathLineNote::EKind::kUnreadSection, strWhere, line.strName, line.strSection});
    }
    return notes;
}

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
        AppendProjectFolders(project, QString(), base, strProjectPath, result.lines, path,
                             bDefined);
        AppendProjectFolders(project, QStringLiteral("Global"), base, strProjectPath, result.lines,
                             path, bDefined);
        path.lineNotes = ProjectLineNotes(result.lines, strProjectPath);
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
