// SPDX-License-Identifier: MIT
// physprops: the reference host of the Physical Properties module.
#include "DisplayProbe.h"
#include "HostOptions.h"
#include "ScriptRunner.h"
#include "entry/BackEndMain.h"
#include "harbex/QuietMessages.h"
#include "harbex/ToolManager.h"
#include "ipqc/IpqChannel.h"
#include "ipqc/IpqOutbox.h"
#include "project/ProjectFile.h"
#include "project/SearchPath.h"
#include "project/SpiProject.h"

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
// The exit statuses that scripts read (--help and the manual page list them).
enum class ExitCode : int
{
    kOk = 0,
    kCancel = 1,
    kError = 2,
    kScript = 3,
    kUndelivered = 4,
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
    QString strInstalled = QDir::cleanPath(
        bin.filePath(QStringLiteral(PHYSPROPS_BIN_TO_PLUGIN "/libphysprops_backend.so")));
    if (QFileInfo::exists(strInstalled))
        return strInstalled;
    return QDir::cleanPath(bin.filePath(QStringLiteral("../lib/libphysprops_backend.so")));
}

// strPath as the user gave it, for messages; the library is loaded from
// exactly that file (a loader left to itself tries other names, and would
// report the last one it tried).
CBackEndMain* CreateEntryObject(QLibrary& lib, const QString& strPath, QString& strError)
{
    const QFileInfo file(strPath);
    if (!file.exists())
    {
        strError = QStringLiteral("cannot load the module %1: there is no such file (--module "
                                  "names the module's .so file)")
                       .arg(strPath);
        return nullptr;
    }
    if (!file.isFile())
    {
        strError = QStringLiteral("cannot load the module %1: not a file").arg(strPath);
        return nullptr;
    }
    lib.setFileName(file.absoluteFilePath());
    if (!lib.load())
    {
        strError = QStringLiteral("cannot load the module %1: %2").arg(strPath, lib.errorString());
        return nullptr;
    }
    const auto* pClass = reinterpret_cast<const CRuntimeClass*>(lib.resolve("classCBackEndMain"));
    if (!pClass || !pClass->m_pfnCreateObject ||
        qstrcmp(pClass->m_lpszClassName, "CBackEndMain") != 0)
    {
        strError = QStringLiteral("%1 has no CBackEndMain class record: it is not the Physical "
                                  "Properties module")
                       .arg(strPath);
        return nullptr;
    }
    QObject* pObject = pClass->m_pfnCreateObject();
    if (!pObject)
        strError = QStringLiteral("the module %1 could not create its entry object").arg(strPath);
    return static_cast<CBackEndMain*>(pObject);
}

// The session the module joined: it joins one only for a project, so an
// -ipqsession given without one names a session nobody joined.
std::optional<QString> SessionName()
{
    if (const std::optional<ipqc::SessionAddress> joined = ipqc::JoinedSession())
        return joined->strSession;
    return std::nullopt;
}

// Each step of a start returns the exit status when the host ends there,
// nothing when it goes on.
using Stop = std::optional<ExitCode>;

// Options, files and the display are checked before QApplication exists:
// without a display it would abort, so --help and every usage error could
// never be answered.
Stop ReadOptions(int argc, char** argv, HostOptions& opts)
{
    QString strError;
    QByteArrayList args;
    for (int i = 1; i < argc; ++i)
        args.append(QByteArray(argv[i]));
    if (!ParseHostArguments(args, opts, strError))
    {
        Err(strError);
        return ExitCode::kError;
    }
    if (opts.bHelp)
        return Out(HostHelpText().toUtf8()) ? ExitCode::kOk : ExitCode::kError;
    if (opts.bVersion)
        return Out("physprops " PHYSPROPS_VERSION "\n") ? ExitCode::kOk : ExitCode::kError;
    return std::nullopt;
}

