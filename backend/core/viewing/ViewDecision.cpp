// SPDX-License-Identifier: MIT
#include "viewing/ViewDecision.h"

#include "pellium/Footprint.h"
#include "properties/PropertyKind.h"

#include <QFileInfo>

namespace physprops::core
{
CViewDecision DecideView(const QString& strProjectError, const QStringList& locations,
                         const QString& strSkipped)
{
    if (!strProjectError.isEmpty())
        return {CViewDecision::EAction::kTell, strProjectError};
    if (locations.size() >= 2)
        return {CViewDecision::EAction::kChoose, {}};
    if (locations.size() == 1)
    {
        // Only the file's existence decides.
        if (!IsOpenableLocation(locations.front()))
            return {};
        return {CViewDecision::EAction::kOpen, locations.front()};
    }
    return {CViewDecision::EAction::kTell,
            QStringLiteral(
                "Footprint can't be viewed as corresponding .dra file not found in the PSMPATH") +
                strSkipped};
}

bool IsOpenableLocation(const QString& strLocation)
{
    return !strLocation.isEmpty() && strLocation != QLatin1String(kNotFoundLocation) &&
           QFileInfo::exists(strLocation);
}

EViewBlock ViewBlockOf(const QString& strName, const QString& strValue)
{
    if (strName.isEmpty())
        return EViewBlock::kNoProperty;
    const PROPERTY_NAMES nKind = PropertyKind(strName);
    if (nKind == PROP_OTHER)
        return EViewBlock::kOtherProperty;
    // A view, not a copy: this runs at every keystroke, also on huge values.
    const QStringView value = QStringView(strValue).trimmed();
    if (value.isEmpty())
        return EViewBlock::kEmptyValue;
    if (nKind == PROP_ALT_SYMBOLS && value == u"()")
        return EViewBlock::kNoSymbols;
    return EViewBlock::kCanView;
}
} // namespace physprops::core
