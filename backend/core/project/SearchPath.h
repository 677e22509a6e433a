// SPDX-License-Identifier: MIT
#pragma once

#include "core/CoreExport.h"

#include "pellium/Footprint.h"
#include "project/ProjectFile.h"

#include <QString>

namespace physprops::core
{
// A project's footprint search path: the project file's "psmpath" values
// (project level, then [Global]), relative to the project file's folder and
// expanded only when the project sets expand_vars = 1, else the PSMPATH
// environment variable (':' or ';' between folders, relative to the current
// folder). An empty path means no project: PSMPATH serves. A project file
// that cannot be read now gives strProjectError and no folders.
PHYSPROPS_CORE_EXPORT CSearchPath ProjectSearchPath(const QString& strProjectPath);

// The lines of a project file (strFile) that look as if they gave the
// search path but give nothing to it: an indented "psmpath = ..." (a value
// of the line above) and psmpath in a section the path is not read from.
PHYSPROPS_CORE_EXPORT QList<CPathLineNote> ProjectLineNotes(const QList<CProjectLine>& lines,
                                                            const QString& strFile);
} // namespace physprops::core
