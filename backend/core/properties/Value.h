#pragma once

#include <QString>

// One alternate symbol name taken from an ALT_SYMBOLS value.
class CValue
{
public:
    CValue() = default;
    virtual ~CValue() = default;

    QString GetValue() const { return m_strValue; }
    void SetValue(const QString& strValue) { m_strValue = strValue; }

private:
    QString m_strValue;
};
