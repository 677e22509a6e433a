// SPDX-License-Identifier: MIT
#include "properties/PropertyKind.h"

namespace physprops::core
{
PROPERTY_NAMES PropertyKind(const QString& strName)
{
    if (strName.compare(u"JEDEC_TYPE", Qt::CaseInsensitive) == 0)
        return PROP_JEDEC_TYPE;
    if (strName.compare(u"ALT_SYMBOLS", Qt::CaseInsensitive) == 0)
        return PROP_ALT_SYMBOLS;
    return PROP_OTHER;
}
} // namespace physprops::core