Stop LoadProject(const HostOptions& opts, CSpiProject& project)
{
    if (opts.strProject.isEmpty())
        return std::nullopt;
    const CProjectFileResult r = LoadProjectFile(opts.strProject, project);
    if (!r.bOk)
    {
        Err(r.strError);
        return ExitCode::kError;
    }
    if (opts.bVerbose)
        for (const CPathLineNote& note :
             physprops::core::ProjectLineNotes(r.lines, opts.strProject))
            Say(note.Describe());
    return std::nullopt;
}

// The whole script is checked here, so that a wrong step is told before
// anything is shown or played.
Stop ReadWalkthrough(const HostOptions& opts, QList<ScriptStep>& steps)
{
    if (opts.strScript.isEmpty())
        return std::nullopt;
    QString strError;
    QStringList lines;
    if (!ReadScript(opts.strScript, lines, strError))
    {
        Err(strError);
        return ExitCode::kError;
    }
    if (!ParseScript(lines, opts.strScript, steps, strError))
    {
        Err(strError + QStringLiteral("; nothing was played"));
        return ExitCode::kScript;
    }
    return std::nullopt;
}

// Qt ends the process when it cannot open the display it picks, so the
// display is tried here first.
Stop ChooseDisplay(const HostOptions& opts)
{
    const QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    const QString strNoDisplay =
        displayprobe::DisplayProblem({opts.strQtPlatform, opts.strQtDisplay}, env);
    if (strNoDisplay.isEmpty())
        return std::nullopt;
    if (opts.strScript.isEmpty())
    {
        Err(QStringLiteral("no display to show the dialog on (%1); run it on a display, or "
                           "play a walkthrough with --script FILE")
                .arg(strNoDisplay));
        return ExitCode::kError;
    }
    if (!opts.strQtPlatform.isEmpty() || !env.value(QStringLiteral("QT_QPA_PLATFORM")).isEmpty())
    {
        Err(QStringLiteral("no display to show the dialog on (%1); a walkthrough needs none: %2")
                .arg(strNoDisplay,
                     opts.strQtPlatform.isEmpty()
                         ? QStringLiteral("set QT_QPA_PLATFORM=offscreen to play it offscreen")
                         : QStringLiteral("leave out -platform %1 to play it offscreen")
                               .arg(opts.strQtPlatform)));
        return ExitCode::kError;
    }
    // A walkthrough needs no one to see it.
    if (!env.value(QStringLiteral("DISPLAY")).isEmpty() ||
        !env.value(QStringLiteral("WAYLAND_DISPLAY")).isEmpty() || !opts.strQtDisplay.isEmpty())
        Err(QStringLiteral("%1; the walkthrough plays offscreen").arg(strNoDisplay));
    qputenv("QT_QPA_PLATFORM", "offscreen");
    return std::nullopt;
}

Stop LoadModule(const HostOptions& opts, QLibrary& lib, std::unique_ptr<CBackEndMain>& pMain)
{
    QString strError;
    pMain.reset(CreateEntryObject(
        lib, opts.strModule.isEmpty() ? DefaultModulePath() : opts.strModule, strError));
    if (!pMain)
    {
        Err(strError);
        return ExitCode::kError;
    }
    // There the dialog would wait for ever for an answer that cannot come.
    // (Told after the module is loaded, so that a wrong --module is told first.)
    if (opts.strScript.isEmpty() && displayprobe::ShowsNothing(QGuiApplication::platformName()))
    {
        Err(QStringLiteral("the platform %1 shows no window: nobody could answer the dialog; play "
                           "a walkthrough with --script FILE, or run on a display")
                .arg(QGuiApplication::platformName()));
        return ExitCode::kError;
    }
    if (opts.bVerbose)
    {
        using VersionFn = const char* (*)();
        const auto pVersion = reinterpret_cast<VersionFn>(lib.resolve("PhysPropsModuleVersion"));
        Say(QStringLiteral("module: %1 (version %2)")
                .arg(QFileInfo(lib.fileName()).absoluteFilePath(),
                     QString::fromUtf8(pVersion ? pVersion() : "unknown")));
    }
    return std::nullopt;
}

