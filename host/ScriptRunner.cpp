// SPDX-License-Identifier: MIT
// The runner's pace: each step waits until what it names is on screen,
// looking again as windows change, then acts; the script and each step
// have their limits.
#include "ScriptRunner.h"
#include "SourceTexts.h"
#include "WidgetLookup.h"

#include <QCursor>
#include <QDateTime>
#include <QDialog>
#include <QEvent>
#include <QGuiApplication>
#include <QProgressDialog>
#include <QWindow>

namespace host
{
namespace
{
// How often a step that is not ready yet looks again when nothing on
// screen tells it to: the end of the wait cursor announces itself to no one.
constexpr int kRetryMs = 20;

// What may make a waiting step ready.
bool MayChangeWhatIsShown(QEvent::Type type)
{
    switch (type)
    {
    case QEvent::Show:
    case QEvent::Hide:
    case QEvent::Expose:
    case QEvent::WindowActivate:
    case QEvent::EnabledChange:
    case QEvent::WindowTitleChange:
    case QEvent::Paint:
        return true;
    default:
        return false;
    }
}
} // namespace

ScriptRunner::ScriptRunner(QString strShotsDir, Log log, QObject* pParent)
    : QObject(pParent), m_log(log), m_pTexts(new SourceTexts(this)),
      m_actions(std::move(strShotsDir), std::move(log), *m_pTexts)
{
    m_next.setSingleShot(true);
    // A coarse timer may fire a twentieth early: a wait lets at least its time pass.
    m_next.setTimerType(Qt::PreciseTimer);
    connect(&m_next, &QTimer::timeout, this, &ScriptRunner::RunNext);
}

ScriptRunner::~ScriptRunner() = default;

void ScriptRunner::Schedule(int nMs, bool bWaiting)
{
    m_bWaiting = bWaiting;
    m_next.start(nMs);
}

bool ScriptRunner::eventFilter(QObject* pWatched, QEvent* pEvent)
{
    // Looked at once the change is done: the event is on its way to the widget.
    if (m_bWaiting && MayChangeWhatIsShown(pEvent->type()) && m_next.remainingTime() != 0)
        m_next.start(0);
    return QObject::eventFilter(pWatched, pEvent);
}

bool ScriptRunner::SetSteps(const QStringList& lines)
{
    QList<ScriptStep> steps;
    QString strError;
    if (!ParseScript(lines, QString(), steps, strError, m_nScriptTimeoutMs))
    {
        m_bFailed = true;
        m_strError = strError;
        m_steps.clear();
        m_nNext = 0;
        return false;
    }
    SetSteps(std::move(steps));
    return true;
}

void ScriptRunner::SetSteps(QList<ScriptStep> steps, QString strFile)
{
    m_steps = std::move(steps);
    m_strFile = std::move(strFile);
    m_nNext = 0;
}

QString ScriptRunner::AtStep(const ScriptStep& step, const QString& strError) const
{
    return QStringLiteral("%1: step \"%2\": %3")
        .arg(ScriptPlace(m_strFile, step.nLine), step.strVerb, strError);
}

void ScriptRunner::Start()
{
    if (m_bFailed)
    {
        // Steps that were refused: nothing runs, and the dialog is closed.
        QTimer::singleShot(0, this, [this] { Fail(m_strError); });
        return;
    }
    QTimer::singleShot(
        m_nScriptTimeoutMs, this,
        [this]
        {
            if (!Finished() && !m_bFailed)
                Fail(QStringLiteral("the script did not finish within its limit of %1 s (%2 ms)")
                         .arg(m_nScriptTimeoutMs / 1000)
                         .arg(m_nScriptTimeoutMs));
        });
    if (QCoreApplication* pApp = QCoreApplication::instance())
        pApp->installEventFilter(this);
    Schedule(0, false);
}

void ScriptRunner::Fail(const QString& strError)
{
    m_bFailed = true;
    m_strError = strError;
    m_log(QStringLiteral("walkthrough FAILED: %1").arg(strError));
    m_nNext = m_steps.size();
    m_next.stop();
    m_bWaiting = false;
    // Close every open dialog, innermost first, so the host can return.
    while (QWidget* pTop = QApplication::activeModalWidget())
    {
        auto* pDialog = qobject_cast<QDialog*>(pTop);
        if (!pDialog)
            break;
        // A search's progress stops what it waits for only through Cancel.
        if (auto* pProgress = qobject_cast<QProgressDialog*>(pDialog))
            pProgress->cancel();
        pDialog->done(QDialog::Rejected);
        pDialog->hide();
    }
}

void ScriptRunner::RunNext()
{
    if (m_bFailed)
        return;
    // The wait cursor is up while the module waits a moment for a search
    // before it shows progress; a user waits for it, and so does a step,
    // rather than acting on the window behind.
    if (const QCursor* pCursor = QGuiApplication::overrideCursor();
        pCursor && pCursor->shape() == Qt::WaitCursor)
        return Schedule(kRetryMs, true);
    if (Finished())
        return CheckEnd();
    const ScriptStep& step = m_steps[m_nNext];
    QString strError;
    const int nReady = Ready(step, strError);
    if (nReady < 0)
        return Fail(AtStep(step, strError));
    if (nReady == 0)
    {
        if (WaitedMs() > m_nStepTimeoutMs)
            return Fail(AtStep(step, strError));
        return Schedule(kRetryMs, true);
    }
    m_nWaitStartMs = -1;
    const ScriptStep current = step;
    ++m_nNext;
    // Scheduled first: if the step opens a modal dialog, the next step runs in
    // its loop. A wait is the time before the next step, not a nested loop in
    // which the next steps would run at once.
    // (The check before the first step keeps a wait within the script's limit.)
    Schedule(current.strVerb == u"wait" ? current.strRest.toInt() : 0, false);
    Play(current);
}

void ScriptRunner::Play(const ScriptStep& step)
{
    if (step.strVerb != u"say" && step.strVerb != u"grid")
    {
        // A long text is told by its start and length: the narration stays readable.
        constexpr qsizetype kShown = 100;
        const QString strRest =
            step.strRest.size() <= kShown
                ? step.strRest
                : step.strRest.left(kShown) +
                      QStringLiteral("... (%1 characters)").arg(step.strRest.size());
        m_log(QStringLiteral("walkthrough: %1 %2").arg(step.strVerb, strRest).trimmed());
    }
    QString strError;
    if (!m_actions.Act(step, strError))
        Fail(AtStep(step, strError));
}

void ScriptRunner::CheckEnd()
{
    // While the dialog's loop runs this is called; once the module returns
    // nothing calls it, so an open dialog here is one nobody will close.
    QWidget* pTop = TopDialog();
    if (!pTop)
    {
        m_nWaitStartMs = -1;
        return Schedule(kRetryMs, false);
    }
    if (WaitedMs() > m_nEndGraceMs)
        return Fail(QStringLiteral("the script ended while the dialog \"%1\" is still open")
                        .arg(pTop->windowTitle()));
    Schedule(kRetryMs, false);
}

qint64 ScriptRunner::WaitedMs()
{
    const qint64 nNow = QDateTime::currentMSecsSinceEpoch();
    if (m_nWaitStartMs < 0)
        m_nWaitStartMs = nNow;
    return nNow - m_nWaitStartMs;
}

int ScriptRunner::Ready(const ScriptStep& step, QString& strError)
{
    if (!ScriptActions::NeedsDialog(step))
        return 1;
    QWidget* pTop = TopDialog();
    if (!pTop)
    {
        strError = QStringLiteral("no dialog is open");
        return 0;
    }
    // A step acts on what a user would see: a dialog shown a moment ago may
    // not be on screen yet. A window manager may keep it off for good (a
    // minimised window), so the step acts anyway after a while.
    const qint64 nWaited =
        m_nWaitStartMs < 0 ? 0 : QDateTime::currentMSecsSinceEpoch() - m_nWaitStartMs;
    if (const QWindow* pWindow = pTop->windowHandle();
        (!pWindow || !pWindow->isExposed()) && nWaited < m_nActivateGraceMs)
    {
        strError = QStringLiteral("\"%1\" is not on screen yet").arg(pTop->windowTitle());
        return 0;
    }
    return m_actions.Ready(step, pTop, nWaited < m_nActivateGraceMs, strError);
}
} // namespace host
