// SPDX-License-Identifier: MIT
#pragma once

#include "harbex/HarbexExport.h"

#include "harbex/ToolArguments.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <csignal>
#include <functional>
#include <map>
#include <memory>
#include <optional>

// Why a program that was found did not start. The dialogs word it in the
// user's language; Reason() gives the English for logs.
enum class EToolStartFault : quint8
{
    kNone,
    kSystem,    // the system refused to run it (nErrno)
    kNoProcess, // the program's process could not be made
    kFolder,    // its working folder strFolder cannot be entered (nErrno)
};

struct HARBEX_EXPORT CToolStartFault
{
    EToolStartFault eKind = EToolStartFault::kNone;
    int nErrno = 0;
    QString strFolder = {};

    // "Exec format error", "cannot enter the folder F: No such file or
    // directory"; in English, or with each text of ours passed through
    // fnText (context "CTexts") for the dialogs.
    QString Reason(QString (*fnText)(const char* pszText) = nullptr) const;
};

// A started companion program, watched but not owned: it was started
// detached, so the host never has to collect it and never ends it. The
// handle refers to that very process even after its id is reused (a pidfd;
// where the kernel has none, the id and its start time).
class HARBEX_EXPORT CToolProcess : public QObject
{
    Q_OBJECT
public:
    // Starts the program detached, or says why it could not. Its standard
    // input is /dev/null; its standard output and error go to nOutputFd
    // (the caller's to close; -1: /dev/null), after a heading line with the
    // time, the process id and the command. No other descriptor of the
    // host reaches the program.
    static std::unique_ptr<CToolProcess> Start(const QString& strPath, const QStringList& args,
                                               const QString& strWorkingDir, CToolStartFault& fault,
                                               int nOutputFd = -1);
    // Watches a process that runs now.
    explicit CToolProcess(qint64 nPid);
    // Forgets the process; it runs on.
    ~CToolProcess() override;
    CToolProcess(const CToolProcess&) = delete;
    CToolProcess& operator=(const CToolProcess&) = delete;

    // Named as QProcess names it, which it replaces for callers.
    qint64 processId() const { return m_nPid; }
    bool IsRunning() const;
    // Asks the program to come to the front (the raise signal). False when
    // it has ended.
    bool Raise() const;

    // How a program started here ended, as waitpid gives it. Its watcher (the
    // process between it and init) tells, soon after the end: until then, and
    // for a process not started here or whose watcher was ended, it is empty.
    std::optional<int> WaitStatus() const;
    // True while the status is still to come: the program runs, or ended
    // lately and its watcher has not told yet (it is given kStatusWaitMs).
    bool WaitStatusPending() const;
    // "exit status 1", "killed by signal 11 (Segmentation fault)".
    static QString WaitStatusText(int nStatus, QString (*fnText)(const char* pszText) = nullptr);
    static constexpr int kStatusWaitMs = 5000;

    // Sent to a running program to bring it forward. Companions start with
    // it blocked, so one that arrives before they are ready waits for them,
    // and a program that never asks for it is never disturbed by it.
    static constexpr int kRaiseSignal = SIGUSR1;

private:
    qint64 m_nPid;
    int m_nPidFd = -1;
    unsigned long long m_nStartTime = 0; // without a pidfd
    // Where the watcher writes the status (non-blocking); -1 once read or
    // when none will come.
    mutable int m_nStatusFd = -1;
    mutable std::optional<int> m_status;
    mutable qint64 m_nEndSeenMs = 0; // when the end was first seen without a status
};

// One registered companion program.
class HARBEX_EXPORT CBaseTool
{
public:
    CBaseTool(unsigned nId, const QString& strProgram, const QString& strName,
              const QString& strArgs);
    virtual ~CBaseTool();
    CBaseTool(const CBaseTool&) = delete;
    CBaseTool& operator=(const CBaseTool&) = delete;

    unsigned GetId() const { return m_nId; }
    QString GetProgram() const { return m_strProgram; }
    QString GetName() const { return m_strName; }
    QString GetArgs() const { return m_strArgs; }
    // Folder the program starts in; empty: the host's current folder.
    QString GetWorkingDir() const { return m_strWorkingDir; }
    void SetWorkingDir(const QString& strDir) { m_strWorkingDir = strDir; }
    // RegisterTool's three flags, kept for hosts that give them a meaning.
    int GetFlag(int nIndex) const { return nIndex >= 0 && nIndex < 3 ? m_nFlags[nIndex] : 0; }
    void SetFlags(int nFlag1, int nFlag2, int nFlag3)
    {
        m_nFlags[0] = nFlag1;
        m_nFlags[1] = nFlag2;
        m_nFlags[2] = nFlag3;
    }

