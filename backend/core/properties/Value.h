// SPDX-License-Identifier: MIT
#pragma once

#include "core/CoreExport.h"

#include <QString>

// One alternate symbol name taken from an ALT_SYMBOLS value.
class PHYSPROPS_CORE_EXPORT CValue
{
public:
    CValue() = default;
    virtual ~CValue() = default;

    QString GetValue() const { return m_strValue; }
    // The name without a copy, valid while this value is unchanged.
    const QString& Value() const { return m_strValue; }
    void SetValue(const QString& strValue) { m_strValue = strValue; }

private:
    QString m_strValue;
};
