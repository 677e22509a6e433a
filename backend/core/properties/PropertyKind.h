// SPDX-License-Identifier: MIT
#pragma once

#include "core/CoreExport.h"

#include "pellium/Footprint.h"

#include <QString>

namespace physprops::core
{
// The kind of a property from its name, ignoring case: JEDEC_TYPE,
// ALT_SYMBOLS, or any other.
PHYSPROPS_CORE_EXPORT PROPERTY_NAMES PropertyKind(const QString& strName);
} // namespace physprops::core