    // The program last started under this registration (owned), or null.
    CToolProcess* m_pProcess = nullptr;

private:
    unsigned m_nId;
    QString m_strProgram;
    QString m_strName;
    QString m_strArgs;
    QString m_strWorkingDir;
    int m_nFlags[3] = {0, 0, 0};
};

// Why the last RunTool of an id started nothing.
struct HARBEX_EXPORT CToolStartError
{
    QString strProgram;   // the registered program name
    QString strPath;      // where it was found; empty: not found
    QStringList searched; // the folders looked in, in order (not found)
    QString strReason;    // fault.Reason() (found but not started)
    CToolStartFault fault;
};

// The host's registry of companion programs, keyed by tool id.
//
// A program is started from its argument text split like a command line
// (SplitToolArguments), never through a shell. It is looked for in
// <install root>/bin first, then on PATH. It starts detached, in a session
// of its own: it outlives the host and is never ended by it (that would
// lose a user's unsaved work), and it leaves no zombie behind. It holds none
// of the host's streams, so a pipeline that reads the host ends when the host
// does: its standard input is /dev/null, and its standard output and error
// are appended to the companion log (OutputLogPath). A tool "has a window"
// exactly while its process runs. RunTool on a running tool
// brings it forward by sending it CToolProcess::kRaiseSignal.
class HARBEX_EXPORT CToolManager : public QObject
{
    Q_OBJECT
public:
    CToolManager();
    ~CToolManager() override;
    CToolManager(const CToolManager&) = delete;
    CToolManager& operator=(const CToolManager&) = delete;

    // Non-null when the id is registered.
    CBaseTool* FindTool(unsigned nId);
    // Non-null exactly while the registered tool's process runs, also when
    // the event loop has not run since it ended. The flag is not used.
    QObject* GetToolWindow(unsigned nId, int nFlag);
    // Drops the registration; a program it started runs on.
    void UnregisterTool(unsigned nId);
    // pszExtra: the folder to start the program in (null: the host's
    // current folder). The three flags are kept on the tool and not used here.
    void RegisterTool(unsigned nId, const QString& strProgram, const QString& strName,
                      const QString& strArgs, const char* pszExtra, int nFlag1, int nFlag2,
                      int nFlag3);

    // Starts the registered program, or brings the running one forward.
    // When nothing could be started, LastStartError says why.
    virtual void RunTool(unsigned nId);
    // Clears away the id's registration. Programs it started run on
    // whatever the flag says: they belong to the user now.
    virtual void RemoveTool(unsigned nId, int nFlag);

    // Why the last RunTool of the id started nothing; null when it started
    // or brought forward its program (or was never called).
    const CToolStartError* LastStartError(unsigned nId) const;

    // The process last started under the id, running or ended; null when
    // none was. Read from the registry itself, never through the lookups
    // below, so watching a start does not count as a call on the manager.
    const CToolProcess* StartedProcess(unsigned nId) const;

    // Where programs are looked for: the folders set here, or by default
    // <install root>/bin followed by the folders of PATH.
    QStringList SearchFolders() const;
    void SetSearchFolders(const QStringList& folders);
    static QStringList DefaultSearchFolders();

    // Where a program name leads: itself when it holds a '/', else the
    // first executable of that name in the folders. Empty when none.
    static QString FindProgram(const QString& strProgram, const QStringList& folders);
    static QString FindProgram(const QString& strProgram)
    {
        return FindProgram(strProgram, DefaultSearchFolders());
    }

    // The file the programs' output is appended to:
    // $XDG_STATE_HOME/physprops/companions.log, else
    // ~/.local/state/physprops/companions.log. Its folder is made private
    // (0700) when it is missing; a log that grew past kOutputLogLimit is
    // moved to the same name with ".old" appended when a program starts.
    static QString OutputLogPath();
    static constexpr qint64 kOutputLogLimit = 1 << 20;

    // Where failures go (standard error by default).
    void SetErrorHandler(std::function<void(const QString&)> handler);

protected:
    // The four lookups above forward here, so a test double can record them.
    virtual CBaseTool* DoFindTool(unsigned nId);
    virtual QObject* DoGetToolWindow(unsigned nId, int nFlag);
    virtual void DoUnregisterTool(unsigned nId);
    virtual void DoRegisterTool(unsigned nId, const QString& strProgram, const QString& strName,
                                const QString& strArgs, const char* pszExtra, int nFlag1,
                                int nFlag2, int nFlag3);

private:
    void Report(const QString& strText) const;
    bool StartTool(CBaseTool& tool);

    std::map<unsigned, std::unique_ptr<CBaseTool>> m_tools;
    std::map<unsigned, CToolStartError> m_startErrors;
    QStringList m_searchFolders;
    bool m_bSearchFoldersSet = false;
    std::function<void(const QString&)> m_errorHandler;
};
