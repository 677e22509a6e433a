// SPDX-License-Identifier: MIT
// The runner's pace: each step waits until what it names is on screen,
// looking again as windows change, then acts; the script and each step
// have their limits.
#include "ScriptRunner.h"
#include "ScriptSteps.h"
#include "SourceTexts.h"
#include "WidgetLookup.h"

#include <QAbstractButton>
#include <QCursor>
#include <QDateTime>
#include <QDialog>
#include <QEvent>
#include <QGuiApplication>
#include <QMessageBox>
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
    : QObject(pParent), m_strShotsDir(std::move(strShotsDir)), m_log(std::move(log)),
      m_pTexts(new SourceTexts(this))
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
    if (current.strVerb != u"say" && current.strVerb != u"grid")
    {
        // A long text is told by its start and length: the narration stays readable.
        constexpr qsizetype kShown = 100;
        const QString strRest =
            current.strRest.size() <= kShown
                ? current.strRest
                : current.strRest.left(kShown) +
                      QStringLiteral("... (%1 characters)").arg(current.strRest.size());
        m_log(QStringLiteral("walkthrough: %1 %2").arg(current.strVerb, strRest).trimmed());
    }
    if (!Act(current, strError))
        Fail(AtStep(current, strError));
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

bool ScriptRunner::Names(const QString& strShown, const QString& strScript) const
{
    return m_pTexts->Matches(strShown, strScript);
}

int ScriptRunner::Ready(const ScriptStep& step, QString& strError)
{
    QWidget* pTop = TopDialog();
    const QString& v = step.strVerb;
    if (v == u"wait" || v == u"say")
        return 1;
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
    auto* pBox = qobject_cast<QMessageBox*>(pTop);
    if (v == u"dialog")
    {
        // A message box bears the program's name as its title, which may be a
        // dialog's too; it is answered with "message", not taken for the dialog.
        if (pBox)
        {
            strError = QStringLiteral("a message box is open, not the dialog \"%1\": \"%2\" "
                                      "(answer it first with: message TEXT)")
                           .arg(step.strRest, OneLine(pBox->text()));
            return 0;
        }
        strError = QStringLiteral("the topmost dialog is \"%1\", not \"%2\"")
                       .arg(pTop->windowTitle(), step.strRest);
        return Names(pTop->windowTitle(), step.strRest) ? 1 : 0;
    }
    if (v == u"message")
    {
        if (!pBox)
        {
            strError =
                QStringLiteral("no message box is open (topmost: \"%1\")").arg(pTop->windowTitle());
            return 0;
        }
        if (!Names(pBox->text(), step.strRest))
        {
            strError = QStringLiteral("the message says \"%1\"").arg(pBox->text());
            return -1;
        }
        return 1;
    }
    if (v == u"press")
    {
        // A disabled button ignores the click: waited for like a missing one,
        // then told with the reason its tooltip gives.
        QAbstractButton* pDisabled = nullptr;
        for (QAbstractButton* pButton : ButtonsNamed(pTop, step.strRest, *m_pTexts))
        {
            if (pButton->isEnabled())
                return 1;
            pDisabled = pButton;
        }
        if (!pDisabled)
        {
            strError =
                QStringLiteral("no button \"%1\" in \"%2\"").arg(step.strRest, pTop->windowTitle());
            return 0;
        }
        strError = QStringLiteral("the button \"%1\" in \"%2\" is disabled")
                       .arg(step.strRest, pTop->windowTitle());
        if (!pDisabled->toolTip().isEmpty())
            strError += QStringLiteral(": ") + pDisabled->toolTip();
        return 0;
    }
    const bool bGrid = v == u"click" || v == u"ctrl-click" || v == u"dblclick" || v == u"edit" ||
                       v == u"choose" || v == u"header-dblclick" || v == u"grid";
    if (bGrid && pBox)
    {
        // A message box waits for an answer: the grid behind it is not the one meant.
        strError = QStringLiteral("a message box is open, not a dialog with a grid: \"%1\" "
                                  "(answer it first with: message TEXT)")
                       .arg(OneLine(pBox->text()));
        return -1;
    }
    if (bGrid && !GridOf(pTop))
    {
        strError = QStringLiteral("no grid in \"%1\"").arg(pTop->windowTitle());
        return 0;
    }
    // The numbers count every column, shown or not, as "grid" prints them: a
    // hidden one cannot be clicked.
    if (bGrid && v != u"grid")
    {
        const QString strCol =
            v == u"header-dblclick" ? step.args.value(0) : step.args.value(1, QStringLiteral("1"));
        strError = HiddenColumn(GridOf(pTop), strCol.toInt());
        if (!strError.isEmpty())
        {
            strError += QStringLiteral(" (in \"%1\")").arg(pTop->windowTitle());
            return -1;
        }
    }
    // Clicks and keys go where a user's would once the window is active. A
    // window shown a moment ago may not be yet; a window manager may refuse
    // it for good, so the step acts anyway after a while.
    if ((bGrid && v != u"grid") || v == u"type" || v == u"key" || v == u"clear-text")
    {
        if (!pTop->isActiveWindow() && nWaited < m_nActivateGraceMs)
        {
            pTop->activateWindow();
            strError =
                QStringLiteral("\"%1\" did not become the active window").arg(pTop->windowTitle());
            return 0;
        }
    }
    return 1;
}
} // namespace host
