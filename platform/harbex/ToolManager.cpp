// SPDX-License-Identifier: MIT
#include "harbex/ToolManager.h"

#include "zorvcommon/zorvcommon.h"

#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace
{
Q_LOGGING_CATEGORY(lcTools, "physprops.tools")
} // namespace

namespace
{
QString InstallRoot()
{
    char* pszRoot = zorvGetInstallRoot();
    if (!pszRoot)
        return {};
    QString strRoot = QFile::decodeName(pszRoot);
    std::free(pszRoot);
    return strRoot;
}

bool IsRunning(const CToolProcess* pProcess)
{
    return pProcess && pProcess->IsRunning();
}

// Makes each missing folder of the path, private to the user.
bool MakePrivateFolders(const QString& strFolder)
{
    const QString strClean = QDir::cleanPath(strFolder);
    qsizetype nEnd = strClean.startsWith(u'/') ? 1 : 0;
    while (nEnd <= strClean.size())
    {
        nEnd = strClean.indexOf(u'/', nEnd);
        if (nEnd < 0)
            nEnd = strClean.size();
        const QByteArray part = QFile::encodeName(strClean.left(nEnd));
        if (::mkdir(part.constData(), 0700) != 0 && errno != EEXIST)
            return false;
        ++nEnd;
    }
    return QFileInfo(strClean).isDir();
}

// The companion log, opened for appending; -1 when it cannot be (the
// programs' output then goes nowhere, and the log says why once).
int OpenOutputLog()
{
    const QString strPath = CToolManager::OutputLogPath();
    if (strPath.isEmpty())
        return -1;
    const QByteArray path = QFile::encodeName(strPath);
    int fd = -1;
    if (MakePrivateFolders(QFileInfo(strPath).path()))
    {
        if (QFileInfo(strPath).size() > CToolManager::kOutputLogLimit)
            ::rename(path.constData(), QByteArray(path + ".old").constData());
        fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NOCTTY, 0600);
    }
    if (fd < 0)
    {
        static bool s_bTold = false;
        if (!s_bTold)
            qCWarning(lcTools).noquote()
                << "harbex: companion output is dropped: cannot write" << strPath << "-"
                << QString::fromLocal8Bit(std::strerror(errno));
        s_bTold = true;
    }
    return fd;
}
} // namespace

CBaseTool::CBaseTool(unsigned nId, const QString& strProgram, const QString& strName,
                     const QString& strArgs)
    : m_nId(nId), m_strProgram(strProgram), m_strName(strName), m_strArgs(strArgs)
{
}

CBaseTool::~CBaseTool()
{
    delete m_pProcess;
}

CToolManager::CToolManager() = default;

// The programs started run on: they are the user's now.
CToolManager::~CToolManager() = default;

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
        qCWarning(lcTools).noquote() << "harbex:" << strText;
}

CBaseTool* CToolManager::DoFindTool(unsigned nId)
{
    const auto it = m_tools.find(nId);
    return it == m_tools.end() ? nullptr : it->second.get();
}

QObject* CToolManager::DoGetToolWindow(unsigned nId, int)
{
    CBaseTool* pTool = DoFindTool(nId);
    return pTool && IsRunning(pTool->m_pProcess) ? pTool->m_pProcess : nullptr;
}

void CToolManager::DoUnregisterTool(unsigned nId)
{
    m_tools.erase(nId);
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
    m_startErrors.erase(nId);
    CBaseTool* pTool = DoFindTool(nId);
    if (!pTool)
    {
        Report(QStringLiteral("no tool is registered under id %1").arg(nId));
        return;
    }
    // A program that ended just now is started again.
    if (pTool->m_pProcess && pTool->m_pProcess->Raise())
        return;
    StartTool(*pTool);
}

void CToolManager::RemoveTool(unsigned nId, int)
{
    DoUnregisterTool(nId);
}

const CToolProcess* CToolManager::StartedProcess(unsigned nId) const
{
    const auto it = m_tools.find(nId);
    return it == m_tools.end() ? nullptr : it->second->m_pProcess;
}

const CToolStartError* CToolManager::LastStartError(unsigned nId) const
{
    const auto it = m_startErrors.find(nId);
    return it == m_startErrors.end() ? nullptr : &it->second;
}

QString CToolManager::OutputLogPath()
{
    QString strState = qEnvironmentVariable("XDG_STATE_HOME");
    // Relative values are to be ignored, as for every XDG folder variable.
    if (!strState.startsWith(u'/'))
    {
        const QString strHome = QDir::homePath();
        if (strHome.isEmpty())
            return {};
        strState = strHome + QStringLiteral("/.local/state");
    }
    return strState + QStringLiteral("/physprops/companions.log");
}

QStringList CToolManager::DefaultSearchFolders()
{
    QStringList folders;
    const QString strRoot = InstallRoot();
    if (!strRoot.isNull())
        folders.append(strRoot + QStringLiteral("/bin"));
    const QString strPath = qEnvironmentVariable("PATH");
    for (const QString& strFolder : strPath.split(u':', Qt::SkipEmptyParts))
        folders.append(strFolder);
    return folders;
}

QStringList CToolManager::SearchFolders() const
{
    return m_bSearchFoldersSet ? m_searchFolders : DefaultSearchFolders();
}

void CToolManager::SetSearchFolders(const QStringList& folders)
{
    m_searchFolders = folders;
    m_bSearchFoldersSet = true;
}

QString CToolManager::FindProgram(const QString& strProgram, const QStringList& folders)
{
    const auto executable = [](const QString& strPath)
    {
        const QFileInfo info(strPath);
        return info.isFile() && info.isExecutable() ? info.absoluteFilePath() : QString();
    };
    if (strProgram.isEmpty())
        return {};
    if (strProgram.contains(u'/'))
        return executable(strProgram);
    for (const QString& strFolder : folders)
    {
        QString strPath = executable(QDir(strFolder).filePath(strProgram));
        if (!strPath.isEmpty())
            return strPath;
    }
    return {};
}

bool CToolManager::StartTool(CBaseTool& tool)
{
    delete tool.m_pProcess;
    tool.m_pProcess = nullptr;

    CToolStartError error{tool.GetProgram(), {}, {}, {}, {}};
    const QStringList folders = SearchFolders();
    error.strPath = FindProgram(tool.GetProgram(), folders);
    if (error.strPath.isEmpty())
    {
        if (!tool.GetProgram().contains(u'/'))
            error.searched = folders;
        Report(QStringLiteral("cannot start \"%1\": not found in %2")
                   .arg(tool.GetProgram(), error.searched.isEmpty()
                                               ? QStringLiteral("its folder")
                                               : error.searched.join(QStringLiteral(", "))));
        m_startErrors[tool.GetId()] = error;
        return false;
    }
    const int nLog = OpenOutputLog();
    tool.m_pProcess = CToolProcess::Start(error.strPath, SplitToolArguments(tool.GetArgs()),
                                          tool.GetWorkingDir(), error.fault, nLog)
                          .release();
    if (nLog >= 0)
        ::close(nLog);
    if (!tool.m_pProcess)
    {
        error.strReason = error.fault.Reason();
        Report(QStringLiteral("cannot start \"%1\": %2").arg(error.strPath, error.strReason));
        m_startErrors[tool.GetId()] = error;
        return false;
    }
    return true;
}
