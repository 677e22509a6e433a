// SPDX-License-Identifier: MIT
#pragma once

#include "core/CoreExport.h"

#include "properties/Pair.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace physprops::core
{
// The board sides a footprint of a selection belongs to.
enum class EBoardSide
{
    Top,
    Bottom,
    Both,
};

// "Top", "Bottom", "Both": the names the value writes and a side drop-down
// offers, in the order of EBoardSide.
PHYSPROPS_CORE_EXPORT const QStringList& SideNames();
inline QString SideName(EBoardSide side)
{
    return SideNames().at(int(side));
}
} // namespace physprops::core

// The names of the records whose type equals strSide (ignoring case), in
// record order, separated by ","; null records are skipped.
PHYSPROPS_CORE_EXPORT QString BuildSideList(const QString& strSide, const QList<CPair*>& records);

// The selection in alternate-symbols form: "(Top:..;Bottom:..;..)", the
// parts in the order Top, Bottom, Both, empty parts left out; "()" when no
// record has a known side.
PHYSPROPS_CORE_EXPORT QString ComposeSelection(const QList<CPair*>& records);

namespace physprops::core
{
// Names of records that take part in the composed value but hold a
// character that separates names in it (",", ";", ":" or a blank, which the
// reader drops), so the value would read back as other names. Each name once.
PHYSPROPS_CORE_EXPORT QStringList UnwritableSideNames(const QList<CPair*>& records);

// The message that names such footprints and asks for another selection.
PHYSPROPS_CORE_EXPORT QString UnwritableSelectionMessage(const QStringList& names);
} // namespace physprops::core
