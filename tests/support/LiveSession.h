// SPDX-License-Identifier: MIT
#pragma once

#include "FakeServices.h"
#include "TestSupport.h"
#include "harbex/ToolManager.h"
#include "viewing/Launchers.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <optional>

namespace testsupport
{
// Whether the process runs; one being collected reads as empty, dead (X)
// or a zombie (Z).
bool IsAlive(qint64 nPid);

// The live processes, other than this one, that joined the session
// through their environment.
QList<qint64> SessionProcesses(const QByteArray& session);

// One host program: its own tool manager, services on it, and the texts of
// the message boxes it would have shown (each answered with OK).
class CLiveHost
{
public:
    CLiveHost();
    CLiveHost(const CLiveHost&) = delete;
    CLiveHost& operator=(const CLiveHost&) = delete;

    physprops::ui::CLaunchers Launchers() const;
    int View(const QString& strPath) const;
    // The PCB editor this host started, while it knows its process; else 0.
    qint64 EditorPid();

    CToolManager tools;
    CFakeServices services;
    MessageRecorder boxes{services};
};

// A message session of the test's own, joined through ipqcInit under a
// name no other test uses, so that the real companions it starts find only
// this test's programs. The PCB editor stand-in logs to m_strLog in a
// folder of its own; m_pHost is the one host, when asked for. End() ends
// every program that joined and restores the environment.
class CLiveSession
{
public:
    explicit CLiveSession(const char* pszName, bool bWithHost = true);
    ~CLiveSession();
    CLiveSession(const CLiveSession&) = delete;
    CLiveSession& operator=(const CLiveSession&) = delete;

    void Start();
    void End();
    // Started editors outlive the host that started them: this ends them,
    // and every other program that joined the session.
    void EndPrograms() const;

    // The editor's log, and its lines that are requests to open a drawing.
    QStringList Lines() const;
    QStringList Requests() const;
    bool WaitForLine(const QString& strLine, int nTimeoutMs = 15000) const;
    bool WaitForRequests(qsizetype nCount) const;
    // Of m_pHost.
    physprops::ui::CLaunchers Launchers() const { return m_pHost->Launchers(); }
    qint64 EditorPid() const { return m_pHost ? m_pHost->EditorPid() : 0; }

    QByteArray m_session;
    QTemporaryDir m_dir;
    QString m_strLog;
    std::unique_ptr<CLiveHost> m_pHost;

private:
    bool m_bWithHost;
    bool m_bStarted = false;
    // The variables the session changes, as they were.
    QList<std::pair<const char*, std::optional<QByteArray>>> m_savedEnvironment;
};

// A test in a live session of its own, ended after it.
class LiveSessionTest : public ::testing::Test, public CLiveSession
{
protected:
    explicit LiveSessionTest(const char* pszName, bool bWithHost = true)
        : CLiveSession(pszName, bWithHost)
    {
    }
    void SetUp() override { ASSERT_NO_FATAL_FAILURE(Start()); }
    void TearDown() override { End(); }
};
} // namespace testsupport
