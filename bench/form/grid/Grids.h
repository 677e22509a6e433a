// SPDX-License-Identifier: MIT
#pragma once
// The form's grid as a plain table, so that the form builds without the module.
#include <QTableView>

class CPhysPropsGrid : public QTableView
{
public:
    using QTableView::QTableView;
};
