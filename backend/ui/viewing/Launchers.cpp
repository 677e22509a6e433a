#include "viewing/Launchers.h"
#include "common/MessageBox.h"
#include "common/Services.h"
#include "common/Texts.h"
#include "harbex/ToolManager.h"
#include "ipqc/ipqc.h"

CToolManager* g_pToolManager = nullptr;

namespace
{
// A companion that cannot be started would otherwise leave the button
// doing nothing the user can see.
void TellIfNotStarted(const CToolManager& manager, const CLaunchRequest& request,
                      const CServices& services)
{
    const CToolStartError* pError = manager.LastStartError(request.m_nToolId);
    if (!pError)
        return;
    if (pError->strPath.isEmpty())
        services.MessageBox(
            CTexts::tr("Cannot start the %1: the program \"%2\" was not found.\n"
                       "Looked in: %3")
                .arg(CTexts::Core(request.m_strWhat), pError->strProgram,
                     pError->searched.isEmpty() ? CTexts::tr("no folder (PATH is empty)")
                                                : pError->searched.join(QStringLiteral(", "))));
    else
        services.MessageBox(CTexts::tr("Cannot start the %1 \"%2\": %3")
                                .arg(CTexts::Core(request.m_strWhat), pError->strPath, pError->strReason));
}

int Launch(const CLaunchRequest& request, const CServices& services)
{
    CToolManager* pManager = services.ToolManager();
    if (!pManager)
        return 0;
    const unsigned nId = request.m_nToolId;
    const CBaseTool* pTool = pManager->FindTool(nId);
    if (pTool && pManager->GetToolWindow(nId, 1))
    {
        pManager->RunTool(nId);
        TellIfNotStarted(*pManager, request, services);
        if (!request.m_strCommand.isNull())
        {
            services.SendMessage("Input " + request.m_strCommand.toUtf8());
        }
        return 1;
    }
    if (pTool)
    {
        // Registered, but the program has gone: start over.
        pManager->UnregisterTool(nId);
        pManager->RemoveTool(nId, 1);
    }
    pManager->RegisterTool(nId, request.m_strProgram, request.m_strProgram, request.m_strArgs,
                           nullptr, 1, 0, 0);
    pManager->RunTool(nId);
    TellIfNotStarted(*pManager, request, services);
    return 1;
}
} // namespace

const CServices& CServices::Default()
{
    static const CServices s_services{
        &ShowMessageBox,
        [](const QString& strPath, const CServices& services)
        { return CLaunchers(services).OpenFootprintDrawing(strPath); },
        [] { return g_pToolManager; },
        [](const QByteArray& message) { return ipqSend(ipqListN("%s", message.constData())); },
    };
    return s_services;
}

int OpenSetupEditor(QString strProjectPath)
{
    return CLaunchers(CServices::Default()).OpenSetupEditor(strProjectPath);
}

int NewFootprintDrawing()
{
    return CLaunchers(CServices::Default()).NewFootprintDrawing();
}

int OpenFootprintDrawing(QString strPath)
{
    return CLaunchers(CServices::Default()).OpenFootprintDrawing(strPath);
}

int CLaunchers::OpenSetupEditor(const QString& strProjectPath) const
{
    return Launch(SetupEditorRequest(strProjectPath), m_services);
}

int CLaunchers::NewFootprintDrawing() const
{
    return Launch(NewDrawingRequest(), m_services);
}

int CLaunchers::OpenFootprintDrawing(const QString& strPath) const
{
    const std::optional<CLaunchRequest> request = OpenDrawingRequest(strPath);
    return request ? Launch(*request, m_services) : 0;
}
