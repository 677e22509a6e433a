// SPDX-License-Identifier: MIT
#pragma once

#include "core/CoreExport.h"

#include "project/CoreServices.h"

#include <QString>

#include <string>

// Replaces environment references (${NAME}, $(NAME), $NAME) in a text.
// Returns 1 with *ppszResult pointing at the expanded text (valid until the
// next call on the same thread), or 0 with *ppszMessage set to the first
// error (readable until the next call). Texts, names and values of any
// length are handled whole.
// The installation root ("ZORV_INST_DIR") comes from the services.
PHYSPROPS_CORE_EXPORT int ExpandEnvVars(const char* pszText, const char** ppszResult,
                                        const char** ppszMessage);
PHYSPROPS_CORE_EXPORT int ExpandEnvVars(const char* pszText, const char** ppszResult,
                                        const char** ppszMessage,
                                        const physprops::core::CCoreServices& services);

// For "ZORV_INST_DIR" only: the installation root copied into the buffer,
// else null. Also null when the installation root cannot be found.
PHYSPROPS_CORE_EXPORT const char* LookupInstallRoot(const char* pszName, std::string& buffer);
PHYSPROPS_CORE_EXPORT const char* LookupInstallRoot(const char* pszName, std::string& buffer,
                                                    const physprops::core::CCoreServices& services);

// Convenience for Qt callers: true and the expanded text, or false and the
// message. The output not concerned is left as it was. Does not disturb the
// result of the C form.
PHYSPROPS_CORE_EXPORT bool ExpandEnvVars(
    const QString& strText, QString& strResult, QString& strMessage,
    const physprops::core::CCoreServices& services = physprops::core::CCoreServices::Default());
