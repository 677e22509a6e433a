// SPDX-License-Identifier: MIT
#pragma once

#include <QPoint>
#include <QString>
#include <Qt>

class QWidget;

// Input for the walkthrough scripts, sent through the application as a
// user's would arrive: each key a press and a release with its text, each
// click a press and a release that give the focus where a click gives it.
namespace host
{
void SendKeyClick(QWidget* pWidget, Qt::Key nKey);
// One key click per character of strText.
void SendKeyClicks(QWidget* pWidget, const QString& strText);
// strText as an input method delivers a composed text: each run of printable
// characters in one key press that carries it all, each control character
// (tab, line break, ...) as its own key. A widget then takes a long text in
// one insertion instead of one per character.
void SendText(QWidget* pWidget, const QString& strText);
void SendMouseClick(QWidget* pWidget, QPoint pos, Qt::KeyboardModifiers mods = {});
// The double-click event alone; a script clicks first, as a user's first
// press of a double-click would.
void SendMouseDoubleClick(QWidget* pWidget, QPoint pos);
} // namespace host
