#include "Launchers.h"
#include "BackEndMain.h"
#include "PhysPropsDlg.h"
#include "SpiProject.h"
#include "ToolManager.h"
#include "ipqc.h"

namespace
{
const QString kPcbEditorProgram = QStringLiteral("brdedit");
const QString kSetupEditorProgram = QStringLiteral("prjsetup");

// One launch: the tool, what to start it with, and what to tell it when it
// already runs (a null command: only bring it forward).
struct LaunchRequest
{
    unsigned nId;
    const QString& strProgram;
    QString strArgs;
    QString strCommand;
};

int Launch(const LaunchRequest& request)
{
    CToolManager* pManager = g_pToolManager;
    const CBaseTool* pTool = pManager->FindTool(request.nId);
    if (pTool && pManager->GetToolWindow(request.nId, 1))
    {
        pManager->RunTool(request.nId);
        if (!request.strCommand.isNull())
        {
            // Framed by the message library, so the path travels whole
            // whatever it holds.
            const QByteArray command = request.strCommand.toUtf8();
            ipqSend(ipqListN("%s %s", "Input", command.constData()));
        }
        return 1;
    }
    if (pTool)
    {
        // Registered, but the program has gone: start over.
        pManager->UnregisterTool(request.nId);
        pManager->RemoveTool(request.nId, 1);
    }
    pManager->RegisterTool(request.nId, request.strProgram, request.strProgram, request.strArgs,
                           nullptr, 1, 0, 0);
    pManager->RunTool(request.nId);
    return 1;
}
} // namespace

int OpenSetupEditor(QString strProjectPath)
{
    if (!g_pToolManager)
        return 0;
    return Launch({kSetupEditorToolId, kSetupEditorProgram,
                   QStringLiteral(" -proj ") + QuoteToolArgument(strProjectPath), QString()});
}

int NewFootprintDrawing()
{
    if (!g_pToolManager)
        return 0;
    return Launch({kPcbEditorToolId, kPcbEditorProgram, QStringLiteral(""),
                   QStringLiteral("new unnamed.dra")});
}

int OpenFootprintDrawing(QString strPath)
{
    // A NUL would cut the message short; no file can be named with one.
    if (strPath.isEmpty() || strPath.contains(QChar(u'\0')))
        return 0;
    if (!g_pToolManager)
        return 0;
    return Launch({kPcbEditorToolId, kPcbEditorProgram, QuoteToolArgument(strPath),
                   QStringLiteral("open \"") + strPath + u'"'});
}

void CPhysPropsDlg::OnEditorSetup()
{
    // Without a project the setup editor still opens, on no project file,
    // so the user can choose one there.
    OpenSetupEditor(m_pProject ? m_pProject->GetProjectPath() : QString());
}
