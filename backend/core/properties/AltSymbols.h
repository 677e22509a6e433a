// SPDX-License-Identifier: MIT
#pragma once

#include "core/CoreExport.h"

#include <QList>
#include <QString>

class CValue;

namespace physprops::core
{
// What became of an ALT_SYMBOLS value given to the split.
enum class EAltSymbolsFault
{
    kNone,      // split: the names not yet listed were appended
    kMalformed, // it does not begin with "(" and end with ")"
    kNoSymbols, // "()", which names no symbol
    kNoList,    // no list to append to
};

// Splits an ALT_SYMBOLS value, "(Subclass:Symbol ,... ; Subclass:Symbol ,...)",
// appending each symbol name not yet listed (ignoring case) to pNames; a
// value that gives no names leaves the list as it was. The dialog's
// SplitAltSymbols words kMalformed; the others are refused without a word.
PHYSPROPS_CORE_EXPORT EAltSymbolsFault SplitAltSymbols(const QString& strValue,
                                                       QList<CValue*>* pNames);
} // namespace physprops::core

// 0 when a name equal ignoring case is already listed, 1 otherwise.
PHYSPROPS_CORE_EXPORT int IsNewSymbol(const QList<CValue*>* pNames, const QString& strName);
