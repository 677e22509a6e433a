#include "ScriptRunner.h"
#include "SyntheticInput.h"
#include "project/TextFile.h"

#include <QAbstractButton>
#include <QProgressDialog>
#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QMessageBox>
#include <QTableView>
#include <QTimer>

#include <climits>

namespace host
{
namespace
{
constexpr int kStepDelayMs = 30;
constexpr qint64 kMaxScriptSize = 16 << 20;

QString Unescape(QString s)
{
    s.replace(QStringLiteral("\\n"), QStringLiteral("\n"));
    s.replace(QStringLiteral("\\t"), QStringLiteral("\t"));
    return s;
}

QString PlainText(QString s) { return s.remove(u'&'); }

QTableView* GridOf(QWidget* pTop)
{
    if (!pTop)
        return nullptr;
    for (QTableView* pView : pTop->findChildren<QTableView*>())
        if (pView->isVisible())
            return pView;
    return nullptr;
}

bool CellIndex(QTableView* pView, const QStringList& args, int nArg, QModelIndex& idx)
{
    bool bRow = false, bCol = true;
    const int nRow = args.value(nArg).toInt(&bRow);
    const int nCol = args.size() > nArg + 1 ? args[nArg + 1].toInt(&bCol) : 1;
    if (!bRow || !bCol || !pView->model())
        return false;
    idx = pView->model()->index(nRow - 1, nCol - 1);
    return idx.isValid();
}

const QHash<QString, Qt::Key>& KeyNames()
{
    static const QHash<QString, Qt::Key> s_keys = {
        {QStringLiteral("enter"), Qt::Key_Return},   {QStringLiteral("return"), Qt::Key_Return},
        {QStringLiteral("escape"), Qt::Key_Escape},  {QStringLiteral("down"), Qt::Key_Down},
        {QStringLiteral("up"), Qt::Key_Up},          {QStringLiteral("tab"), Qt::Key_Tab},
        {QStringLiteral("backspace"), Qt::Key_Backspace}, {QStringLiteral("space"), Qt::Key_Space},
        {QStringLiteral("home"), Qt::Key_Home},      {QStringLiteral("end"), Qt::Key_End},
    };
    return s_keys;
}
} // namespace

ScriptRunner::ScriptRunner(QString strShotsDir, Log log, QObject* pParent)
    : QObject(pParent), m_strShotsDir(std::move(strShotsDir)), m_log(std::move(log))
{
}

bool ScriptRunner::ReadScript(const QString& strPath, QStringList& lines, QString& strError)
{
    QByteArray text;
    if (!ReadCheckedTextFile(strPath, kMaxScriptSize, text, strError))
        return false;
    const QList<QByteArray> raw = text.split('\n');
    lines.clear();
    for (qsizetype i = 0; i < raw.size(); ++i)
    {
        const QString strBad = CheckTextLine(raw[i]);
        if (!strBad.isEmpty())
        {
            strError = QStringLiteral("%1:%2: %3").arg(strPath).arg(i + 1).arg(strBad);
            return false;
        }
        lines.append(QString::fromUtf8(raw[i]));
    }
    return true;
}

void ScriptRunner::SetSteps(const QStringList& lines)
{
    m_steps.clear();
    for (qsizetype i = 0; i < lines.size(); ++i)
    {
        const QString strLine = lines[i].trimmed();
        if (strLine.isEmpty() || strLine.startsWith(u'#'))
            continue;
        Step step;
        step.nLine = int(i + 1);
        const qsizetype nSpace = strLine.indexOf(u' ');
        step.strVerb = nSpace < 0 ? strLine : strLine.left(nSpace);
        step.strRest = nSpace < 0 ? QString() : Unescape(strLine.mid(nSpace + 1).trimmed());
        step.args = step.strRest.split(u' ', Qt::SkipEmptyParts);
        m_steps.append(step);
    }
    m_nNext = 0;
}

void ScriptRunner::Start()
{
    QTimer::singleShot(m_nScriptTimeoutMs, this, [this] {
        if (!Finished() && !m_bFailed)
            Fail(QStringLiteral("the script did not finish within %1 ms").arg(m_nScriptTimeoutMs));
    });
    QTimer::singleShot(kStepDelayMs, this, &ScriptRunner::RunNext);
}

QWidget* ScriptRunner::TopDialog()
{
    if (QWidget* pModal = QApplication::activeModalWidget())
        return pModal;
    for (QWidget* pTop : QApplication::topLevelWidgets())
        if (pTop->isVisible() && qobject_cast<QDialog*>(pTop))
            return pTop;
    return nullptr;
}

void ScriptRunner::Fail(const QString& strError)
{
    m_bFailed = true;
    m_strError = strError;
    m_log(QStringLiteral("walkthrough FAILED: %1").arg(strError));
    m_nNext = m_steps.size();
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
    if (Finished())
        return CheckEnd();
    const Step& step = m_steps[m_nNext];
    QString strError;
    const int nReady = Ready(step, strError);
    if (nReady < 0)
        return Fail(QStringLiteral("line %1 (%2): %3").arg(step.nLine).arg(step.strVerb, strError));
    if (nReady == 0)
    {
        const qint64 nNow = QDateTime::currentMSecsSinceEpoch();
        if (m_nWaitStartMs < 0)
            m_nWaitStartMs = nNow;
        if (nNow - m_nWaitStartMs > m_nStepTimeoutMs)
            return Fail(QStringLiteral("line %1 (%2): %3").arg(step.nLine).arg(step.strVerb, strError));
        QTimer::singleShot(20, this, &ScriptRunner::RunNext);
        return;
    }
    m_nWaitStartMs = -1;
    const Step current = step;
    ++m_nNext;
    // Scheduled first: if the step opens a modal dialog, the next step runs in
    // its loop. A wait is the time before the next step, not a nested loop in
    // which the next steps would run at once.
    const int nDelay = current.strVerb == u"wait"
                             ? kStepDelayMs + qMin(current.strRest.toInt(), INT_MAX - kStepDelayMs)
                             : kStepDelayMs;
    QTimer::singleShot(nDelay, this, &ScriptRunner::RunNext);
    if (current.strVerb != u"say" && current.strVerb != u"grid")
        m_log(QStringLiteral("walkthrough: %1 %2").arg(current.strVerb, current.strRest).trimmed());
    if (!Act(current, strError))
        Fail(QStringLiteral("line %1 (%2): %3").arg(current.nLine).arg(current.strVerb, strError));
}

void ScriptRunner::CheckEnd()
{
    // While the dialog's loop runs this is called; once the module returns
    // nothing calls it, so an open dialog here is one nobody will close.
    QWidget* pTop = TopDialog();
    if (!pTop)
    {
        m_nWaitStartMs = -1;
        QTimer::singleShot(20, this, &ScriptRunner::RunNext);
        return;
    }
    const qint64 nNow = QDateTime::currentMSecsSinceEpoch();
    if (m_nWaitStartMs < 0)
        m_nWaitStartMs = nNow;
    if (nNow - m_nWaitStartMs > m_nEndGraceMs)
        return Fail(QStringLiteral("the script ended while the dialog \"%1\" is still open")
                        .arg(pTop->windowTitle()));
    QTimer::singleShot(20, this, &ScriptRunner::RunNext);
}

int ScriptRunner::Ready(const Step& step, QString& strError)
{
    QWidget* pTop = TopDialog();
    const QString& v = step.strVerb;
    if (v == u"wait")
    {
        bool bNumber = false;
        if (step.strRest.toInt(&bNumber) < 0 || !bNumber)
        {
            strError = QStringLiteral("expected a number of milliseconds");
            return -1;
        }
        return 1;
    }
    if (v == u"say")
        return 1;
    if (!pTop)
    {
        strError = QStringLiteral("no dialog is open");
        return 0;
    }
    if (v == u"dialog")
    {
        strError = QStringLiteral("the topmost dialog is \"%1\", not \"%2\"")
                       .arg(pTop->windowTitle(), step.strRest);
        return pTop->windowTitle() == step.strRest ? 1 : 0;
    }
    if (v == u"message")
    {
        auto* pBox = qobject_cast<QMessageBox*>(pTop);
        if (!pBox)
        {
            strError = QStringLiteral("no message box is open (topmost: \"%1\")").arg(pTop->windowTitle());
            return 0;
        }
        if (pBox->text() != step.strRest)
        {
            strError = QStringLiteral("the message says \"%1\"").arg(pBox->text());
            return -1;
        }
        return 1;
    }
    if (v == u"press")
    {
        for (QAbstractButton* pButton : pTop->findChildren<QAbstractButton*>())
            if (pButton->isVisible() && PlainText(pButton->text()) == step.strRest)
                return 1;
        strError = QStringLiteral("no button \"%1\" in \"%2\"").arg(step.strRest, pTop->windowTitle());
        return 0;
    }
    if (v == u"click" || v == u"ctrl-click" || v == u"dblclick" || v == u"edit" ||
        v == u"choose" || v == u"header-dblclick" || v == u"grid")
    {
        if (!GridOf(pTop))
        {
            strError = QStringLiteral("no grid in \"%1\"").arg(pTop->windowTitle());
            return 0;
        }
        return 1;
    }
    if (v == u"type" || v == u"key" || v == u"clear-text" || v == u"shot")
        return 1;
    strError = QStringLiteral("unknown step");
    return -1;
}

bool ScriptRunner::Act(const Step& step, QString& strError)
{
    QWidget* pTop = TopDialog();
    const QString& v = step.strVerb;
    if (v == u"say")
    {
        m_log(step.strRest);
        return true;
    }
    if (v == u"wait" || v == u"dialog")
        return true;
    if (v == u"message")
    {
        auto* pBox = qobject_cast<QMessageBox*>(pTop);
        m_log(QStringLiteral("  message box: %1").arg(QString(pBox->text()).replace(u'\n', QStringLiteral(" / "))));
        QAbstractButton* pOk = pBox->button(QMessageBox::Ok);
        if (!pOk && !pBox->buttons().isEmpty())
            pOk = pBox->buttons().first();
        if (pOk)
            pOk->click();
        else
            pBox->accept();
        return true;
    }
    if (v == u"press")
    {
        for (QAbstractButton* pButton : pTop->findChildren<QAbstractButton*>())
            if (pButton->isVisible() && PlainText(pButton->text()) == step.strRest)
            {
                pButton->click();
                return true;
            }
        return true;
    }
    if (v == u"shot")
    {
        QDir().mkpath(m_strShotsDir);
        const QString strFile = QDir(m_strShotsDir).filePath(step.strRest + QStringLiteral(".png"));
        if (!pTop || !pTop->grab().save(strFile))
        {
            strError = QStringLiteral("cannot save %1").arg(strFile);
            return false;
        }
        m_log(QStringLiteral("  saved %1").arg(strFile));
        return true;
    }
    if (v == u"type")
    {
        QWidget* pFocus = QApplication::focusWidget();
        SendKeyClicks(pFocus ? pFocus : pTop, step.strRest);
        return true;
    }
    if (v == u"clear-text")
    {
        auto* pEdit = qobject_cast<QLineEdit*>(QApplication::focusWidget());
        if (!pEdit)
        {
            strError = QStringLiteral("the focus is not in a text box");
            return false;
        }
        pEdit->selectAll();
        SendKeyClick(pEdit, Qt::Key_Backspace);
        return true;
    }
    if (v == u"key")
    {
        const auto it = KeyNames().constFind(step.strRest.toLower());
        if (it == KeyNames().constEnd())
        {
            strError = QStringLiteral("unknown key \"%1\"").arg(step.strRest);
            return false;
        }
        QWidget* pFocus = QApplication::focusWidget();
        SendKeyClick(pFocus ? pFocus : pTop, *it);
        return true;
    }

    QTableView* pView = GridOf(pTop);
    if (v == u"grid")
    {
        QAbstractItemModel* pModel = pView->model();
        QStringList header;
        for (int c = 0; c < pModel->columnCount(); ++c)
            if (!pView->isColumnHidden(c))
                header.append(pModel->headerData(c, Qt::Horizontal).toString());
        m_log(QStringLiteral("  grid of \"%1\": %2").arg(pTop->windowTitle(), header.join(QStringLiteral(" | "))));
        for (int r = 0; r < pModel->rowCount() && r < 50; ++r)
        {
            QStringList cells;
            for (int c = 0; c < pModel->columnCount(); ++c)
                if (!pView->isColumnHidden(c))
                    cells.append(pModel->index(r, c).data().toString());
            m_log(QStringLiteral("  %1: %2").arg(r + 1).arg(cells.join(QStringLiteral(" | "))));
        }
        if (pModel->rowCount() > 50)
            m_log(QStringLiteral("  ... %1 rows in all").arg(pModel->rowCount()));
        return true;
    }
    if (v == u"header-dblclick")
    {
        const int nCol = step.strRest.toInt() - 1;
        QHeaderView* pHeader = pView->horizontalHeader();
        const QPoint pt(pHeader->sectionViewportPosition(nCol) + pHeader->sectionSize(nCol) / 2,
                        pHeader->height() / 2);
        SendMouseDoubleClick(pHeader->viewport(), pt);
        return true;
    }
    QModelIndex idx;
    if (!CellIndex(pView, step.args, 0, idx))
    {
        strError = QStringLiteral("no such cell");
        return false;
    }
    // A window shown a moment ago may not be active yet: clicks and editors
    // need the keyboard focus in it, as a user's first click would give it.
    if (!pTop->isActiveWindow())
    {
        pTop->activateWindow();
        // Offscreen activation can lag; the step itself reports what then fails.
        (void)WaitForWindowActive(pTop, 1000);
    }
    pView->scrollTo(idx);
    const QPoint pt = pView->visualRect(idx).center();
    if (v == u"click" || v == u"ctrl-click")
    {
        const Qt::KeyboardModifiers mods = v == u"click" ? Qt::KeyboardModifiers() : Qt::ControlModifier;
        SendMouseClick(pView->viewport(), pt, mods);
        return true;
    }
    if (v == u"dblclick")
    {
        SendMouseClick(pView->viewport(), pt);
        SendMouseDoubleClick(pView->viewport(), pt);
        return true;
    }
    // edit / choose: ROW COL TEXT
    const QString strText = step.args.mid(2).join(u' ');
    SendMouseClick(pView->viewport(), pt);
    pView->edit(idx);
    QWidget* pEditor = pView->indexWidget(idx);
    if (!pEditor)
        pEditor = QApplication::focusWidget();
    if (v == u"edit")
    {
        auto* pLine = qobject_cast<QLineEdit*>(pEditor);
        if (!pLine)
        {
            strError = QStringLiteral("the cell cannot be edited");
            return false;
        }
        pLine->selectAll();
        SendKeyClicks(pLine, strText);
        SendKeyClick(pLine, Qt::Key_Return);
        return true;
    }
    auto* pCombo = qobject_cast<QComboBox*>(pEditor);
    const int nChoice = pCombo ? pCombo->findText(strText) : -1;
    if (nChoice < 0)
    {
        strError = pCombo ? QStringLiteral("no choice \"%1\"").arg(strText)
                          : QStringLiteral("the cell has no drop-down");
        return false;
    }
    pCombo->setCurrentIndex(nChoice);
    SendKeyClick(pCombo, Qt::Key_Return);
    return true;
}
} // namespace host
