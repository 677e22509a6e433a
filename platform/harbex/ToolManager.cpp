#include "ToolManager.h"

CBaseTool::CBaseTool(unsigned nId, const QString& strProgram, const QString& strName,
                     const QString& strArgs)
    : m_nId(nId), m_strProgram(strProgram), m_strName(strName), m_strArgs(strArgs)
{
}

CBaseTool::~CBaseTool() = default;

CToolManager::CToolManager() = default;
CToolManager::~CToolManager() = default;

CBaseTool* CToolManager::FindTool(unsigned) { return nullptr; }
QObject* CToolManager::GetToolWindow(unsigned, int) { return nullptr; }
void CToolManager::UnregisterTool(unsigned) {}
void CToolManager::RegisterTool(unsigned, const QString&, const QString&, const QString&,
                                const char*, int, int, int)
{
}
void CToolManager::RunTool(unsigned) {}
void CToolManager::RemoveTool(unsigned, int) {}
