// SPDX-License-Identifier: MIT
#pragma once

#include "core/CoreExport.h"

#include <QString>

// One selected row of the multiple footprint selection: the footprint name
// and the board side it was given. Lives only while OK composes the result.
class PHYSPROPS_CORE_EXPORT CPair
{
public:
    CPair() = default;
    CPair(const QString& strName, const QString& strType) : m_strName(strName), m_strType(strType)
    {
    }
    virtual ~CPair() = default;

    QString m_strName;
    QString m_strType;
};
