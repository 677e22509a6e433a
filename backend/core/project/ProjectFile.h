// SPDX-License-Identifier: MIT
#pragma once

#include "core/CoreExport.h"
#include "pellium/FileFault.h"

#include <QList>
#include <QString>

class CSpiProject;

// Reads a project file (INI: sections are programs, keys are directives,
// every "key = value" line adds one value, and so does an indented line after
// it) into a project object. Lines before the first section go to the program
// with the empty name; "expand_vars = 1" there sets m_bExpandVars. Lines
// starting with ';' or '#' are comments, and so is the rest of a line from a
// ';' that follows a blank. Lines and names may be of any length. A file
// without a line, or with comments only, is a project without settings.

// A line that the footprint search path cares about, in file order.
struct PHYSPROPS_CORE_EXPORT CProjectLine
{
    enum class EKind : quint8
    {
        kPsmpath,  // a value of psmpath, in any section
        kIndented, // an indented "NAME = VALUE" of a directive this system reads
    };
    EKind eKind = EKind::kPsmpath;
    int nLine = 0;
    QString strSection; // the section it lies in, "" before the first
    QString strName;    // the directive as written (kIndented: as the line writes it)
};

struct PHYSPROPS_CORE_EXPORT CProjectFileResult
{
    bool bOk = false;
    int nLine = 0;    // first bad line, 0 when the file as a whole is at fault
    QString strError; // fault.Describe(): "FILE:LINE: what is wrong", empty on success
    CFileFault fault;
    QList<CProjectLine> lines; // of a file that was read
};

PHYSPROPS_CORE_EXPORT CProjectFileResult LoadProjectFile(const QString& strPath,
                                                         CSpiProject& project);
PHYSPROPS_CORE_EXPORT CProjectFileResult LoadProjectText(const QByteArray& text,
                                                         const QString& strName,
                                                         CSpiProject& project);

// Largest file the reader takes, in bytes; real project files are tiny.
inline constexpr qint64 kMaxProjectFileSize = 16 << 20;
