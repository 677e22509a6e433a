// SPDX-License-Identifier: MIT
#pragma once

#include "ui/UiExport.h"

#include "project/CoreServices.h"

#include <QString>

#include <functional>

class CToolManager;

namespace physprops::ui
{
// The outside world as the dialogs and flows reach it: the message box, the
// drawing opener, the host's tool manager, and the core's name and
// installation-root sources. Default() holds the real ones; a test builds
// its own from a copy of it.
class PHYSPROPS_UI_EXPORT CServices
{
public:
    // A plain box with one OK button; returns what the box returns.
    std::function<int(const QString& strText, int nType, int nHelp)> m_fnMessageBox;
    // Hands one drawing (an existing, readable file) to the PCB editor,
    // through these services' tool manager; 1 handed over, 0 refused.
    std::function<int(const QString& strPath, const CServices& services)> m_fnOpenDrawing;
    // The tool manager the launchers work through, or null.
    std::function<CToolManager*()> m_fnToolManager;
    // Sends one message ("Input open ...") to the running PCB editor through
    // the message session; 0 handed over, -1 not.
    std::function<int(const QByteArray& message)> m_fnSendMessage;
    physprops::core::CCoreServices m_Core = physprops::core::CCoreServices::Default();

    int MessageBox(const QString& strText) const
    {
        return m_fnMessageBox ? m_fnMessageBox(strText, 0, 0) : 1;
    }
    int OpenDrawing(const QString& strPath) const
    {
        return m_fnOpenDrawing ? m_fnOpenDrawing(strPath, *this) : 0;
    }
    CToolManager* ToolManager() const { return m_fnToolManager ? m_fnToolManager() : nullptr; }
    int SendMessage(const QByteArray& message) const
    {
        return m_fnSendMessage ? m_fnSendMessage(message) : -1;
    }

    static const CServices& Default();
};
} // namespace physprops::ui
