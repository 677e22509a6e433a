// SPDX-License-Identifier: MIT
#include "common/MessageBox.h"
#include "common/Services.h"
#include "ipqc/IpqOutbox.h"

CToolManager* g_pToolManager = nullptr;

namespace physprops::ui
{
namespace
{
class CBoxMessages final : public IMessages
{
public:
    int MessageBox(const QString& strText, int nType, int nHelp) const override
    {
        return ShowMessageBox(strText, nType, nHelp);
    }
};

class CHostTools final : public IToolSource
{
public:
    CToolManager* ToolManager() const override { return g_pToolManager; }
};

// Never blocks: a request the editor cannot take yet waits in the session's
// outbox, which the event loop empties.
class COutboxSender final : public IEditorSender
{
public:
    int SendMessage(const QByteArray& message) const override
    {
        return ipqc::COutbox::ForSession(ipqc::CurrentSession()).Post(message) ? 0 : -1;
    }
};
} // namespace

const CServices& CServices::Default()
{
    static const CBoxMessages s_messages;
    static const CHostTools s_tools;
    static const COutboxSender s_sender;
    // Drawings go to the PCB editor through these services (no opener).
    static const CServices s_services(s_messages, s_tools, s_sender,
                                      physprops::core::CCoreServices::Default());
    return s_services;
}
} // namespace physprops::ui
