#include "Footprint.h"

CFootprintEntry::CFootprintEntry(const QString& strName, const QString& strSecond,
                                 const QString& strLocation)
    : m_strName(strName), m_strSecond(strSecond), m_strLocation(strLocation)
{
}

CFootprintEntry::~CFootprintEntry() = default;

CFootprint::CFootprint() = default;
CFootprint::~CFootprint() = default;

void CFootprint::DeleteFootprintList() { m_entries.clear(); }

int CFootprint::CreateFootprintList(const QString&, const QString&, PROPERTY_NAMES, SEARCH_OPTIONS)
{
    return 0;
}

void CFootprint::GetFootprintList(QList<CFootprintEntry*>& list) const
{
    for (const auto& e : m_entries)
        list.append(e.get());
}
