// SPDX-License-Identifier: MIT
#include "entry/BackEndMain.h"
#include "common/Services.h"
#include "physprops/PhysPropsDlg.h"
#include "viewing/Launchers.h"

#include <QApplication>
#include <QThread>

#include <cstdio>
#include <new>

using physprops::ui::CServices;

QString g_strProjectFile;

extern "C"
{
    const CRuntimeClass classCDocument = {"CDocument", int(sizeof(QObject)), 0xFFFF, nullptr,
                                          nullptr};
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
    g_strProjectFile = std::move(strProjectFile);
}

namespace
{
// Why no dialog can be made in this process or on this thread, or nothing
// when one can. Qt ends the process on a widget made without a QApplication,
// and a widget made off the application's thread is undefined: both are a
// host's mistake that must come back as -1, not take the host down.
const char* WhyNoDialog()
{
    const auto* pApp = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (!pApp)
        return "StartBackEnd needs a QApplication, and this process has none";
    if (QThread::currentThread() != pApp->thread())
        return "StartBackEnd must be called on the QApplication's thread";
    return nullptr;
}
} // namespace

int CBackEndMain::StartBackEnd()
{
    if (!m_pValues)
        return -1;
    if (const char* pszWhy = WhyNoDialog())
    {
        // No message box can be shown here either: the host's standard error.
        std::fprintf(stderr, "Backend dialog-box creation failed: %s\n", pszWhy);
        return -1;
    }
    CPhysPropsDlg dlg(m_pValues, m_pProject, *m_pServices);
    const int nResult = dlg.DoModal();
    if (nResult == -1)
        m_pServices->MessageBox(
            QCoreApplication::translate("CBackEndMain", "Backend dialog-box creation failed"));
    return nResult;
}
