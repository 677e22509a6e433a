// SPDX-License-Identifier: MIT
#pragma once

#include <Qt>

namespace physprops::ui
{
// Item roles the module's models answer beyond Qt's own. Plain: Qt names a
// role by an int.
enum EItemRole : int
{
    // A non-empty QStringList: the cell is a drop-down that offers only these texts.
    kChoicesRole = Qt::UserRole + 1,
};
} // namespace physprops::ui