void SaySession(const HostOptions& opts)
{
    if (!opts.bVerbose)
        return;
    if (const std::optional<QString> strSession = SessionName())
        Say(QStringLiteral("session: %1").arg(*strSession));
    else
        Say(QStringLiteral("session: none"));
}

// The walkthrough starts before the dialog, whose loop plays it.
std::unique_ptr<ScriptRunner> StartWalkthrough(const HostOptions& opts, QList<ScriptStep> steps)
{
    if (opts.strScript.isEmpty())
        return nullptr;
    if (QFontDatabase::families().isEmpty())
        Err(QStringLiteral(
            "no fonts found: screenshots will show no text (install fonts-dejavu-core)"));
    auto pScript = std::make_unique<ScriptRunner>(
        opts.strScreenshots.isEmpty() ? QStringLiteral("screenshots") : opts.strScreenshots,
        [](const QString& s) { Say(s); });
    pScript->SetSteps(std::move(steps), opts.strScript);
    pScript->Start();
    return pScript;
}

Stop WalkthroughEnd(const ScriptRunner* pScript)
{
    if (pScript && pScript->Failed())
        return ExitCode::kScript;
    if (pScript && !pScript->Finished())
    {
        Err(QStringLiteral("the dialog closed before the script ended: %1 of its %2 steps were "
                           "played")
                .arg(pScript->Played())
                .arg(pScript->StepCount()));
        return ExitCode::kScript;
    }
    return std::nullopt;
}

// The dialog's result as the exit status; after OK the values go to standard output.
ExitCode Result(int nResult, const CPropertyArray& values, const HostOptions& opts,
                bool bUndelivered)
{
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
            return ExitCode::kError;
        }
        return bUndelivered ? ExitCode::kUndelivered : ExitCode::kOk;
    }
    case 2:
        if (opts.bVerbose)
            Say(QStringLiteral("cancelled"));
        return bUndelivered ? ExitCode::kUndelivered : ExitCode::kCancel;
    default:
        Err(QStringLiteral("the dialog could not be shown (result %1)").arg(nResult));
        return ExitCode::kError;
    }
}

ExitCode Run(int argc, char** argv)
{
    InstallQuietMessageHandler();
    HostOptions opts;
    CSpiProject project;
    QList<ScriptStep> scriptSteps;
    if (const Stop stop = ReadOptions(argc, argv, opts))
        return *stop;
    if (const Stop stop = LoadProject(opts, project))
        return *stop;
    if (const Stop stop = ReadWalkthrough(opts, scriptSteps))
        return *stop;
    if (const Stop stop = ChooseDisplay(opts))
        return *stop;

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("physprops"));
    QApplication::setApplicationVersion(QStringLiteral(PHYSPROPS_VERSION));
    QLibrary lib;
    std::unique_ptr<CBackEndMain> pMain;
    if (const Stop stop = LoadModule(opts, lib, pMain))
        return *stop;

    // The host owns the property array and its elements.
    CPropertyArray values;
    for (const auto& prop : opts.props)
        values.append(new CProperty(prop.first, prop.second));
    const auto freeValues = qScopeGuard([&values] { qDeleteAll(values); });

    CToolManager tools;
    pMain->SetToolObject(&tools);
    pMain->SetProjectFile(project.GetProjectPath());
    pMain->SetValues(&values, opts.strProject.isEmpty() ? nullptr : &project);
    SaySession(opts);
    const std::unique_ptr<ScriptRunner> pScript = StartWalkthrough(opts, std::move(scriptSteps));

    const int nResult = pMain->StartBackEnd();
    const qsizetype nUndelivered = ipqc::COutbox::FlushAll(kDeliveryWaitMs);
    pMain.reset();
    if (nUndelivered > 0)
        Err(QStringLiteral("%1 View request(s) did not reach the PCB editor (the reason is above)")
                .arg(nUndelivered));
    if (const Stop stop = WalkthroughEnd(pScript.get()))
        return *stop;
    return Result(nResult, values, opts, nUndelivered > 0);
}
} // namespace
} // namespace host

int main(int argc, char** argv)
{
    return int(host::Run(argc, argv));
}
