// SPDX-License-Identifier: MIT
#pragma once

#include "ui/UiExport.h"

#include "project/CoreServices.h"

#include <QByteArray>
#include <QString>

class CToolManager;

namespace physprops::ui
{
// Tells the user something: a plain box with one OK button.
class PHYSPROPS_UI_EXPORT IMessages
{
public:
    virtual ~IMessages() = default;
    // What the box returns (1: OK).
    virtual int MessageBox(const QString& strText, int nType, int nHelp) const = 0;
};

// Hands one drawing (an existing, readable file) to whatever shows it.
class PHYSPROPS_UI_EXPORT IDrawingOpener
{
public:
    virtual ~IDrawingOpener() = default;
    // 1 handed over, 0 refused.
    virtual int OpenDrawing(const QString& strPath) const = 0;
};

// The host's tool manager, which starts and raises the companion programs.
class PHYSPROPS_UI_EXPORT IToolSource
{
public:
    virtual ~IToolSource() = default;
    // Null when the host gave none, or it has gone.
    virtual CToolManager* ToolManager() const = 0;
};

// Sends one message ("Input open ...") to the running PCB editor.
class PHYSPROPS_UI_EXPORT IEditorSender
{
public:
    virtual ~IEditorSender() = default;
    // 0 handed over, -1 not.
    virtual int SendMessage(const QByteArray& message) const = 0;
};

// The outside world as the dialogs and flows reach it, each part by
// reference. Default() holds the real ones; a test builds its own set.
class PHYSPROPS_UI_EXPORT CServices
{
public:
    CServices(const IMessages& messages, const IToolSource& tools, const IEditorSender& editor,
              const physprops::core::CCoreServices& core, const IDrawingOpener* pDrawings = nullptr)
        : m_Messages(messages), m_Tools(tools), m_Editor(editor), m_Core(core),
          m_pDrawings(pDrawings)
    {
    }

    const IMessages& m_Messages;
    const IToolSource& m_Tools;
    const IEditorSender& m_Editor;
    const physprops::core::CCoreServices& m_Core;
    // Null: a drawing goes to the PCB editor through these same services
    // (the launchers, which live above this folder, decide how).
    const IDrawingOpener* m_pDrawings;

    int MessageBox(const QString& strText) const { return m_Messages.MessageBox(strText, 0, 0); }
    CToolManager* ToolManager() const { return m_Tools.ToolManager(); }
    int SendMessage(const QByteArray& message) const { return m_Editor.SendMessage(message); }

    // Built in common/DefaultServices.cpp.
    static const CServices& Default();
};
} // namespace physprops::ui

// The host's tool manager, shared by every entry object of the module: set
// by CBackEndMain::SetToolObject, handed out by the default services.
PHYSPROPS_UI_EXPORT extern CToolManager* g_pToolManager;
