#pragma once

#include "ToolArguments.h"

#include <QList>
#include <QObject>
#include <QString>

#include <functional>
#include <map>
#include <memory>

class QProcess;

// One registered companion program.
class CBaseTool
{
public:
    CBaseTool(unsigned nId, const QString& strProgram, const QString& strName,
              const QString& strArgs);
    virtual ~CBaseTool();

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

    QProcess* m_pProcess = nullptr; // set while the program has been started

private:
    unsigned m_nId;
    QString m_strProgram;
    QString m_strName;
    QString m_strArgs;
    QString m_strWorkingDir;
    int m_nFlags[3] = {0, 0, 0};
};

// The host's registry of companion programs, keyed by tool id.
//
// A program is started with QProcess from its argument text split like a
// command line (SplitToolArguments), never through a shell. It is looked
// for in <install root>/bin first, then on PATH. Its standard output and
// error go to the host's. A tool "has a window" exactly while its process
// runs. RunTool on a running tool brings it to the front by writing the
// line "raise" to the program's standard input. Programs still running when
// the manager is destroyed are asked to end (SIGTERM) and killed after a
// short grace period, so none outlives its host unsupervised.
class CToolManager : public QObject
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
    // the event loop has not yet delivered its exit. The flag is not used.
    QObject* GetToolWindow(unsigned nId, int nFlag);
    // Drops the registration; a process it started runs on until RemoveTool
    // or the manager's end.
    void UnregisterTool(unsigned nId);
    // pszExtra: the folder to start the program in (null: the host's
    // current folder). The three flags are kept on the tool and not used here.
    void RegisterTool(unsigned nId, const QString& strProgram, const QString& strName,
                      const QString& strArgs, const char* pszExtra, int nFlag1, int nFlag2,
                      int nFlag3);

    // Starts the registered program, or brings the running one forward.
    virtual void RunTool(unsigned nId);
    // Clears away what is left of the id: its registration, processes that
    // have ended, and with a non-zero flag also processes still running.
    virtual void RemoveTool(unsigned nId, int nFlag);

    // Where a program name leads: itself when it holds a '/', else
    // <install root>/bin/<name> when executable, else the PATH hit. Empty
    // when none.
    static QString FindProgram(const QString& strProgram);

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
    struct Leftover
    {
        unsigned nId;
        QProcess* pProcess;
    };

    void Report(const QString& strText) const;
    bool StartTool(CBaseTool& tool);
    void EndProcesses(const QList<QProcess*>& processes, int nGraceMs);

    std::map<unsigned, std::unique_ptr<CBaseTool>> m_tools;
    QList<Leftover> m_leftovers;
    std::function<void(const QString&)> m_errorHandler;
};
