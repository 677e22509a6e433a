#pragma once

#include <QString>

#include <functional>

// The module's one way to tell the user something: a plain box with an OK
// button. Tests and scripted hosts replace the handler to read the texts.
using MessageBoxHandler = std::function<int(const QString& strText, int nType, int nHelp)>;

int AfxMessageBox(const QString& strText, int nType = 0, int nHelp = 0);

// Installs a handler (an empty one restores the real box); returns the old one.
MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler);
