// SPDX-License-Identifier: MIT
#pragma once

#include "core/CoreExport.h"
#include "pellium/FileFault.h"

#include <QString>

class CSpiProject;

// Reads a project file (INI: sections are programs, keys are directives,
// every "key = value" line adds one value, and so does an indented line after
// it) into a project object. Lines before the first section go to the program
// with the empty name; "expand_vars = 1" there sets m_bExpandVars. Lines
// starting with ';' or '#' are comments, and so is the rest of a line from a
// ';' that follows a blank. Lines and names may be of any length.
struct PHYSPROPS_CORE_EXPORT CProjectFileResult
{
    bool bOk = false;
    int nLine = 0;    // first bad line, 0 when the file as a whole is at fault
    QString strError; // fault.Describe(): "FILE:LINE: what is wrong", empty on success
    CFileFault fault;
};

PHYSPROPS_CORE_EXPORT CProjectFileResult LoadProjectFile(const QString& strPath,
                                                         CSpiProject& project);
PHYSPROPS_CORE_EXPORT CProjectFileResult LoadProjectText(const QByteArray& text,
                                                         const QString& strName,
                                                         CSpiProject& project);

// Largest file the reader takes, in bytes; real project files are tiny.
inline constexpr qint64 kMaxProjectFileSize = 16 << 20;
