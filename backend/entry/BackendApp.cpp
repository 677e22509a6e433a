#include "entry/BackEndMain.h"
#include "grid/Grids.h"

#include <QCoreApplication>

CBackendApp& CBackendApp::Instance()
{
    static CBackendApp s_app;
    return s_app;
}

bool CBackendApp::InitInstance()
{
    if (m_bInitialized)
        return true;
    GXInit(2048, nullptr, nullptr);
    CLocGrid::RegisterClassA();
    CSymbolGrid::RegisterClassA();
    CPhysPropsGrid::RegisterClassA();
    m_bInitialized = true;
    return true;
}

namespace
{
void StartBackendApp() { CBackendApp::Instance().InitInstance(); }
} // namespace

// Runs when the process's Qt application is created, or at once when the
// module is loaded into a process that already has one.
Q_COREAPP_STARTUP_FUNCTION(StartBackendApp)
