// SPDX-License-Identifier: MIT
#pragma once

#include "ui/UiExport.h"

#include <QString>

// The module's one way to tell the user something: a plain box with an OK
// button, through the default services.
PHYSPROPS_UI_EXPORT int AfxMessageBox(const QString& strText, int nType = 0, int nHelp = 0);

namespace physprops::ui
{
// The real box behind the default services.
PHYSPROPS_UI_EXPORT int ShowMessageBox(const QString& strText, int nType, int nHelp);
} // namespace physprops::ui
