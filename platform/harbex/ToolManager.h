#pragma once

#include <QObject>
#include <QString>

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

    QProcess* m_pProcess = nullptr; // set while the program has been started

private:
    unsigned m_nId;
    QString m_strProgram;
    QString m_strName;
    QString m_strArgs;
};

// The host's registry of companion programs, keyed by tool id.
class CToolManager : public QObject
{
    Q_OBJECT
public:
    CToolManager();
    ~CToolManager() override;

    // Non-null when the id is registered.
    CBaseTool* FindTool(unsigned nId);
    // Non-null exactly while the registered tool's process runs.
    QObject* GetToolWindow(unsigned nId, int nFlag);
    void UnregisterTool(unsigned nId);
    void RegisterTool(unsigned nId, const QString& strProgram, const QString& strName,
                      const QString& strArgs, const char* pszExtra, int nFlag1, int nFlag2,
                      int nFlag3);

    virtual void RunTool(unsigned nId);
    virtual void RemoveTool(unsigned nId, int nFlag);

protected:
    // The four lookups above forward here, so a test double can record them.
    virtual CBaseTool* DoFindTool(unsigned nId);
    virtual QObject* DoGetToolWindow(unsigned nId, int nFlag);
    virtual void DoUnregisterTool(unsigned nId);
    virtual void DoRegisterTool(unsigned nId, const QString& strProgram, const QString& strName,
                                const QString& strArgs, const char* pszExtra, int nFlag1,
                                int nFlag2, int nFlag3);
};
