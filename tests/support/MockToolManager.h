// SPDX-License-Identifier: MIT
#pragma once

#include "harbex/ToolManager.h"

#include <gmock/gmock.h>

// Records every call the module makes on the host's tool manager.
class MockToolManager : public CToolManager
{
public:
    MOCK_METHOD(void, RunTool, (unsigned nId), (override));
    MOCK_METHOD(void, RemoveTool, (unsigned nId, int nFlag), (override));
    MOCK_METHOD(CBaseTool*, DoFindTool, (unsigned nId), (override));
    MOCK_METHOD(QObject*, DoGetToolWindow, (unsigned nId, int nFlag), (override));
    MOCK_METHOD(void, DoUnregisterTool, (unsigned nId), (override));
    MOCK_METHOD(void, DoRegisterTool,
                (unsigned nId, const QString& strProgram, const QString& strName,
                 const QString& strArgs, const char* pszExtra, int nFlag1, int nFlag2, int nFlag3),
                (override));
};
