#include "ToolManager.h"

#include "zorvcommon.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>

namespace
{
// Starting means fork and exec of a program found beforehand: quick, but a
// loaded machine may take a moment.
constexpr int kStartTimeoutMs = 10000;
// How long programs get to end on their own when the manager goes.
constexpr int kEndGraceMs = 2000;

bool IsRunning(const QProcess* pProcess)
{
    return pProcess && pProcess->state() != QProcess::NotRunning;
}

// An exit that the event loop has not delivered yet counts: the process is
// looked at without collecting it, so QProcess still does that itself.
bool HasExited(const QProcess* pProcess)
{
    siginfo_t info{};
    return ::waitid(P_PID, id_t(pProcess->processId()), &info,
                    WEXITED | WNOHANG | WNOWAIT | __WALL) == 0 &&
           info.si_pid != 0;
}

QString InstallRoot()
{
    char* pszRoot = zorvGetInstallRoot();
    if (!pszRoot)
        return {};
    const QString strRoot = QFile::decodeName(pszRoot);
    std::free(pszRoot);
    return strRoot;
}
} // namespace

CBaseTool::CBaseTool(unsigned nId, const QString& strProgram, const QString& strName,
                     const QString& strArgs)
    : m_nId(nId), m_strProgram(strProgram), m_strName(strName), m_strArgs(strArgs)
{
}

CBaseTool::~CBaseTool() = default;

CToolManager::CToolManager() = default;

CToolManager::~CToolManager()
{
    QList<QProcess*> processes;
    for (const auto& [nId, pTool] : m_tools)
        if (pTool->m_pProcess)
            processes.append(pTool->m_pProcess);
    for (const Leftover& left : m_leftovers)
        processes.append(left.pProcess);
    EndProcesses(processes, kEndGraceMs);
    qDeleteAll(processes);
}

CBaseTool* CToolManager::FindTool(unsigned nId)
{
    return DoFindTool(nId);
}
QObject* CToolManager::GetToolWindow(unsigned nId, int nFlag)
{
    return DoGetToolWindow(nId, nFlag);
}
void CToolManager::UnregisterTool(unsigned nId)
{
    DoUnregisterTool(nId);
}
void CToolManager::RegisterTool(unsigned nId, const QString& strProgram, const QString& strName,
                                const QString& strArgs, const char* pszExtra, int nFlag1,
                                int nFlag2, int nFlag3)
{
    DoRegisterTool(nId, strProgram, strName, strArgs, pszExtra, nFlag1, nFlag2, nFlag3);
}

void CToolManager::SetErrorHandler(std::function<void(const QString&)> handler)
{
    m_errorHandler = std::move(handler);
}

void CToolManager::Report(const QString& strText) const
{
    if (m_errorHandler)
        m_errorHandler(strText);
    else
        std::fprintf(stderr, "harbex: %s\n", strText.toLocal8Bit().constData());
}

CBaseTool* CToolManager::DoFindTool(unsigned nId)
{
    const auto it = m_tools.find(nId);
    return it == m_tools.end() ? nullptr : it->second.get();
}

QObject* CToolManager::DoGetToolWindow(unsigned nId, int)
{
    CBaseTool* pTool = DoFindTool(nId);
    if (!pTool || !pTool->m_pProcess)
        return nullptr;
    QProcess* pProcess = pTool->m_pProcess;
    if (IsRunning(pProcess) && HasExited(pProcess))
        pProcess->waitForFinished(kEndGraceMs);
    return IsRunning(pProcess) ? pProcess : nullptr;
}

void CToolManager::DoUnregisterTool(unsigned nId)
{
    const auto it = m_tools.find(nId);
    if (it == m_tools.end())
        return;
    if (QProcess* pProcess = it->second->m_pProcess)
    {
        if (IsRunning(pProcess))
            m_leftovers.append({nId, pProcess});
        else
            delete pProcess;
    }
    m_tools.erase(it);
}

