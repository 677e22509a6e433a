#pragma once

#include <QString>

// The module's one way to tell the user something: a plain box with an OK
// button, through the default services.
int AfxMessageBox(const QString& strText, int nType = 0, int nHelp = 0);

// The real box behind the default services.
int ShowMessageBox(const QString& strText, int nType, int nHelp);
