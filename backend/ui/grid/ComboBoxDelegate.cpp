// SPDX-License-Identifier: MIT
#include "grid/ComboBoxDelegate.h"
#include "grid/CellModel.h"
#include "grid/GridAccessible.h"
#include "grid/GridBase.h"
#include "grid/ItemRoles.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPainter>

namespace physprops::ui
{
namespace
{
QStringList ChoicesOf(const QModelIndex& index)
{
    return index.data(kChoicesRole).toStringList();
}
} // namespace

CComboBoxDelegate::CComboBoxDelegate(QObject* pParent) : QStyledItemDelegate(pParent) {}

QWidget* CComboBoxDelegate::createEditor(QWidget* pParent, const QStyleOptionViewItem& option,
                                         const QModelIndex& index) const
{
    const QStringList choices = ChoicesOf(index);
    if (choices.isEmpty())
    {
        QWidget* pEditor = QStyledItemDelegate::createEditor(pParent, option, index);
        LiftEditorLimit(pEditor);
        NameCellEditor(pEditor, index);
        if (auto* pLine = qobject_cast<QLineEdit*>(pEditor))
        {
            const QPersistentModelIndex cell(index);
            connect(pLine, &QLineEdit::textChanged, this,
                    [this, cell](const QString& strText) {
                        Q_EMIT const_cast<CComboBoxDelegate*>(this)->editTextChanged(cell, strText);
                    });
        }
        return pEditor;
    }
    auto* pCombo = new QComboBox(pParent);
    pCombo->setEditable(false);
    pCombo->addItems(choices);
    NameCellEditor(pCombo, index);
    // A pick in the list is final: store it and close, as a grid drop-down does.
    connect(pCombo, &QComboBox::activated, this,
            [this, pCombo](int)
            {
                auto* pSelf = const_cast<CComboBoxDelegate*>(this);
                Q_EMIT pSelf->commitData(pCombo);
                Q_EMIT pSelf->closeEditor(pCombo);
            });
    return pCombo;
}

void CComboBoxDelegate::setEditorData(QWidget* pEditor, const QModelIndex& index) const
{
    auto* pCombo = qobject_cast<QComboBox*>(pEditor);
    if (!pCombo)
    {
        QStyledItemDelegate::setEditorData(pEditor, index);
        // The editor shows a long text whole but only a stretch of it at a time.
        const qsizetype nChars = index.data(Qt::EditRole).toString().size();
        pEditor->setToolTip(nChars > kShownChars ? TextLengthNote(nChars) : QString());
        return;
    }
    const int nChoice = pCombo->findText(index.data(Qt::EditRole).toString(), Qt::MatchFixedString);
    pCombo->setCurrentIndex(std::max(0, nChoice));
}

void CComboBoxDelegate::setModelData(QWidget* pEditor, QAbstractItemModel* pModel,
                                     const QModelIndex& index) const
{
    auto* pCombo = qobject_cast<QComboBox*>(pEditor);
    if (!pCombo)
        return QStyledItemDelegate::setModelData(pEditor, pModel, index);
    pModel->setData(index, pCombo->currentText(), Qt::EditRole);
}

void CComboBoxDelegate::paint(QPainter* pPainter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const
{
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const bool bChoices = !ChoicesOf(index).isEmpty();
    m_cells.Paint(pPainter, opt, bChoices ? 1 : 0,
                  [&](QPainter* pOn, const QRect& rect)
                  {
                      QStyleOptionViewItem at = bChoices ? option : opt;
                      at.rect = rect;
                      if (bChoices)
                          return PaintChoiceCell(pOn, at, opt.text);
                      const QWidget* pWidget = opt.widget;
                      QStyle* pStyle = pWidget ? pWidget->style() : QApplication::style();
                      pStyle->drawControl(QStyle::CE_ItemViewItem, &at, pOn, pWidget);
                  });
}

void CComboBoxDelegate::PaintChoiceCell(QPainter* pPainter, const QStyleOptionViewItem& option,
                                        const QString& strText) const
{
    // Draw the cell as a closed drop-down, so the user sees it can be changed.
    QStyledItemDelegate::paint(pPainter, option, QModelIndex());
    const QWidget* pWidget = option.widget;
    QStyle* pStyle = pWidget ? pWidget->style() : QApplication::style();
    QStyleOptionComboBox box;
    if (pWidget)
        box.initFrom(pWidget);
    box.rect = option.rect.adjusted(1, 1, -1, -1);
    box.state = option.state | QStyle::State_Enabled;
    box.currentText = strText;
    box.editable = false;
    pStyle->drawComplexControl(QStyle::CC_ComboBox, &box, pPainter, pWidget);
    pStyle->drawControl(QStyle::CE_ComboBoxLabel, &box, pPainter, pWidget);
}

QString CComboBoxDelegate::displayText(const QVariant& value, const QLocale& locale) const
{
    if (value.userType() == QMetaType::QString)
    {
        const QString strText = value.toString();
        if (strText.size() > kShownChars)
            return QStyledItemDelegate::displayText(TextStart(strText, kShownChars), locale);
    }
    return QStyledItemDelegate::displayText(value, locale);
}

void CComboBoxDelegate::SetCellCache(bool bEnabled)
{
    m_cells.SetEnabled(bEnabled);
}
} // namespace physprops::ui
