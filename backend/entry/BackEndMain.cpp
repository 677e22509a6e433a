// SPDX-License-Identifier: MIT
#include "entry/BackEndMain.h"
#include "common/Services.h"
#include "ipqc/ipqc.h"
#include "physprops/PhysPropsDlg.h"
#include "project/Session.h"
#include "project/SpiProject.h"
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

void CBackEndMain::SetValues(CPropertyArray* pValues, CSpiProject* pProject)
{
    m_pValues = pValues;
    m_pProject = pProject;
    if (!pProject)
        return;

    // The calling host's name starts the message client's command line.
    const QByteArray appName =
        QCoreApplication::instance() ? QCoreApplication::applicationName().toUtf8() : QByteArray();
    int nArgc = 0;
    char** ppArgv = nullptr;
    if (CProjectSession(*pProject, m_pServices->m_Core)
            .InitMessageSession(appName.isNull() ? nullptr : appName.constData(), &nArgc,
                                &ppArgv) != 0)
        return;
    ipqcInit(&nArgc, ppArgv);
    // Only the array: the texts stay with the split for the message client.
    delete[] ppArgv;
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
