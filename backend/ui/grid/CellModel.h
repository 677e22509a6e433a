// SPDX-License-Identifier: MIT
#pragma once

#include "ui/UiExport.h"

#include <QAbstractTableModel>
#include <QStringList>

#include <vector>

namespace physprops::ui
{
// A text longer than this is drawn as its start, elided: no grid cell is
// wide enough to show more, and laying out the whole of a text of millions
// of characters to draw one line of it is what makes a large value slow.
inline constexpr qsizetype kShownChars = 1024;
// What a tooltip shows of a text that long, before it says the length.
inline constexpr qsizetype kTipChars = 80;

// The start of a text, at most nChars characters without splitting a
// surrogate pair, followed by "…" when anything was left out.
PHYSPROPS_UI_EXPORT QString TextStart(const QString& strText, qsizetype nChars);

// "n characters in all", in the user's language: what a long text's tooltip
// and its editor say.
PHYSPROPS_UI_EXPORT QString TextLengthNote(qsizetype nChars);

// What a cell looks like and allows, in the grid's own terms.
struct PHYSPROPS_UI_EXPORT CGridStyle
{
    bool bReadOnly = false;
    bool bTextTip = false; // the tooltip shows the whole text, for texts a narrow column cuts
};

// A small table of text cells with per-cell styles; rows and columns count
// from 0 here, the grids add the header row and column on top.
class PHYSPROPS_UI_EXPORT CCellModel final : public QAbstractTableModel
{
    Q_OBJECT
public:
    explicit CCellModel(QObject* pParent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int nRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int nRole) override;
    QVariant headerData(int nSection, Qt::Orientation o, int nRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    void sort(int nColumn, Qt::SortOrder order) override;

    void SetRowCount(int nRows);
    void SetColCount(int nCols);
    void InsertRows(int nRow, int nCount);
    void SetHeader(int nCol, const QString& strText);
    void SetValue(int nRow, int nCol, const QString& strText);
    QString GetValue(int nRow, int nCol) const;
    void SetStyle(int nRow, int nCol, const CGridStyle& style);
    CGridStyle GetStyle(int nRow, int nCol) const;

private:
    struct Cell
    {
        QString strText;
        CGridStyle style;
    };
    int m_nCols = 0;
    std::vector<std::vector<Cell>> m_rows;
    QStringList m_headers;
};
} // namespace physprops::ui
