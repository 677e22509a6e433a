// SPDX-License-Identifier: MIT
#pragma once

#include "ui/UiExport.h"

#include "grid/CellCache.h"

#include <QStyledItemDelegate>

namespace physprops::ui
{
// The delegate of every grid. A cell whose model answers kChoicesRole with
// a non-empty QStringList is a non-editable drop-down offering only those
// texts; the chosen text becomes the cell's value. Every other cell is
// edited as usual, with no limit on the length of its text.
class PHYSPROPS_UI_EXPORT CComboBoxDelegate final : public QStyledItemDelegate
{
    Q_OBJECT
public:
    explicit CComboBoxDelegate(QObject* pParent = nullptr);

    QWidget* createEditor(QWidget* pParent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* pEditor, const QModelIndex& index) const override;
    void setModelData(QWidget* pEditor, QAbstractItemModel* pModel,
                      const QModelIndex& index) const override;
    void paint(QPainter* pPainter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    // A long text is drawn as its start (see kShownChars); the model keeps it whole.
    QString displayText(const QVariant& value, const QLocale& locale) const override;

    // Cells are kept as drawn (see CCellCache); off, each is drawn afresh.
    void SetCellCache(bool bEnabled);
    const CCellCache& CellCache() const { return m_cells; }

Q_SIGNALS:
    // The text of a cell's line editor changed, before it is stored.
    void editTextChanged(const QModelIndex& index, const QString& strText);

private:
    void PaintChoiceCell(QPainter* pPainter, const QStyleOptionViewItem& option,
                         const QString& strText) const;

    mutable CCellCache m_cells;
};
} // namespace physprops::ui