void CToolManager::DoRegisterTool(unsigned nId, const QString& strProgram, const QString& strName,
                                  const QString& strArgs, const char* pszExtra, int nFlag1,
                                  int nFlag2, int nFlag3)
{
    DoUnregisterTool(nId);
    auto pTool = std::make_unique<CBaseTool>(nId, strProgram, strName, strArgs);
    if (pszExtra)
        pTool->SetWorkingDir(QFile::decodeName(pszExtra));
    pTool->SetFlags(nFlag1, nFlag2, nFlag3);
    m_tools[nId] = std::move(pTool);
}

void CToolManager::RunTool(unsigned nId)
{
    CBaseTool* pTool = DoFindTool(nId);
    if (!pTool)
    {
        Report(QStringLiteral("no tool is registered under id %1").arg(nId));
        return;
    }
    if (IsRunning(pTool->m_pProcess))
    {
        // The companion reads its standard input for this request.
        pTool->m_pProcess->write("raise\n");
        return;
    }
    StartTool(*pTool);
}

void CToolManager::RemoveTool(unsigned nId, int nFlag)
{
    DoUnregisterTool(nId);
    QList<QProcess*> ended;
    QList<QProcess*> running;
    for (qsizetype i = m_leftovers.size() - 1; i >= 0; --i)
    {
        const Leftover& left = m_leftovers[i];
        if (left.nId != nId)
            continue;
        if (IsRunning(left.pProcess) && !nFlag)
            continue;
        (IsRunning(left.pProcess) ? running : ended).append(left.pProcess);
        m_leftovers.removeAt(i);
    }
    EndProcesses(running, kEndGraceMs);
    qDeleteAll(running);
    qDeleteAll(ended);
}

QString CToolManager::FindProgram(const QString& strProgram)
{
    if (strProgram.isEmpty())
        return {};
    if (strProgram.contains(u'/'))
    {
        const QFileInfo info(strProgram);
        return info.isFile() && info.isExecutable() ? info.absoluteFilePath() : QString();
    }
    const QString strRoot = InstallRoot();
    if (!strRoot.isNull())
    {
        const QFileInfo info(strRoot + QStringLiteral("/bin/") + strProgram);
        if (info.isFile() && info.isExecutable())
            return info.absoluteFilePath();
    }
    return QStandardPaths::findExecutable(strProgram);
}

bool CToolManager::StartTool(CBaseTool& tool)
{
    delete tool.m_pProcess;
    tool.m_pProcess = nullptr;

    const QString strPath = FindProgram(tool.GetProgram());
    if (strPath.isEmpty())
    {
        Report(QStringLiteral("cannot start \"%1\": not found in %2/bin or on PATH")
                   .arg(tool.GetProgram(), QDir::toNativeSeparators(InstallRoot())));
        return false;
    }
    auto* pProcess = new QProcess(this);
    pProcess->setProgram(strPath);
    pProcess->setArguments(SplitToolArguments(tool.GetArgs()));
    pProcess->setProcessChannelMode(QProcess::ForwardedChannels);
    if (!tool.GetWorkingDir().isEmpty())
        pProcess->setWorkingDirectory(tool.GetWorkingDir());
    pProcess->start();
    if (!pProcess->waitForStarted(kStartTimeoutMs))
    {
        Report(QStringLiteral("cannot start \"%1\": %2").arg(strPath, pProcess->errorString()));
        delete pProcess;
        return false;
    }
    tool.m_pProcess = pProcess;
    return true;
}

void CToolManager::EndProcesses(const QList<QProcess*>& processes, int nGraceMs)
{
    for (QProcess* pProcess : processes)
        if (IsRunning(pProcess))
            pProcess->terminate();
    const QDeadlineTimer deadline(nGraceMs);
    for (QProcess* pProcess : processes)
    {
        if (IsRunning(pProcess) && !pProcess->waitForFinished(int(deadline.remainingTime())))
        {
            pProcess->kill();
            pProcess->waitForFinished(kEndGraceMs);
        }
    }
}
