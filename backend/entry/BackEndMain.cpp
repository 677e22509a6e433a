#include "entry/BackEndMain.h"
#include "common/MessageBox.h"
#include "physprops/PhysPropsDlg.h"
#include "viewing/Launchers.h"

#include <new>

QString g_strProjectFile;

extern "C" {
const CRuntimeClass classCDocument = {"CDocument", int(sizeof(QObject)), 0xFFFF, nullptr, nullptr};
const CRuntimeClass classCBackEndMain = {"CBackEndMain", int(sizeof(CBackEndMain)), 0xFFFF,
                                         &CBackEndMain::CreateObject, &classCDocument};
}

CBackEndMain::CBackEndMain() = default;

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
    CPhysPropsDlg dlg(m_pValues, m_pProject);
    const int nResult = dlg.DoModal();
    if (nResult == -1)
        AfxMessageBox(QStringLiteral("Backend dialog-box creation failed"), 0, 0);
    return nResult;
}
