// SPDX-License-Identifier: MIT
#include "LiveSession.h"

#include "WaitUntil.h"
#include "ipqc/IpqChannel.h"
#include "ipqc/IpqOutbox.h"
#include "ipqc/ipqc.h"
#include "viewing/LaunchRequests.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <csignal>
#include <utility>

using physprops::core::kPcbEditorToolId;
using physprops::ui::CLaunchers;

namespace testsupport
{
bool IsAlive(qint64 nPid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(nPid));
    if (!stat.open(QIODevice::ReadOnly))
        return false;
    const QByteArray text = stat.readAll();
    const QByteArray state = text.mid(text.lastIndexOf(')') + 2, 1);
    return !text.isEmpty() && state != "Z" && state != "X";
}

QList<qint64> SessionProcesses(const QByteArray& session)
{
    QList<qint64> pids;
    const QByteArray entry = QByteArray(ipqc::kSessionVariable) + '=' + session;
    for (const QString& strPid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs))
    {
        bool bOk = false;
        const qint64 nPid = strPid.toLongLong(&bOk);
        QFile environ(QStringLiteral("/proc/%1/environ").arg(strPid));
        if (bOk && nPid != QCoreApplication::applicationPid() &&
            environ.open(QIODevice::ReadOnly) && environ.readAll().split('\0').contains(entry) &&
            IsAlive(nPid))
            pids.append(nPid);
    }
    return pids;
}

CLiveHost::CLiveHost()
{
    services.fnToolManager = [this] { return &tools; };
}

CLaunchers CLiveHost::Launchers() const
{
    return CLaunchers(services);
}

int CLiveHost::View(const QString& strPath) const
{
    return Launchers().OpenFootprintDrawing(strPath);
}

qint64 CLiveHost::EditorPid()
{
    const CBaseTool* pTool = tools.FindTool(kPcbEditorToolId);
    return pTool && pTool->m_pProcess ? pTool->m_pProcess->processId() : 0;
}

CLiveSession::CLiveSession(const char* pszName, bool bWithHost) : m_bWithHost(bWithHost)
{
    static int s_nCounter = 0;
    m_session = QByteArray(pszName) + '-' + QByteArray::number(QCoreApplication::applicationPid()) +
                '-' + QByteArray::number(++s_nCounter);
    m_strLog = m_dir.filePath(QStringLiteral("brdedit.log"));
}

CLiveSession::~CLiveSession()
{
    End();
}

void CLiveSession::Start()
{
    for (const char* pszName : {"BRDEDIT_LOG", ipqc::kSessionVariable, ipqc::kHostVariable})
        m_savedEnvironment.append({pszName, qEnvironmentVariableIsSet(pszName)
                                                ? std::optional<QByteArray>(qgetenv(pszName))
                                                : std::nullopt});
    m_bStarted = true;
    // Every program started from here on joins the session.
    char* argv[] = {const_cast<char*>("test"), const_cast<char*>("-ipqsession"), m_session.data(),
                    nullptr};
    int argc = 3;
    ASSERT_EQ(ipqcInit(&argc, argv), 0);
    ASSERT_TRUE(m_dir.isValid());
    qputenv("BRDEDIT_LOG", QFile::encodeName(m_strLog));
    if (m_bWithHost)
        m_pHost = std::make_unique<CLiveHost>();
}

void CLiveSession::End()
{
    if (!std::exchange(m_bStarted, false))
        return;
    // What the outbox still holds is given up here, not in a later test,
    // whose counts it would change; and nothing is left to start an editor
    // again while the session's programs end.
    ipqc::COutbox::FlushAll(0);
    EndPrograms();
    m_pHost.reset();
    for (const auto& [pszName, value] : m_savedEnvironment)
    {
        if (value)
            qputenv(pszName, *value);
        else
            qunsetenv(pszName);
    }
    m_savedEnvironment.clear();
}

void CLiveSession::EndPrograms() const
{
    for (const qint64 nPid : SessionProcesses(m_session))
        ::kill(pid_t(nPid), SIGKILL);
    EXPECT_TRUE(WaitUntil([&] { return SessionProcesses(m_session).isEmpty(); }))
        << "still running in session " << m_session.constData();
}

QStringList CLiveSession::Lines() const
{
    return ReadLines(m_strLog);
}

QStringList CLiveSession::Requests() const
{
    static const QRegularExpression s_request(QStringLiteral("^brdedit: (open|new) "));
    return Lines().filter(s_request);
}

bool CLiveSession::WaitForLine(const QString& strLine, int nTimeoutMs) const
{
    return WaitUntil([&] { return Lines().contains(strLine); }, nTimeoutMs);
}

bool CLiveSession::WaitForRequests(qsizetype nCount) const
{
    return WaitUntil([&] { return Requests().size() >= nCount; });
}
} // namespace testsupport
