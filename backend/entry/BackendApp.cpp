// SPDX-License-Identifier: MIT
#include "common/Texts.h"
#include "entry/BackEndMain.h"
#include "grid/Grids.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocale>

#include <dlfcn.h>

using physprops::ui::InstallTranslations;

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
// The catalogues lie at a fixed place relative to the module, installed or
// in the build tree; the module finds itself rather than trusting the
// host's working folder or installation prefix.
QStringList TranslationFolders()
{
    Dl_info info{};
    if (dladdr(reinterpret_cast<const void*>(&TranslationFolders), &info) == 0 || !info.dli_fname)
        return {};
    const QDir moduleDir = QFileInfo(QFile::decodeName(info.dli_fname)).absoluteDir();
    return {QDir::cleanPath(moduleDir.filePath(QStringLiteral(PHYSPROPS_QM_FROM_MODULE))),
            QDir::cleanPath(moduleDir.filePath(QStringLiteral(PHYSPROPS_QM_FROM_BUILT_MODULE)))};
}

void StartBackendApp()
{
    // Before the first dialog, once per process. The user's locale, not a
    // default the host may have set: it follows LANGUAGE, LC_ALL, LC_MESSAGES
    // and LANG, in that order.
    static const bool s_bTranslated = []
    {
        InstallTranslations(QLocale::system(), TranslationFolders());
        return true;
    }();
    Q_UNUSED(s_bTranslated);
    CBackendApp::Instance().InitInstance();
}
} // namespace

// Runs when the process's Qt application is created, or at once when the
// module is loaded into a process that already has one.
Q_COREAPP_STARTUP_FUNCTION(StartBackendApp)
