// SPDX-License-Identifier: MIT
// What each walkthrough step waits for on screen and what it does then.
#include "ScriptActions.h"
#include "SourceTexts.h"
#include "SyntheticInput.h"
#include "WidgetLookup.h"

#include <QAbstractButton>
#include <QBuffer>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QLineEdit>
#include <QMessageBox>
#include <QTableView>

namespace host
{
namespace
{
// The picture is made in memory and written with every write checked: an
// image writer reports success before a full disk has refused the bytes.
bool SavePicture(QWidget* pTop, const QString& strFile, QString& strError)
{
    const QString strFolder = QFileInfo(strFile).path();
    if (!QDir().mkpath(strFolder))
    {
        strError =
            QStringLiteral("cannot save %1: cannot create the folder %2").arg(strFile, strFolder);
        return false;
    }
    QByteArray png;
    QBuffer buffer(&png);
    if (!pTop || !buffer.open(QIODevice::WriteOnly) || !pTop->grab().save(&buffer, "PNG"))
    {
        strError = QStringLiteral("cannot save %1: the picture could not be made").arg(strFile);
        return false;
    }
    QFile file(strFile);
    bool bOk = file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
               file.write(png) == png.size() && file.flush();
    QString strReason = file.errorString();
    file.close();
    if (bOk && file.error() != QFileDevice::NoError)
    {
        bOk = false;
        strReason = file.errorString();
    }
    if (bOk)
        return true;
    strError = QStringLiteral("cannot save %1: %2").arg(strFile, strReason);
    // No picture rather than a cut one that looks saved.
    if (const QFileInfo info(strFile); info.isFile() && !info.isSymLink())
        QFile::remove(strFile);
    return false;
}
// The grid cell a step names, scrolled into view; false and why when there is none.
bool CellOf(const ScriptStep& step, QWidget* pTop, QTableView*& pView, QModelIndex& idx,
            QString& strError)
{
    pView = GridOf(pTop);
    if (!CellIndex(pView, step.args, 0, idx))
    {
        strError =
            QStringLiteral("no cell at row %1, column %2: the grid has %3 rows and %4 columns")
                .arg(step.args.value(0), step.args.value(1, QStringLiteral("1")))
                .arg(pView->model()->rowCount())
                .arg(pView->model()->columnCount());
        return false;
    }
    pView->scrollTo(idx);
    return true;
}

// Clicks the cell and opens its editor, as a user does before typing or
// choosing; false and why when the cell takes no editing.
bool OpenEditor(const ScriptStep& step, QTableView* pView, const QModelIndex& idx,
                QString& strError)
{
    SendMouseClick(pView->viewport(), pView->visualRect(idx).center());
    // A cell that takes no editing is told here: asked to edit it, the view
    // would only complain on standard error, and the text would go to
    // whatever has the focus.
    if (!idx.flags().testFlag(Qt::ItemIsEditable))
    {
        strError = QStringLiteral("the cell at row %1, column %2 %3")
                       .arg(idx.row() + 1)
                       .arg(idx.column() + 1)
                       .arg(step.strVerb == u"edit" ? QStringLiteral("cannot be edited")
                                                    : QStringLiteral("has no drop-down"));
        return false;
    }
    // A click on a drop-down of the current row opens it already.
    if (!pView->indexWidget(idx))
        pView->edit(idx);
    return true;
}
} // namespace

struct ScriptActions::Verb
{
    const char* pszVerb;
    bool bNeedsDialog;
    int (ScriptActions::*ready)(const ScriptStep&, QWidget*, bool, QString&) const;
    bool (ScriptActions::*act)(const ScriptStep&, QWidget*, QString&);
};

ScriptActions::ScriptActions(QString strShotsDir, Log log, const SourceTexts& texts)
    : m_strShotsDir(std::move(strShotsDir)), m_log(std::move(log)), m_texts(texts)
{
}

const ScriptActions::Verb* ScriptActions::VerbOf(const QString& strVerb)
{
    using A = ScriptActions;
    static const Verb s_verbs[] = {
        {"say", false, &A::Always, &A::Say},
        {"wait", false, &A::Always, &A::Nothing},
        {"dialog", true, &A::DialogReady, &A::Nothing},
        {"message", true, &A::MessageReady, &A::AnswerMessage},
        {"press", true, &A::ButtonReady, &A::Press},
        {"shot", true, &A::Always, &A::Shot},
        {"type", true, &A::KeysReady, &A::Type},
        {"clear-text", true, &A::KeysReady, &A::ClearText},
        {"key", true, &A::KeysReady, &A::Key},
        {"grid", true, &A::GridReady, &A::PrintGrid},
        {"header-dblclick", true, &A::GridReady, &A::HeaderDoubleClick},
        {"click", true, &A::GridReady, &A::Click},
        {"ctrl-click", true, &A::GridReady, &A::Click},
        {"dblclick", true, &A::GridReady, &A::DoubleClick},
        {"edit", true, &A::GridReady, &A::Edit},
        {"choose", true, &A::GridReady, &A::Choose},
    };
    for (const Verb& verb : s_verbs)
        if (strVerb == QLatin1String(verb.pszVerb))
            return &verb;
    return nullptr;
}

bool ScriptActions::NeedsDialog(const ScriptStep& step)
{
    const Verb* pVerb = VerbOf(step.strVerb);
    return !pVerb || pVerb->bNeedsDialog;
}

int ScriptActions::Ready(const ScriptStep& step, QWidget* pTop, bool bMayWait,
                         QString& strError) const
{
    const Verb* pVerb = VerbOf(step.strVerb);
    if (!pVerb)
    {
        strError = QStringLiteral("unknown step \"%1\"").arg(step.strVerb);
        return -1;
    }
    return (this->*pVerb->ready)(step, pTop, bMayWait, strError);
}

bool ScriptActions::Act(const ScriptStep& step, QString& strError)
{
    const Verb* pVerb = VerbOf(step.strVerb);
    if (!pVerb)
    {
        strError = QStringLiteral("unknown step \"%1\"").arg(step.strVerb);
        return false;
    }
    return (this->*pVerb->act)(step, TopDialog(), strError);
}

int ScriptActions::DialogReady(const ScriptStep& step, QWidget* pTop, bool, QString& strError) const
{
    // A message box bears the program's name as its title, which may be a
    // dialog's too; it is answered with "message", not taken for the dialog.
    if (auto* pBox = qobject_cast<QMessageBox*>(pTop))
    {
        strError = QStringLiteral("a message box is open, not the dialog \"%1\": \"%2\" "
                                  "(answer it first with: message TEXT)")
                       .arg(step.strRest, OneLine(pBox->text()));
        return 0;
    }
    strError = QStringLiteral("the topmost dialog is \"%1\", not \"%2\"")
                   .arg(pTop->windowTitle(), step.strRest);
    return m_texts.Matches(pTop->windowTitle(), step.strRest) ? 1 : 0;
}

int ScriptActions::MessageReady(const ScriptStep& step, QWidget* pTop, bool,
                                QString& strError) const
{
    auto* pBox = qobject_cast<QMessageBox*>(pTop);
    if (!pBox)
    {
        strError =
            QStringLiteral("no message box is open (topmost: \"%1\")").arg(pTop->windowTitle());
        return 0;
    }
    if (!m_texts.Matches(pBox->text(), step.strRest))
    {
        strError = QStringLiteral("the message says \"%1\"").arg(pBox->text());
        return -1;
    }
    return 1;
}

int ScriptActions::ButtonReady(const ScriptStep& step, QWidget* pTop, bool, QString& strError) const
{
    // A disabled button ignores the click: waited for like a missing one,
    // then told with the reason its tooltip gives.
    QAbstractButton* pDisabled = nullptr;
    for (QAbstractButton* pButton : ButtonsNamed(pTop, step.strRest, m_texts))
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

int ScriptActions::GridReady(const ScriptStep& step, QWidget* pTop, bool bMayWait,
                             QString& strError) const
{
    if (auto* pBox = qobject_cast<QMessageBox*>(pTop))
    {
        // A message box waits for an answer: the grid behind it is not the one meant.
        strError = QStringLiteral("a message box is open, not a dialog with a grid: \"%1\" "
                                  "(answer it first with: message TEXT)")
                       .arg(OneLine(pBox->text()));
        return -1;
    }
    if (!GridOf(pTop))
    {
        strError = QStringLiteral("no grid in \"%1\"").arg(pTop->windowTitle());
        return 0;
    }
    if (step.strVerb == u"grid")
        return 1;
    // The numbers count every column, shown or not, as "grid" prints them: a
    // hidden one cannot be clicked.
    const QString strCol = step.strVerb == u"header-dblclick"
                               ? step.args.value(0)
                               : step.args.value(1, QStringLiteral("1"));
    strError = HiddenColumn(GridOf(pTop), strCol.toInt());
    if (!strError.isEmpty())
    {
        strError += QStringLiteral(" (in \"%1\")").arg(pTop->windowTitle());
        return -1;
    }
    return KeysReady(step, pTop, bMayWait, strError);
}

int ScriptActions::KeysReady(const ScriptStep&, QWidget* pTop, bool bMayWait,
                             QString& strError) const
{
    // Clicks and keys go where a user's would once the window is active. A
    // window shown a moment ago may not be yet; a window manager may refuse
    // it for good, so the step acts anyway after a while.
    if (!pTop->isActiveWindow() && bMayWait)
    {
        pTop->activateWindow();
        strError =
            QStringLiteral("\"%1\" did not become the active window").arg(pTop->windowTitle());
        return 0;
    }
    return 1;
}

bool ScriptActions::Say(const ScriptStep& step, QWidget*, QString&)
{
    m_log(step.strRest);
    return true;
}

bool ScriptActions::AnswerMessage(const ScriptStep&, QWidget* pTop, QString&)
{
    auto* pBox = qobject_cast<QMessageBox*>(pTop);
    m_log(QStringLiteral("  message box: %1").arg(OneLine(pBox->text())));
    QAbstractButton* pOk = pBox->button(QMessageBox::Ok);
    if (!pOk && !pBox->buttons().isEmpty())
        pOk = pBox->buttons().first();
    if (pOk)
        pOk->click();
    else
        pBox->accept();
    return true;
}

bool ScriptActions::Press(const ScriptStep& step, QWidget* pTop, QString&)
{
    // What a box said is part of the story, however it is answered.
    if (auto* pBox = qobject_cast<QMessageBox*>(pTop))
        m_log(QStringLiteral("  message box: %1").arg(OneLine(pBox->text())));
    const QList<QAbstractButton*> buttons = ButtonsNamed(pTop, step.strRest, m_texts);
    if (!buttons.isEmpty())
        buttons.first()->click();
    return true;
}

bool ScriptActions::Shot(const ScriptStep& step, QWidget* pTop, QString& strError)
{
    const QString strFile = QDir(m_strShotsDir).filePath(step.strRest + QStringLiteral(".png"));
    if (!SavePicture(pTop, strFile, strError))
        return false;
    m_log(QStringLiteral("  saved %1").arg(strFile));
    return true;
}

bool ScriptActions::Type(const ScriptStep& step, QWidget* pTop, QString&)
{
    QWidget* pFocus = QApplication::focusWidget();
    SendKeyClicks(pFocus ? pFocus : pTop, step.strRest);
    return true;
}

bool ScriptActions::ClearText(const ScriptStep&, QWidget*, QString& strError)
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

bool ScriptActions::Key(const ScriptStep& step, QWidget* pTop, QString& strError)
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

bool ScriptActions::PrintGrid(const ScriptStep&, QWidget* pTop, QString&)
{
    QTableView* pView = GridOf(pTop);
    QAbstractItemModel* pModel = pView->model();
    m_log(QStringLiteral("  grid of \"%1\": %2").arg(pTop->windowTitle(), ShownColumns(pView)));
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

bool ScriptActions::HeaderDoubleClick(const ScriptStep& step, QWidget* pTop, QString&)
{
    const int nCol = step.strRest.toInt() - 1;
    QHeaderView* pHeader = GridOf(pTop)->horizontalHeader();
    const QPoint pt(pHeader->sectionViewportPosition(nCol) + pHeader->sectionSize(nCol) / 2,
                    pHeader->height() / 2);
    SendMouseDoubleClick(pHeader->viewport(), pt);
    return true;
}

bool ScriptActions::Click(const ScriptStep& step, QWidget* pTop, QString& strError)
{
    QTableView* pView = nullptr;
    QModelIndex idx;
    if (!CellOf(step, pTop, pView, idx, strError))
        return false;
    const Qt::KeyboardModifiers mods =
        step.strVerb == u"ctrl-click" ? Qt::ControlModifier : Qt::KeyboardModifiers();
    SendMouseClick(pView->viewport(), pView->visualRect(idx).center(), mods);
    return true;
}

bool ScriptActions::DoubleClick(const ScriptStep& step, QWidget* pTop, QString& strError)
{
    QTableView* pView = nullptr;
    QModelIndex idx;
    if (!CellOf(step, pTop, pView, idx, strError))
        return false;
    const QPoint pt = pView->visualRect(idx).center();
    SendMouseClick(pView->viewport(), pt);
    SendMouseDoubleClick(pView->viewport(), pt);
    return true;
}

// ROW COL TEXT, the text exactly as written after the numbers
bool ScriptActions::Edit(const ScriptStep& step, QWidget* pTop, QString& strError)
{
    QTableView* pView = nullptr;
    QModelIndex idx;
    if (!CellOf(step, pTop, pView, idx, strError) || !OpenEditor(step, pView, idx, strError))
        return false;
    auto* pLine = EditorAt<QLineEdit>(pView, idx);
    if (!pLine)
    {
        strError = QStringLiteral("the cell at row %1, column %2 cannot be edited")
                       .arg(idx.row() + 1)
                       .arg(idx.column() + 1);
        return false;
    }
    pLine->selectAll();
    SendText(pLine, TextAfterWords(step.strRest, 2));
    SendKeyClick(pLine, Qt::Key_Return);
    return true;
}

bool ScriptActions::Choose(const ScriptStep& step, QWidget* pTop, QString& strError)
{
    QTableView* pView = nullptr;
    QModelIndex idx;
    if (!CellOf(step, pTop, pView, idx, strError) || !OpenEditor(step, pView, idx, strError))
        return false;
    const QString strText = TextAfterWords(step.strRest, 2);
    auto* pCombo = EditorAt<QComboBox>(pView, idx);
    const int nChoice = pCombo ? ChoiceNamed(pCombo, strText, m_texts) : -1;
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
