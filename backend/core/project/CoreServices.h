// SPDX-License-Identifier: MIT
#pragma once

#include "core/CoreExport.h"

#include <QString>

#include <functional>

namespace physprops::core
{
// What the core asks of the system it runs on: who the user is, which
// machine this is, where the installation lives. The default answers from
// the system; a test passes its own instead.
struct PHYSPROPS_CORE_EXPORT CCoreServices
{
    // The effective user's login name, or empty when the system cannot say.
    std::function<QString()> m_fnLoginName;
    // This machine's host name, or empty.
    std::function<QString()> m_fnHostName;
    // The installation root as malloc'd text (the caller frees it), or null
    // when it cannot be found.
    std::function<char*()> m_fnInstallRoot;

    static const CCoreServices& Default();
};
} // namespace physprops::core
