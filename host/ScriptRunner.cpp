#include "ScriptRunner.h"
#include "SourceTexts.h"
#include "SyntheticInput.h"
#include "project/TextFile.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QCursor>
#include <QDateTime>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressDialog>
#include <QTableView>
#include <QTimer>

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

// The rest of a step's text after its first nWords words, exactly as written.
QString TextAfterWords(const QString& strRest, int nWords)
{
    qsizetype i = 0;
    for (int w = 0; w < nWords; ++w)
    {
        while (i < strRest.size() && strRest[i] == u' ')
            ++i;
        while (i < strRest.size() && strRest[i] != u' ')
            ++i;
    }
    // One blank separates the last number from the text.
    return i < strRest.size() ? strRest.mid(i + 1) : QString();
}

// The editor a view opened on a cell: it lies on the cell in the view's
// viewport. (Found there, not through the keyboard focus, which follows
// only once the window is active.)
template <typename Editor>
Editor* EditorAt(QTableView* pView, const QModelIndex& idx)
{
    const QRect cell = pView->visualRect(idx);
    for (QWidget* pChild : pView->viewport()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
    {
        if (!pChild->isVisible() || !pChild->geometry().intersects(cell))
            continue;
        if (auto* pEditor = qobject_cast<Editor*>(pChild))
            return pEditor;
        if (auto* pEditor = pChild->findChild<Editor*>())
            return pEditor;
    }
    return qobject_cast<Editor*>(QApplication::focusWidget());
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

// What each step takes after its verb, for the check and for --help.
enum class Takes
{
    Nothing,
    Text,         // the rest of the line, not empty
    OptionalText, // the rest of the line, maybe empty
    Cell,         // ROW [COL]
    Column,       // COL
    CellText,     // ROW COL TEXT
    Key,
    Milliseconds,
    FileName,
};

struct StepForm
{
    const char* pszVerb;
    Takes takes;
    const char* pszArgs; // as --help shows them
    const char* pszWhat;
};

const StepForm s_forms[] = {
    {"dialog", Takes::Text, "TITLE", "wait until the topmost dialog has this title"},
    {"click", Takes::Cell, "ROW [COL]", "click a grid cell (rows and columns count from 1)"},
    {"ctrl-click", Takes::Cell, "ROW [COL]", "add a row to the selection"},
    {"dblclick", Takes::Cell, "ROW [COL]", "double-click a grid cell"},
    {"header-dblclick", Takes::Column, "COL", "double-click a column header (sorts)"},
    {"edit", Takes::CellText, "ROW COL TEXT", "type TEXT into a cell and press Enter"},
    {"choose", Takes::CellText, "ROW COL TEXT", "pick TEXT in a cell's drop-down"},
    {"press", Takes::Text, "BUTTON", "click the button with this text (without '&')"},
    {"type", Takes::Text, "TEXT", "type TEXT into the focused control"},
    {"key", Takes::Key, "KEY", "press a key: Enter, Escape, Down, Up, Tab, Backspace, Space, "
                               "Home or End"},
    {"clear-text", Takes::Nothing, "", "empty the focused text box"},
    {"message", Takes::Text, "TEXT", "expect a message box with this text and press its OK"},
    {"shot", Takes::FileName, "NAME", "save the topmost dialog as NAME.png (NAME without '/')"},
    {"grid", Takes::Nothing, "", "print the rows of the topmost dialog's grid"},
    {"say", Takes::OptionalText, "[TEXT]", "print TEXT"},
    {"wait", Takes::Milliseconds, "MS", "let MS milliseconds pass before the next step"},
};

const StepForm* FormOf(const QString& strVerb)
{
    for (const StepForm& form : s_forms)
        if (strVerb == QLatin1String(form.pszVerb))
            return &form;
    return nullptr;
}

bool IsCount(const QString& strWord)
{
    bool bOk = false;
    return strWord.toInt(&bOk) >= 1 && bOk;
}

// Why a step cannot run as written; empty when it can. Adds a wait's time
// to nWaitedMs.
QString CheckStep(const ScriptStep& step, qint64& nWaitedMs, int nLimitMs)
{
    const StepForm* pForm = FormOf(step.strVerb);
    if (!pForm)
        return QStringLiteral("unknown step \"%1\" (physprops --help lists the steps)")
            .arg(step.strVerb);
    const QString strStep = QStringLiteral("step \"%1\"").arg(step.strVerb);
    const QString strUsage = QStringLiteral("%1 takes %2, got \"%3\"")
                                 .arg(strStep, QLatin1String(pForm->pszArgs), step.strRest);
    const QString strNeeds = QStringLiteral("%1 needs %2").arg(strStep, QLatin1String(pForm->pszArgs));
    const QStringList& args = step.args;
    switch (pForm->takes)
    {
    case Takes::Nothing:
        return args.isEmpty() ? QString() : QStringLiteral("%1 takes nothing more, got \"%2\"")
                                                .arg(strStep, step.strRest);
    case Takes::Text:
        return step.strRest.isEmpty() ? strNeeds : QString();
    case Takes::OptionalText:
        return {};
    case Takes::FileName:
        if (step.strRest.isEmpty())
            return strNeeds;
        return step.strRest.contains(u'/') ? strUsage + QStringLiteral(" (a name without '/')")
                                           : QString();
    case Takes::Cell:
        if (args.isEmpty())
            return strNeeds;
        if (args.size() > 2 || !IsCount(args[0]) || (args.size() == 2 && !IsCount(args[1])))
            return strUsage + QStringLiteral(" (rows and columns count from 1)");
        return {};
    case Takes::Column:
        if (args.isEmpty())
            return strNeeds;
        if (args.size() > 1 || !IsCount(args[0]))
            return strUsage + QStringLiteral(" (columns count from 1)");
        return {};
    case Takes::CellText:
        if (args.size() >= 2 && (!IsCount(args[0]) || !IsCount(args[1])))
            return strUsage + QStringLiteral(" (rows and columns count from 1)");
        if (args.size() < 3)
            return QStringLiteral("%1 needs %2, got \"%3\"")
                .arg(strStep, QLatin1String(pForm->pszArgs), step.strRest);
        return {};
    case Takes::Key:
        if (args.size() != 1)
            return args.isEmpty() ? strNeeds : strUsage;
        return KeyNames().contains(args[0].toLower())
                   ? QString()
                   : QStringLiteral("%1: unknown key \"%2\" (known: Enter, Escape, Down, Up, "
                                    "Tab, Backspace, Space, Home, End)")
                         .arg(strStep, args[0]);
    case Takes::Milliseconds:
    {
        if (args.isEmpty())
            return strNeeds;
        bool bNumber = false;
        const qlonglong nMs = args[0].toLongLong(&bNumber);
        if (args.size() > 1 || !bNumber || nMs < 0)
            return strUsage + QStringLiteral(" (a whole number of milliseconds)");
        const QString strLimit = QStringLiteral("the script's limit of %1 s (%2 ms)")
                                     .arg(nLimitMs / 1000)
                                     .arg(nLimitMs);
        if (nMs > nLimitMs)
            return QStringLiteral("%1: %2 ms is more than %3").arg(strStep, args[0], strLimit);
        nWaitedMs += nMs;
        if (nWaitedMs > nLimitMs)
            return QStringLiteral("%1: the waits up to here add up to %2 ms, more than %3")
                .arg(strStep)
                .arg(nWaitedMs)
                .arg(strLimit);
        return {};
    }
    }
    return {};
}
} // namespace

ScriptRunner::ScriptRunner(QString strShotsDir, Log log, QObject* pParent)
    : QObject(pParent), m_strShotsDir(std::move(strShotsDir)), m_log(std::move(log)),
      m_pTexts(new SourceTexts(this))
{
}

ScriptRunner::~ScriptRunner() = default;

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

bool ScriptRunner::ParseScript(const QStringList& lines, const QString& strFile,
                               QList<ScriptStep>& steps, QString& strError, int nScriptLimitMs)
{
    steps.clear();
    qint64 nWaitedMs = 0;
    for (qsizetype i = 0; i < lines.size(); ++i)
    {
        const QString strLine = lines[i].trimmed();
        if (strLine.isEmpty() || strLine.startsWith(u'#'))
            continue;
        ScriptStep step;
        step.nLine = int(i + 1);
        const qsizetype nSpace = strLine.indexOf(u' ');
        step.strVerb = nSpace < 0 ? strLine : strLine.left(nSpace);
        step.strRest = nSpace < 0 ? QString() : Unescape(strLine.mid(nSpace + 1).trimmed());
        step.args = step.strRest.split(u' ', Qt::SkipEmptyParts);
        const QString strWrong = CheckStep(step, nWaitedMs, nScriptLimitMs);
        if (!strWrong.isEmpty())
        {
            strError = strFile.isEmpty() ? QStringLiteral("line %1: %2").arg(step.nLine).arg(strWrong)
                                         : QStringLiteral("%1:%2: %3")
                                               .arg(strFile)
                                               .arg(step.nLine)
                                               .arg(strWrong);
            steps.clear();
            return false;
        }
        steps.append(step);
    }
    return true;
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
    const QString strWhere = m_strFile.isEmpty()
                                 ? QStringLiteral("line %1").arg(step.nLine)
                                 : QStringLiteral("%1:%2").arg(m_strFile).arg(step.nLine);
    return QStringLiteral("%1: step \"%2\": %3").arg(strWhere, step.strVerb, strError);
}

QString ScriptStepsHelp()
{
    QString strHelp;
    for (const StepForm& form : s_forms)
    {
        // Descriptions start in one column and wrap within 79.
        QString strLine =
            QStringLiteral("  %1 %2").arg(QLatin1String(form.pszVerb), QLatin1String(form.pszArgs));
        strLine = strLine.leftJustified(26) + u' ';
        for (const QString& strWord : QString::fromLatin1(form.pszWhat).split(u' '))
        {
            if (strLine.size() + strWord.size() > 79)
            {
                strHelp += strLine.trimmed().prepend(QStringLiteral("  ")) + u'\n';
                strLine = QString(27, u' ');
            }
            strLine += strWord + u' ';
        }
        strHelp += QStringView(strLine).chopped(1) + u'\n';
    }
    return strHelp;
}

void ScriptRunner::Start()
{
    if (m_bFailed)
    {
        // Steps that were refused: nothing runs, and the dialog is closed.
        QTimer::singleShot(0, this, [this] { Fail(m_strError); });
        return;
    }
    QTimer::singleShot(m_nScriptTimeoutMs, this, [this] {
        if (!Finished() && !m_bFailed)
            Fail(QStringLiteral("the script did not finish within its limit of %1 s (%2 ms)")
                     .arg(m_nScriptTimeoutMs / 1000)
                     .arg(m_nScriptTimeoutMs));
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
    // The wait cursor is up while the module waits a moment for a search
    // before it shows progress; a user waits for it, and so does a step,
    // rather than acting on the window behind.
    if (const QCursor* pCursor = QGuiApplication::overrideCursor();
        pCursor && pCursor->shape() == Qt::WaitCursor)
    {
        QTimer::singleShot(20, this, &ScriptRunner::RunNext);
        return;
    }
    if (Finished())
        return CheckEnd();
    const ScriptStep& step = m_steps[m_nNext];
    QString strError;
    const int nReady = Ready(step, strError);
    if (nReady < 0)
        return Fail(AtStep(step, strError));
    if (nReady == 0)
    {
        const qint64 nNow = QDateTime::currentMSecsSinceEpoch();
        if (m_nWaitStartMs < 0)
            m_nWaitStartMs = nNow;
        if (nNow - m_nWaitStartMs > m_nStepTimeoutMs)
            return Fail(AtStep(step, strError));
        QTimer::singleShot(20, this, &ScriptRunner::RunNext);
        return;
    }
    m_nWaitStartMs = -1;
    const ScriptStep current = step;
    ++m_nNext;
    // Scheduled first: if the step opens a modal dialog, the next step runs in
    // its loop. A wait is the time before the next step, not a nested loop in
    // which the next steps would run at once.
    // (The check before the first step keeps a wait within the script's limit.)
    const int nDelay =
        current.strVerb == u"wait" ? kStepDelayMs + current.strRest.toInt() : kStepDelayMs;
    QTimer::singleShot(nDelay, this, &ScriptRunner::RunNext);
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
    auto* pBox = qobject_cast<QMessageBox*>(pTop);
    if (v == u"dialog")
    {
        // A message box bears the program's name as its title, which may be a
        // dialog's too; it is answered with "message", not taken for the dialog.
        if (pBox)
        {
            strError = QStringLiteral("a message box is open, not the dialog \"%1\": \"%2\" "
                                      "(answer it first with: message TEXT)")
                           .arg(step.strRest, QString(pBox->text()).replace(u'\n', QStringLiteral(" / ")));
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
            strError = QStringLiteral("no message box is open (topmost: \"%1\")").arg(pTop->windowTitle());
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
        for (QAbstractButton* pButton : pTop->findChildren<QAbstractButton*>())
            if (pButton->isVisible() && Names(pButton->text(), step.strRest))
            {
                if (pButton->isEnabled())
                    return 1;
                pDisabled = pButton;
            }
        if (!pDisabled)
        {
            strError = QStringLiteral("no button \"%1\" in \"%2\"").arg(step.strRest, pTop->windowTitle());
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
                       .arg(QString(pBox->text()).replace(u'\n', QStringLiteral(" / ")));
        return -1;
    }
    if (bGrid && !GridOf(pTop))
    {
        strError = QStringLiteral("no grid in \"%1\"").arg(pTop->windowTitle());
        return 0;
    }
    // Clicks and keys go where a user's would once the window is active. A
    // window shown a moment ago may not be yet; a window manager may refuse
    // it for good, so the step acts anyway after a while.
    if ((bGrid && v != u"grid") || v == u"type" || v == u"key" || v == u"clear-text")
    {
        const qint64 nWaited =
            m_nWaitStartMs < 0 ? 0 : QDateTime::currentMSecsSinceEpoch() - m_nWaitStartMs;
        if (!pTop->isActiveWindow() && nWaited < m_nActivateGraceMs)
        {
            pTop->activateWindow();
            strError = QStringLiteral("\"%1\" did not become the active window").arg(pTop->windowTitle());
            return 0;
        }
    }
    return 1;
}

bool ScriptRunner::Act(const ScriptStep& step, QString& strError)
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
            if (pButton->isVisible() && Names(pButton->text(), step.strRest))
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
        strError = QStringLiteral("no cell at row %1, column %2: the grid has %3 rows and %4 columns")
                       .arg(step.args.value(0), step.args.value(1, QStringLiteral("1")))
                       .arg(pView->model()->rowCount())
                       .arg(pView->model()->columnCount());
        return false;
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
    // edit / choose: ROW COL TEXT, the text exactly as written after the numbers
    const QString strText = TextAfterWords(step.strRest, 2);
    SendMouseClick(pView->viewport(), pt);
    pView->edit(idx);
    if (v == u"edit")
    {
        auto* pLine = EditorAt<QLineEdit>(pView, idx);
        if (!pLine)
        {
            strError = QStringLiteral("the cell at row %1, column %2 cannot be edited")
                           .arg(idx.row() + 1)
                           .arg(idx.column() + 1);
            return false;
        }
        pLine->selectAll();
        SendText(pLine, strText);
        SendKeyClick(pLine, Qt::Key_Return);
        return true;
    }
    auto* pCombo = EditorAt<QComboBox>(pView, idx);
    int nChoice = -1;
    for (int i = 0; pCombo && i < pCombo->count() && nChoice < 0; ++i)
        if (Names(pCombo->itemText(i), strText))
            nChoice = i;
    if (nChoice < 0)
    {
        QStringList choices;
        for (int i = 0; pCombo && i < pCombo->count(); ++i)
            choices.append(pCombo->itemText(i));
        strError = pCombo ? QStringLiteral("no choice \"%1\" (the choices: %2)")
                                .arg(strText, choices.join(QStringLiteral(", ")))
                          : QStringLiteral("the cell at row %1, column %2 has no drop-down")
                                .arg(idx.row() + 1)
                                .arg(idx.column() + 1);
        return false;
    }
    pCombo->setCurrentIndex(nChoice);
    SendKeyClick(pCombo, Qt::Key_Return);
    return true;
}
} // namespace host
