// SPDX-License-Identifier: MIT
#pragma once

#include "core/CoreExport.h"

#include <QString>
#include <QStringList>

namespace physprops::core
{
// What the viewing flow does with the places a drawing search found.
struct PHYSPROPS_CORE_EXPORT CViewDecision
{
    enum class EAction
    {
        kNothing, // the one hit names no file: nothing to open, nothing to say
        kTell,    // m_eFault says what the user is told
        kOpen,    // m_strLocation is the drawing to open
        kChoose,  // several places: the user chooses in the "Location" chooser
    };
    // Why there is nothing to open; the ui words it.
    enum class EFault
    {
        kNone,
        kProjectUnreadable, // the project file could not be read: nothing was searched
        kNotFound,          // no drawing on the search path
    };
    EAction m_nAction = EAction::kNothing;
    EFault m_eFault = EFault::kNone;
    QString m_strLocation;
};

// bProjectUnreadable: the project file could not be read (the search then
// found nothing). locations: one per hit, in order.
PHYSPROPS_CORE_EXPORT CViewDecision DecideView(bool bProjectUnreadable,
                                               const QStringList& locations);

// Why View on a row would neither search nor say anything; kCanView when it
// would (a malformed ALT_SYMBOLS value too: the press shows the syntax
// message). Name and value as the row holds them; the value is trimmed here
// as View trims it.
enum class EViewBlock
{
    kCanView,
    kNoProperty,    // no name: a blank row, or no row at all
    kOtherProperty, // neither JEDEC_TYPE nor ALT_SYMBOLS
    kEmptyValue,    // empty or white space only
    kNoSymbols,     // the ALT_SYMBOLS value "()", which names no symbol
};
PHYSPROPS_CORE_EXPORT EViewBlock ViewBlockOf(const QString& strName, const QString& strValue);

// Whether a found location is a drawing to open: a file that exists now
// ("Not Found" names none).
PHYSPROPS_CORE_EXPORT bool IsOpenableLocation(const QString& strLocation);
} // namespace physprops::core
