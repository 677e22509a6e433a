#include "viewing/Launchers.h"
#include "common/MessageBox.h"
#include "physprops/PhysPropsDlg.h"
#include "project/SpiProject.h"
#include "harbex/ToolManager.h"
#include "ipqc/ipqc.h"

CToolManager* g_pToolManager = nullptr;

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
    const char* pszWhat; // the tool as the user knows it
    QString strArgs;
    QString strCommand;
};

// A companion that cannot be started would otherwise leave the button
// doing nothing the user can see.
void TellIfNotStarted(const CToolManager& manager, const LaunchRequest& request)
{
    const CToolStartError* pError = manager.LastStartError(request.nId);
    if (!pError)
        return;
    const QString strWhat = QString::fromLatin1(request.pszWhat);
    if (pError->strPath.isEmpty())
        AfxMessageBox(QStringLiteral("Cannot start the %1: the program \"%2\" was not found.\n"
                                     "Looked in: %3")
                          .arg(strWhat, pError->strProgram,
                               pError->searched.isEmpty()
                                   ? QStringLiteral("no folder (PATH is empty)")
                                   : pError->searched.join(QStringLiteral(", "))));
    else
        AfxMessageBox(QStringLiteral("Cannot start the %1 \"%2\": %3")
                          .arg(strWhat, pError->strPath, pError->strReason));
}

int Launch(const LaunchRequest& request)
{
    CToolManager* pManager = g_pToolManager;
    const CBaseTool* pTool = pManager->FindTool(request.nId);
    if (pTool && pManager->GetToolWindow(request.nId, 1))
    {
        pManager->RunTool(request.nId);
        TellIfNotStarted(*pManager, request);
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
    TellIfNotStarted(*pManager, request);
    return 1;
}
} // namespace

int OpenSetupEditor(QString strProjectPath)
{
    if (!g_pToolManager)
        return 0;
    return Launch({kSetupEditorToolId, kSetupEditorProgram, "project setup editor",
                   QStringLiteral(" -proj ") + QuoteToolArgument(strProjectPath), QString()});
}

int NewFootprintDrawing()
{
    if (!g_pToolManager)
        return 0;
    return Launch({kPcbEditorToolId, kPcbEditorProgram, "PCB editor", QStringLiteral(""),
                   QStringLiteral("new unnamed.dra")});
}

int OpenFootprintDrawing(QString strPath)
{
    // A NUL would cut the message short; no file can be named with one.
    if (strPath.isEmpty() || strPath.contains(QChar(u'\0')))
        return 0;
    if (!g_pToolManager)
        return 0;
    return Launch({kPcbEditorToolId, kPcbEditorProgram, "PCB editor", QuoteToolArgument(strPath),
                   QStringLiteral("open \"") + strPath + u'"'});
}

void CPhysPropsDlg::OnEditorSetup()
{
    // Without a project the setup editor still opens, on no project file,
    // so the user can choose one there.
    OpenSetupEditor(m_pProject ? m_pProject->GetProjectPath() : QString());
}
