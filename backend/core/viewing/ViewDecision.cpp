// SPDX-License-Identifier: MIT
#include "viewing/ViewDecision.h"

#include "pellium/FileCalls.h"
#include "pellium/Footprint.h"
#include "properties/PropertyKind.h"

#include <QFile>
#include <QFileInfo>

namespace physprops::core
{
CViewDecision DecideView(bool bProjectUnreadable, const QStringList& locations)
{
    using EAction = CViewDecision::EAction;
    using EFault = CViewDecision::EFault;
    if (bProjectUnreadable)
        return {EAction::kTell, EFault::kProjectUnreadable, {}};
    if (locations.size() >= 2)
        return {EAction::kChoose, EFault::kNone, {}};
    if (locations.size() == 1)
    {
        // Only the file's existence decides.
        if (!IsOpenableLocation(locations.front()))
            return {};
        return {EAction::kOpen, EFault::kNone, locations.front()};
    }
    return {EAction::kTell, EFault::kNotFound, {}};
}

bool IsOpenableLocation(const QString& strLocation)
{
    if (strLocation.isEmpty() || strLocation == QLatin1String(kNotFoundLocation))
        return false;
    pellium::NoteFileCall(pellium::EFileCall::kStat, QFile::encodeName(strLocation).constData());
    return QFileInfo::exists(strLocation);
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
