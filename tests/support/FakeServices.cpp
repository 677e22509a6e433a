// SPDX-License-Identifier: MIT
#include "FakeServices.h"

#include "viewing/Launchers.h"

using physprops::ui::CLaunchers;
using physprops::ui::CServices;

namespace testsupport
{
// The parts are bound before they are made; nothing reads them until then.
CFakeServices::CFakeServices() : CServices(m_parts, m_parts, m_parts, core, &m_parts) {}

int CFakeServices::CParts::MessageBox(const QString& strText, int nType, int nHelp) const
{
    return m_owner.fnMessageBox ? m_owner.fnMessageBox(strText, nType, nHelp)
                                : CServices::Default().m_Messages.MessageBox(strText, nType, nHelp);
}

CToolManager* CFakeServices::CParts::ToolManager() const
{
    return m_owner.fnToolManager ? m_owner.fnToolManager() : CServices::Default().ToolManager();
}

int CFakeServices::CParts::SendMessage(const QByteArray& message) const
{
    return m_owner.fnSendMessage ? m_owner.fnSendMessage(message)
                                 : CServices::Default().SendMessage(message);
}

int CFakeServices::CParts::OpenDrawing(const QString& strPath) const
{
    return m_owner.fnOpenDrawing ? m_owner.fnOpenDrawing(strPath)
                                 : CLaunchers(m_owner).OpenFootprintDrawing(strPath);
}
} // namespace testsupport
