// SPDX-License-Identifier: MIT
#pragma once

#include "core/CoreExport.h"

#include "project/CoreServices.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

class CSpiProject;

namespace physprops::core
{
// The process-wide option list that stands in for the process argument
// vector: it starts from the process's own arguments (program name first)
// and keeps what the session set-up adds.
PHYSPROPS_CORE_EXPORT QStringList& ProcessOptions();
} // namespace physprops::core

// 0 and the entry after "-NAME" or "/NAME" (any case; empty when it is the
// last entry), or -1 with strValue untouched.
PHYSPROPS_CORE_EXPORT int FindCommandOption(const QString& strOption, QString& strValue);
// Appends "-ipqsession" and the name to the process-wide option list.
PHYSPROPS_CORE_EXPORT void AddSessionOption(QString strSession);

// Copies src to dest with every double quote made a blank and every blank
// inside quotes made '!'; returns the number of double quotes.
PHYSPROPS_CORE_EXPORT int ProtectQuotedSpaces(QByteArray& dest, const QByteArray& src);

// Splits a command line into words at blanks; double quotes group blanks
// into one word and disappear; inside them a backslash before a quote or a
// backslash keeps that character (before anything else it is kept itself).
// The vector (argc + 1 entries, last null) is
// allocated with new[] and the caller delete[]s it; the texts belong to this
// module and stay valid until the next split.
PHYSPROPS_CORE_EXPORT void SplitCommandLine(const QByteArray& cmdLine, int* pArgc, char*** pArgv);

namespace physprops::core
{
// The text itself when it holds no blank and no double quote, else the text
// in double quotes with " and \ escaped: SplitCommandLine gives it back as
// one word, unchanged.
PHYSPROPS_CORE_EXPORT QString QuoteCommandWord(const QString& strWord);

// The login and host names the services give, or empty.
PHYSPROPS_CORE_EXPORT QString LoginName(const CCoreServices& services = CCoreServices::Default());
PHYSPROPS_CORE_EXPORT QString
LocalHostName(const CCoreServices& services = CCoreServices::Default());
} // namespace physprops::core

// The message session set-up of a project: the session's name and the
// message client's arguments, with the login and host names taken from the
// services given (borrowed, like the project).
class PHYSPROPS_CORE_EXPORT CProjectSession
{
public:
    CProjectSession(CSpiProject& project, const physprops::core::CCoreServices& services)
        : m_project(project), m_services(services)
    {
    }

    // 0 and the session name in strSession (which holds the application
    // name on entry), -1 when the project has no program "Global".
    int GetSessionName(QString& strSession);
    // 0 and the message client's arguments, -1 with the outputs untouched.
    int InitMessageSession(const char* pszAppName, int* pArgc, char*** pArgv);

private:
    CSpiProject& m_project;
    const physprops::core::CCoreServices& m_services;
};
