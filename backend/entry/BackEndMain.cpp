#include "entry/BackEndMain.h"
#include "common/Services.h"
#include "physprops/PhysPropsDlg.h"
#include "viewing/Launchers.h"

#include <new>

QString g_strProjectFile;

extern "C" {
const CRuntimeClass classCDocument = {"CDocument", int(sizeof(QObject)), 0xFFFF, nullptr, nullptr};
const CRuntimeClass classCBackEndMain = {"CBackEndMain", int(sizeof(CBackEndMain)), 0xFFFF,
                                         &CBackEndMain::CreateObject, &classCDocument};

const char* PhysPropsModuleVersion(void)
{
    return PHYSPROPS_VERSION;
}
}

CBackEndMain::CBackEndMain() : CBackEndMain(CServices::Default()) {}

CBackEndMain::CBackEndMain(const CServices& services) : m_pServices(&services) {}

CBackEndMain::~CBackEndMain()
{
    m_pValues = nullptr;
    m_pProject = nullptr;
}

QObject* CBackEndMain::CreateObject()
{
    return new (std::nothrow) CBackEndMain;
}

int CBackEndMain::SetToolObject(CToolManager* pToolManager)
{
    if (!pToolManager)
        return 0;
    g_pToolManager = pToolManager;
    return 1;
}

void CBackEndMain::SetProjectFile(QString strProjectFile)
{
    g_strProjectFile = strProjectFile;
}

int CBackEndMain::StartBackEnd()
{
    if (!m_pValues)
        return -1;
    CPhysPropsDlg dlg(m_pValues, m_pProject, *m_pServices);
    const int nResult = dlg.DoModal();
    if (nResult == -1)
        m_pServices->MessageBox(QCoreApplication::translate("CBackEndMain", "Backend dialog-box creation failed"));
    return nResult;
}
