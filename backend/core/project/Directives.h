// SPDX-License-Identifier: MIT
#pragma once

#include "core/CoreExport.h"

#include <QString>

class CSpiProject;
class CSpiValueList;

// Selecting a project's programs and directives and reading their values.
// The current program, directive and value cursor are the project's own
// members, which the host may set as well, so this keeps no state of its
// own: one is made for each call.
class PHYSPROPS_CORE_EXPORT CProjectDirectives
{
public:
    explicit CProjectDirectives(CSpiProject& project) : m_project(project) {}

    // 0 found and made current, 1 not found (the note says which).
    int SelectProgram(const QString& strName);
    int SelectDirective(const QString& strName);
    void RewindValues();
    // 0 a value, 2 the end (the cursor goes back to the first value).
    int NextValue(QString& strValue);
    int ReadDirective(const QString& strName, QString& strValue);

private:
    // The current directive's active list, or null.
    CSpiValueList* ActiveList() const;

    CSpiProject& m_project;
};
