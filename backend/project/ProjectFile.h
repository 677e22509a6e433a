#pragma once

#include <QString>

class CSpiProject;

// Reads a project file (INI: sections are programs, keys are directives,
// every "key = value" line adds one value) into a project object. Lines
// before the first section go to the program with the empty name;
// "expand_vars = 1" there sets m_bExpandVars.
struct ProjectFileResult
{
    bool bOk = false;
    int nLine = 0;     // first bad line, 0 when the file as a whole is at fault
    QString strError;  // "FILE:LINE: what is wrong", empty on success
};

ProjectFileResult LoadProjectFile(const QString& strPath, CSpiProject& project);
ProjectFileResult LoadProjectText(const QByteArray& text, const QString& strName,
                                  CSpiProject& project);

// Longest line the reader takes, in bytes.
inline constexpr int kMaxProjectLine = 199;
// Largest file the reader takes, in bytes; real project files are tiny.
inline constexpr qint64 kMaxProjectFileSize = 16 << 20;
