// SPDX-License-Identifier: MIT
#include "properties/PropertyKind.h"

#include <gtest/gtest.h>

using physprops::core::PropertyKind;

TEST(PropertyKind, knowsTheTwoFootprintPropertiesInAnyCase)
{
    const std::pair<const char*, PROPERTY_NAMES> cases[] = {
        {"JEDEC_TYPE", PROP_JEDEC_TYPE},
        {"jedec_type", PROP_JEDEC_TYPE},
        {"Alt_Symbols", PROP_ALT_SYMBOLS},
        {"ALT_SYMBOLS ", PROP_OTHER},
        {"JEDEC", PROP_OTHER},
        {"", PROP_OTHER},
    };
    for (const auto& [pszName, nKind] : cases)
        EXPECT_EQ(PropertyKind(QString::fromLatin1(pszName)), nKind) << pszName;
}
