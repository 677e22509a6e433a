// SPDX-License-Identifier: MIT
// What each walkthrough step does once the runner has found it ready.
#include "ScriptRunner.h"
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
} // namespace

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
    if (v == u"press")
    {
        // What a box said is part of the story, however it is answered.
        if (auto* pBox = qobject_cast<QMessageBox*>(pTop))
            m_log(QStringLiteral("  message box: %1").arg(OneLine(pBox->text())));
        const QList<QAbstractButton*> buttons = ButtonsNamed(pTop, step.strRest, *m_pTexts);
        if (!buttons.isEmpty())
            buttons.first()->click();
        return true;
    }
    if (v == u"shot")
    {
        const QString strFile = QDir(m_strShotsDir).filePath(step.strRest + QStringLiteral(".png"));
        if (!SavePicture(pTop, strFile, strError))
            return false;
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
        strError =
            QStringLiteral("no cell at row %1, column %2: the grid has %3 rows and %4 columns")
                .arg(step.args.value(0), step.args.value(1, QStringLiteral("1")))
                .arg(pView->model()->rowCount())
                .arg(pView->model()->columnCount());
        return false;
    }
    pView->scrollTo(idx);
    const QPoint pt = pView->visualRect(idx).center();
    if (v == u"click" || v == u"ctrl-click")
    {
        const Qt::KeyboardModifiers mods =
            v == u"click" ? Qt::KeyboardModifiers() : Qt::ControlModifier;
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
    // A cell that takes no editing is told here: asked to edit it, the view
    // would only complain on standard error, and the text would go to
    // whatever has the focus.
    if (!idx.flags().testFlag(Qt::ItemIsEditable))
    {
        strError = QStringLiteral("the cell at row %1, column %2 %3")
                       .arg(idx.row() + 1)
                       .arg(idx.column() + 1)
                       .arg(v == u"edit" ? QStringLiteral("cannot be edited")
                                         : QStringLiteral("has no drop-down"));
        return false;
    }
    // A click on a drop-down of the current row opens it already.
    if (!pView->indexWidget(idx))
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
    const int nChoice = pCombo ? ChoiceNamed(pCombo, strText, *m_pTexts) : -1;
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
