#pragma once

#include <QString>

#include <string>

// Replaces environment references (${NAME}, $(NAME), $NAME) in a text.
// Returns 1 with *ppszResult pointing at the expanded text (valid until the
// next call), or 0 with *ppszMessage set to the first error.
int ExpandEnvVars(const char* pszText, const char** ppszResult, const char** ppszMessage);

// For "ZORV_INST_DIR" only: the installation root, else null.
const char* LookupInstallRoot(const char* pszName, std::string& buffer);

// Convenience for Qt callers: true and the expanded text, or false and the message.
bool ExpandEnvVars(const QString& strText, QString& strResult, QString& strMessage);
