#pragma once

#include <Qt>
#include <QPoint>
#include <QString>

class QWidget;

// Input for the walkthrough scripts, sent through the application as a
// user's would arrive: each key a press and a release with its text, each
// click a press and a release that give the focus where a click gives it.
namespace host
{
void SendKeyClick(QWidget* pWidget, Qt::Key nKey);
// One key click per character of strText.
void SendKeyClicks(QWidget* pWidget, const QString& strText);
void SendMouseClick(QWidget* pWidget, QPoint pos, Qt::KeyboardModifiers mods = {});
// The double-click event alone; a script clicks first, as a user's first
// press of a double-click would.
void SendMouseDoubleClick(QWidget* pWidget, QPoint pos);
// Lets events run until the window is active or nMs have passed.
bool WaitForWindowActive(QWidget* pWindow, int nMs);
} // namespace host
