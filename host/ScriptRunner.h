#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

namespace host
{
// Plays a walkthrough script against the dialogs the module opens. Each
// step is scheduled before it acts, so a step that opens a modal dialog
// hands over to the next step inside that dialog's own loop.
class ScriptRunner : public QObject
{
    Q_OBJECT
public:
    using Log = std::function<void(const QString&)>;

    ScriptRunner(QString strShotsDir, Log log, QObject* pParent = nullptr);

    // The script's lines; false and "FILE: what" or "FILE:LINE: what" when
    // the file cannot be read as text.
    static bool ReadScript(const QString& strPath, QStringList& lines, QString& strError);
    void SetSteps(const QStringList& lines);
    void Start();

    bool Failed() const { return m_bFailed; }
    bool Finished() const { return m_nNext >= m_steps.size(); }
    QString Error() const { return m_strError; }

    // Per-step wait for a dialog or control to appear, and the whole script's limit.
    int m_nStepTimeoutMs = 5000;
    int m_nScriptTimeoutMs = 120000;
    // How long a dialog may stay open after the last step before the script fails.
    int m_nEndGraceMs = 1000;

private:
    struct Step
    {
        int nLine;
        QString strVerb;
        QStringList args;
        QString strRest;
    };

    void RunNext();
    void CheckEnd();
    // 1 done, 0 not ready yet (retry), -1 failed
    int Ready(const Step& step, QString& strError);
    bool Act(const Step& step, QString& strError);
    void Fail(const QString& strError);
    static QWidget* TopDialog();

    QList<Step> m_steps;
    qsizetype m_nNext = 0;
    qint64 m_nWaitStartMs = -1;
    QString m_strShotsDir;
    Log m_log;
    bool m_bFailed = false;
    QString m_strError;
};
} // namespace host
