// physprops: the reference host of the Physical Properties module.
#include "BackEndMain.h"
#include "HostOptions.h"
#include "ProjectFile.h"
#include "ScriptRunner.h"
#include "Session.h"
#include "SpiProject.h"
#include "ToolManager.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QLibrary>

#include <cstdio>
#include <memory>

namespace
{
enum ExitCode
{
    kExitOk = 0,
    kExitCancel = 1,
    kExitError = 2,
    kExitScript = 3,
};

void Out(const QString& s)
{
    std::fputs((s + u'\n').toUtf8().constData(), stdout);
    std::fflush(stdout);
}

void Err(const QString& s)
{
    std::fputs((QStringLiteral("physprops: ") + s + u'\n').toUtf8().constData(), stderr);
}

QString DefaultModulePath()
{
    const QDir bin(QCoreApplication::applicationDirPath());
    return QDir::cleanPath(bin.filePath(QStringLiteral("../lib/libphysprops_backend.so")));
}

CBackEndMain* CreateEntryObject(QLibrary& lib, QString& strError)
{
    if (!lib.load())
    {
        strError = QStringLiteral("cannot load the module: %1").arg(lib.errorString());
        return nullptr;
    }
    const auto* pClass = reinterpret_cast<const CRuntimeClass*>(lib.resolve("classCBackEndMain"));
    if (!pClass || !pClass->m_pfnCreateObject ||
        qstrcmp(pClass->m_lpszClassName, "CBackEndMain") != 0)
    {
        strError = QStringLiteral("%1 has no CBackEndMain class record").arg(lib.fileName());
        return nullptr;
    }
    QObject* pObject = pClass->m_pfnCreateObject();
    if (!pObject)
        strError = QStringLiteral("the module could not create its entry object");
    return static_cast<CBackEndMain*>(pObject);
}
} // namespace


void QuietHandler(QtMsgType type, const QMessageLogContext& ctx, const QString& msg)
{
    // The offscreen platform warns about window hints it cannot honour.
    if (msg.contains(QLatin1String("propagateSizeHints")))
        return;
    qt_message_output(type, ctx, msg);
}

int main(int argc, char** argv)
{
    qInstallMessageHandler(QuietHandler);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("physprops"));
    QApplication::setApplicationDisplayName(QStringLiteral("Physical Properties"));

    HostOptions opts;
    QString strError;
    if (!ParseHostOptions(QApplication::arguments().mid(1), opts, strError))
    {
        Err(strError);
        return kExitError;
    }
    if (opts.bHelp)
    {
        Out(HostHelpText());
        return kExitOk;
    }

    CSpiProject project;
    if (!opts.strProject.isEmpty())
    {
        const ProjectFileResult r = LoadProjectFile(opts.strProject, project);
        if (!r.bOk)
        {
            Err(r.strError);
            return kExitError;
        }
    }

    QLibrary lib(opts.strModule.isEmpty() ? DefaultModulePath() : opts.strModule);
    std::unique_ptr<CBackEndMain> pMain(CreateEntryObject(lib, strError));
    if (!pMain)
    {
        Err(strError);
        return kExitError;
    }
    if (opts.bVerbose)
        Out(QStringLiteral("module: %1").arg(QFileInfo(lib.fileName()).absoluteFilePath()));

    // The host owns the property array and its elements.
    CPropertyArray values;
    for (const auto& prop : opts.props)
        values.append(new CProperty(prop.first, prop.second));
    const auto freeValues = qScopeGuard([&values] { qDeleteAll(values); });

    CToolManager tools;
    pMain->SetToolObject(&tools);
    pMain->SetProjectFile(project.GetProjectPath());
    pMain->SetValues(&values, opts.strProject.isEmpty() ? nullptr : &project);
    if (opts.bVerbose)
    {
        QString strSession;
        if (FindCommandOption(QStringLiteral("ipqsession"), strSession) == 0)
            Out(QStringLiteral("session: %1").arg(strSession));
        else
            Out(QStringLiteral("session: none"));
    }

    std::unique_ptr<ScriptRunner> pScript;
    if (!opts.strScript.isEmpty())
    {
        if (QFontDatabase::families().isEmpty())
            Err(QStringLiteral("no fonts found: screenshots will show no text (install fonts-dejavu-core)"));
        pScript = std::make_unique<ScriptRunner>(
            opts.strScreenshots.isEmpty() ? QStringLiteral("screenshots") : opts.strScreenshots,
            [](const QString& s) { Out(s); });
        if (!pScript->Load(opts.strScript, strError))
        {
            Err(strError);
            return kExitError;
        }
        pScript->Start();
    }

    const int nResult = pMain->StartBackEnd();
    pMain.reset();

    if (pScript && pScript->Failed())
        return kExitScript;
    if (pScript && !pScript->Finished())
    {
        Err(QStringLiteral("the dialog closed before the script ended"));
        return kExitScript;
    }
    switch (nResult)
    {
    case 1:
        for (const CProperty* pProp : values)
            if (pProp)
                Out(pProp->GetName() + u'=' + pProp->GetValue());
        return kExitOk;
    case 2:
        if (opts.bVerbose)
            Out(QStringLiteral("cancelled"));
        return kExitCancel;
    default:
        Err(QStringLiteral("the dialog could not be shown (result %1)").arg(nResult));
        return kExitError;
    }
}
