// SPDX-License-Identifier: MIT
#pragma once

#include "core/CoreExport.h"

#include <QList>
#include <QString>

class CValue;

namespace physprops::core
{
// Told when a viewed ALT_SYMBOLS value does not have the syntax below.
inline constexpr const char* kAltSymbolsSyntaxMessage =
    "ERROR : Incorrect syntax of ALT_SYMBOLS.\n"
    "Correct syntax is : (Subclass:Symbol ,... ; Subclass:Symbol ,...)";
} // namespace physprops::core

// Splits an ALT_SYMBOLS value, "(Subclass:Symbol ,... ; Subclass:Symbol ,...)",
// appending each symbol name not yet listed (ignoring case) to pNames.
// 1 when split; 0 when not: malformed (strError set to the syntax message),
// or "()" and a null list, which are refused without a word.
PHYSPROPS_CORE_EXPORT int SplitAltSymbols(const QString& strValue, QList<CValue*>* pNames,
                                          QString& strError);

// 0 when a name equal ignoring case is already listed, 1 otherwise.
PHYSPROPS_CORE_EXPORT int IsNewSymbol(const QList<CValue*>* pNames, const QString& strName);
