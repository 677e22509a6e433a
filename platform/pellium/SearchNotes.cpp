// SPDX-License-Identifier: MIT
#include "pellium/SearchNotes.h"

#include <algorithm>

void pellium::CSearchNotes::Skip(const QString& strFolder, CFolderFault fault,
                                 const QString& strUnexpanded, const CFolderOrigin& origin)
{
    if (m_skippedFolders.contains(strFolder))
        return;
    m_skippedFolders.insert(strFolder);
    m_report.skipped.append({strFolder, fault, strUnexpanded, origin});
}

void pellium::CSearchNotes::SkipEmpty(const CSearchPath& path)
{
    for (qsizetype i = 0; i < path.empty.size(); ++i)
        Skip(path.empty[i], {EFolderFault::kExpandsEmpty}, {}, path.emptyOrigins.value(i));
}

void pellium::CSearchNotes::NoteHidden(const QString& strFolder, qsizetype nFiles)
{
    const auto it = std::find_if(m_report.hidden.begin(), m_report.hidden.end(),
                                 [&strFolder](const CHiddenFiles& hidden)
                                 { return hidden.strFolder == strFolder; });
    if (it == m_report.hidden.end())
        m_report.hidden.append({strFolder, nFiles});
}

// A path without a single folder searches nothing; the report says where
// it came from, so the user knows what to set.
void pellium::CSearchNotes::NotePath(const CSearchPath& path)
{
    if (!path.folders.isEmpty() || !path.empty.isEmpty())
        return;
    m_report.bEmptyPath = true;
    m_report.bPathFromProject = path.bFromProject;
    m_report.strProjectFile = path.strProjectFile;
    m_report.lineNotes = path.lineNotes;
}

bool pellium::CSearchNotes::NoteProjectError(const CSearchPath& path)
{
    if (path.strProjectError.isEmpty())
        return true;
    m_report.projectFault = path.projectFault;
    m_report.strProjectError = path.strProjectError;
    return false;
}

bool pellium::CSearchNotes::Progress(const CListingProgress& progress) const
{
    return !m_fnProgress || m_fnProgress(progress);
}
