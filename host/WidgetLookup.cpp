// SPDX-License-Identifier: MIT
#include "WidgetLookup.h"
#include "SourceTexts.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDialog>

namespace host
{
QWidget* TopDialog()
{
    if (QWidget* pModal = QApplication::activeModalWidget())
        return pModal;
    for (QWidget* pTop : QApplication::topLevelWidgets())
        if (pTop->isVisible() && qobject_cast<QDialog*>(pTop))
            return pTop;
    return nullptr;
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

QString ShownColumns(const QTableView* pView)
{
    const QAbstractItemModel* pModel = pView->model();
    QStringList columns;
    for (int c = 0; pModel && c < pModel->columnCount(); ++c)
        if (!pView->isColumnHidden(c))
            columns.append(QStringLiteral("%1 %2").arg(c + 1).arg(
                pModel->headerData(c, Qt::Horizontal).toString()));
    return columns.join(QStringLiteral(" | "));
}

QString HiddenColumn(const QTableView* pView, int nCol)
{
    const QAbstractItemModel* pModel = pView->model();
    if (!pModel || nCol < 1 || nCol > pModel->columnCount() || !pView->isColumnHidden(nCol - 1))
        return {};
    return QStringLiteral("column %1 (%2) is hidden; the columns shown: %3")
        .arg(QString::number(nCol), pModel->headerData(nCol - 1, Qt::Horizontal).toString(),
             ShownColumns(pView));
}

QList<QAbstractButton*> ButtonsNamed(QWidget* pTop, const QString& strText,
                                     const SourceTexts& texts)
{
    QList<QAbstractButton*> buttons;
    for (QAbstractButton* pButton : pTop->findChildren<QAbstractButton*>())
        if (pButton->isVisible() && texts.Matches(pButton->text(), strText))
            buttons.append(pButton);
    return buttons;
}

int ChoiceNamed(const QComboBox* pCombo, const QString& strText, const SourceTexts& texts)
{
    for (int i = 0; i < pCombo->count(); ++i)
        if (texts.Matches(pCombo->itemText(i), strText))
            return i;
    return -1;
}

QString OneLine(QString strText)
{
    return strText.replace(u'\n', QStringLiteral(" / "));
}
} // namespace host
