// physprops: the reference host of the Physical Properties module.
#include "entry/BackEndMain.h"
#include "HostOptions.h"
#include "project/ProjectFile.h"
#include "ScriptRunner.h"
#include "project/SpiProject.h"
#include "harbex/QuietMessages.h"
#include "harbex/ToolManager.h"
#include "ipqc/IpqOutbox.h"
#include "ipqc/IpqChannel.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QLibrary>
#include <QProcessEnvironment>

#include <cstdio>
#include <memory>
#include <optional>

namespace host
{
namespace
{
enum ExitCode
{
    kExitOk = 0,
    kExitCancel = 1,
    kExitError = 2,
    kExitScript = 3,
    kExitUndelivered = 4,
};

// How long View requests that the PCB editor has not taken yet may hold up the end.
constexpr int kDeliveryWaitMs = 10000;

// Standard output carries the result alone, so a program can read it.
bool Out(const QByteArray& bytes)
{
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    return std::fflush(stdout) == 0 && !std::ferror(stdout);
}

// What the host and the script have to say goes to standard error.
void Say(const QString& s)
{
    std::fputs((s + u'\n').toUtf8().constData(), stderr);
}

void Err(const QString& s)
{
    Say(QStringLiteral("physprops: ") + s);
}

// The module's plug-in folder when installed, else the build tree's lib/.
QString DefaultModulePath()
{
    const QDir bin(QCoreApplication::applicationDirPath());
    const QString strInstalled = QDir::cleanPath(
        bin.filePath(QStringLiteral(PHYSPROPS_BIN_TO_PLUGIN "/libphysprops_backend.so")));
    if (QFileInfo::exists(strInstalled))
        return strInstalled;
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

// The session the module joined (it joins one only for a project), else the
// one the host was started in, if any.
std::optional<QString> SessionName()
{
    if (const std::optional<ipqc::SessionAddress> joined = ipqc::JoinedSession())
        return joined->strSession;
    ipqc::SessionAddress addr;
    if (ipqc::ParseSessionOptions(QCoreApplication::arguments(), addr))
        return addr.strSession;
    return std::nullopt;
}
} // namespace
} // namespace host

int main(int argc, char** argv)
{
    using namespace host;
    InstallQuietMessageHandler();

    // Options, files and the display are checked before QApplication exists:
    // without a display it would abort, so --help and every usage error
    // could never be answered.
    HostOptions opts;
    QString strError;
    QByteArrayList args;
    for (int i = 1; i < argc; ++i)
        args.append(QByteArray(argv[i]));
    if (!ParseHostArguments(args, opts, strError))
    {
        Err(strError);
        return kExitError;
    }
    if (opts.bHelp)
        return Out(HostHelpText().toUtf8()) ? kExitOk : kExitError;
    if (opts.bVersion)
        return Out("physprops " PHYSPROPS_VERSION "\n") ? kExitOk : kExitError;

    CSpiProject project;
    if (!opts.strProject.isEmpty())
    {
        const CProjectFileResult r = LoadProjectFile(opts.strProject, project);
        if (!r.bOk)
        {
            Err(r.strError);
            return kExitError;
        }
    }

    QStringList scriptLines;
    const bool bScript = !opts.strScript.isEmpty();
    if (bScript && !ScriptRunner::ReadScript(opts.strScript, scriptLines, strError))
    {
        Err(strError);
        return kExitError;
    }

    const QString strNoDisplay = MissingDisplay(opts, QProcessEnvironment::systemEnvironment());
    if (!strNoDisplay.isEmpty())
    {
        // A walkthrough needs no one to see it; a platform the user chose is kept.
        if (bScript && opts.strQtPlatform.isEmpty() && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        else
        {
            Err(QStringLiteral("no display to show the dialog on (%1); play a walkthrough with "
                               "--script FILE, or set QT_QPA_PLATFORM=offscreen")
                    .arg(strNoDisplay));
            return kExitError;
        }
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("physprops"));
    QApplication::setApplicationDisplayName(QStringLiteral("Physical Properties"));
    QApplication::setApplicationVersion(QStringLiteral(PHYSPROPS_VERSION));

    QLibrary lib(opts.strModule.isEmpty() ? DefaultModulePath() : opts.strModule);
    std::unique_ptr<CBackEndMain> pMain(CreateEntryObject(lib, strError));
    if (!pMain)
    {
        Err(strError);
        return kExitError;
    }
    if (opts.bVerbose)
    {
        using VersionFn = const char* (*)();
        const auto pVersion = reinterpret_cast<VersionFn>(lib.resolve("PhysPropsModuleVersion"));
        Say(QStringLiteral("module: %1 (version %2)")
                .arg(QFileInfo(lib.fileName()).absoluteFilePath(),
                     QString::fromUtf8(pVersion ? pVersion() : "unknown")));
    }

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
        if (const std::optional<QString> strSession = SessionName())
            Say(QStringLiteral("session: %1").arg(*strSession));
        else
            Say(QStringLiteral("session: none"));
    }

    std::unique_ptr<ScriptRunner> pScript;
    if (bScript)
    {
        if (QFontDatabase::families().isEmpty())
            Err(QStringLiteral("no fonts found: screenshots will show no text (install fonts-dejavu-core)"));
        pScript = std::make_unique<ScriptRunner>(
            opts.strScreenshots.isEmpty() ? QStringLiteral("screenshots") : opts.strScreenshots,
            [](const QString& s) { Say(s); });
        pScript->SetSteps(scriptLines);
        pScript->Start();
    }

    const int nResult = pMain->StartBackEnd();
    const qsizetype nUndelivered = ipqc::COutbox::FlushAll(kDeliveryWaitMs);
    pMain.reset();
    if (nUndelivered > 0)
        Err(QStringLiteral("%1 View request(s) did not reach the PCB editor (the reason is above)")
                .arg(nUndelivered));

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
    {
        HostProperties result;
        for (const CProperty* pProp : values)
            if (pProp)
                result.append({pProp->GetName(), pProp->GetValue()});
        if (!Out(FormatHostResult(result, opts.output)))
        {
            Err(QStringLiteral("cannot write the values to standard output"));
            return kExitError;
        }
        return nUndelivered > 0 ? kExitUndelivered : kExitOk;
    }
    case 2:
        if (opts.bVerbose)
            Say(QStringLiteral("cancelled"));
        return nUndelivered > 0 ? kExitUndelivered : kExitCancel;
    default:
        Err(QStringLiteral("the dialog could not be shown (result %1)").arg(nResult));
        return kExitError;
    }
}
