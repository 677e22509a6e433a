// SPDX-License-Identifier: MIT
#pragma once

#include "common/Services.h"

#include <QByteArray>
#include <QString>

#include <functional>

namespace testsupport
{
// Services a test controls. Each part does what the module's own does until
// the test gives it a function; a part may be changed while dialogs built
// on these services run, and the services must outlive them.
class CFakeServices final : public physprops::ui::CServices
{
public:
    CFakeServices();
    CFakeServices(const CFakeServices&) = delete;
    CFakeServices& operator=(const CFakeServices&) = delete;

    // Empty: the real box.
    std::function<int(const QString& strText, int nType, int nHelp)> fnMessageBox;
    // Empty: the PCB editor, through these services.
    std::function<int(const QString& strPath)> fnOpenDrawing;
    // Empty: the host's tool manager.
    std::function<CToolManager*()> fnToolManager;
    // Empty: the session's outbox.
    std::function<int(const QByteArray& message)> fnSendMessage;
    // The core's sources of names, changed in place by a test.
    physprops::core::CCoreServices core = physprops::core::CCoreServices::Default();

private:
    class CParts final : public physprops::ui::IMessages,
                         public physprops::ui::IToolSource,
                         public physprops::ui::IEditorSender,
                         public physprops::ui::IDrawingOpener
    {
    public:
        explicit CParts(const CFakeServices& owner) : m_owner(owner) {}
        int MessageBox(const QString& strText, int nType, int nHelp) const override;
        CToolManager* ToolManager() const override;
        int SendMessage(const QByteArray& message) const override;
        int OpenDrawing(const QString& strPath) const override;

    private:
        const CFakeServices& m_owner;
    };
    CParts m_parts{*this};
};
} // namespace testsupport
