#pragma once

#include "pellium/Footprint.h"

#include <QString>

// The kind of a property from its name, ignoring case: JEDEC_TYPE,
// ALT_SYMBOLS, or any other.
PROPERTY_NAMES PropertyKind(const QString& strName);
