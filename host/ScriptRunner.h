// SPDX-License-Identifier: MIT
#pragma once

#include "ScriptActions.h"
#include "ScriptSteps.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <functional>

namespace host
{
class SourceTexts;

// Plays a walkthrough script against the dialogs the module opens. Each
// step is scheduled before it acts, so a step that opens a modal dialog
// hands over to the next step inside that dialog's own loop. The next step
// runs once the event loop has handled what the last one caused; a step
// whose dialog or control is not there yet looks again whenever a window
// is shown, hidden, exposed, activated, enabled or painted.
// Dialogs, buttons and messages are named by the text they show or by its
// English source, so a script means the same in every language; make the
// runner after the module has installed its catalogues.
class ScriptRunner : public QObject
{
    Q_OBJECT
public:
    using Log = std::function<void(const QString&)>;

    ScriptRunner(QString strShotsDir, Log log, QObject* pParent = nullptr);
    ~ScriptRunner() override;

    // ParseScript's check (ScriptSteps.h) on lines with no file; on an error
    // the runner has failed (Failed(), Error()) and plays nothing.
    bool SetSteps(const QStringList& lines);
    // Steps ParseScript has checked; strFile names them in messages.
    void SetSteps(QList<ScriptStep> steps, QString strFile = QString());
    void Start();

    bool Failed() const { return m_bFailed; }
    bool Finished() const { return m_nNext >= m_steps.size(); }
    QString Error() const { return m_strError; }
    qsizetype Played() const { return m_nNext; }
    qsizetype StepCount() const { return m_steps.size(); }

    // Per-step wait for a dialog or control to appear, and the whole script's limit.
    int m_nStepTimeoutMs = 5000;
    int m_nScriptTimeoutMs = kScriptLimitMs;
    // How long a dialog may stay open after the last step before the script fails.
    int m_nEndGraceMs = 1000;
    // How long a step that needs the keyboard waits for its window to become
    // active before it acts anyway (a window manager may refuse activation).
    int m_nActivateGraceMs = 1000;

protected:
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

private:
    void RunNext();
    // Runs RunNext after nMs; bWaiting: a step is waiting to be ready, and
    // what happens on screen may make it so sooner.
    void Schedule(int nMs, bool bWaiting);
    void CheckEnd();
    // 1 done, 0 not ready yet (retry), -1 failed
    int Ready(const ScriptStep& step, QString& strError);
    // Tells the step and does it, once ready.
    void Play(const ScriptStep& step);
    void Fail(const QString& strError);
    // "FILE:LINE: step \"VERB\": what" (or "line LINE: ..." without a file).
    QString AtStep(const ScriptStep& step, const QString& strError) const;
    // How long the current step has waited; its first call starts the clock.
    qint64 WaitedMs();

    QList<ScriptStep> m_steps;
    QString m_strFile;
    qsizetype m_nNext = 0;
    qint64 m_nWaitStartMs = -1;
    Log m_log;
    SourceTexts* m_pTexts;
    ScriptActions m_actions;
    QTimer m_next;
    bool m_bWaiting = false;
    bool m_bFailed = false;
    QString m_strError;
};
} // namespace host
