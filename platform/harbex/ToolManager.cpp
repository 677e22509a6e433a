#include "ToolManager.h"

CBaseTool::CBaseTool(unsigned nId, const QString& strProgram, const QString& strName,
                     const QString& strArgs)
    : m_nId(nId), m_strProgram(strProgram), m_strName(strName), m_strArgs(strArgs)
{
}

CBaseTool::~CBaseTool() = default;

CToolManager::CToolManager() = default;
CToolManager::~CToolManager() = default;

CBaseTool* CToolManager::FindTool(unsigned nId) { return DoFindTool(nId); }
QObject* CToolManager::GetToolWindow(unsigned nId, int nFlag) { return DoGetToolWindow(nId, nFlag); }
void CToolManager::UnregisterTool(unsigned nId) { DoUnregisterTool(nId); }
void CToolManager::RegisterTool(unsigned nId, const QString& strProgram, const QString& strName,
                                const QString& strArgs, const char* pszExtra, int nFlag1,
                                int nFlag2, int nFlag3)
{
    DoRegisterTool(nId, strProgram, strName, strArgs, pszExtra, nFlag1, nFlag2, nFlag3);
}

CBaseTool* CToolManager::DoFindTool(unsigned) { return nullptr; }
QObject* CToolManager::DoGetToolWindow(unsigned, int) { return nullptr; }
void CToolManager::DoUnregisterTool(unsigned) {}
void CToolManager::DoRegisterTool(unsigned, const QString&, const QString&, const QString&,
                                  const char*, int, int, int)
{
}
void CToolManager::RunTool(unsigned) {}
void CToolManager::RemoveTool(unsigned, int) {}
