// SPDX-License-Identifier: MIT
#pragma once

#include "core/CoreExport.h"

#include <QList>
#include <QString>

// One element of the host's property array: a name and its value text.
class PHYSPROPS_CORE_EXPORT CProperty
{
public:
    CProperty() = default;
    CProperty(const QString& strName, const QString& strValue)
        : m_strName(strName), m_strValue(strValue)
    {
    }
    virtual ~CProperty() = default;

    QString GetName() const { return m_strName; }
    QString GetValue() const { return m_strValue; }
    void SetValue(const QString& strValue) { m_strValue = strValue; }

private:
    QString m_strName;
    QString m_strValue;
};

// The host owns the array and its elements; elements may be null.
using CPropertyArray = QList<CProperty*>;
