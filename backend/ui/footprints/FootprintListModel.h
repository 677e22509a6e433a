// SPDX-License-Identifier: MIT
#pragma once

#include "ui/UiExport.h"

#include "footprints/FootprintIndex.h"

#include <QAbstractTableModel>
#include <QByteArray>
#include <QList>

class CFootprintEntry;
class OLRegExp;

namespace physprops::ui
{
// The rows of a footprint selection grid, as the footprint index puts them:
// this adapter only tells the view what changed.
class PHYSPROPS_UI_EXPORT CFootprintListModel final : public QAbstractTableModel
{
    Q_OBJECT
public:
    // Plain: Qt names a column by an int.
    enum Column
    {
        ColName = 0,
        ColLocation = 1,
        ColType = 2,
    };
    using Side = physprops::core::CFootprintIndex::Side;

    // bWithSides adds the "Type" column with its Top/Bottom/Both choices.
    explicit CFootprintListModel(bool bWithSides, QObject* pParent = nullptr);

    // Reads the list (borrowed; it must outlive the model) and shows every
    // entry in list order, a null entry as a blank row.
    void SetEntries(const QList<CFootprintEntry*>* pList);
    bool HasEntries() const { return m_index.Entries() != nullptr; }

    // Shows the entries whose upper-cased name the matcher, or the
    // upper-cased wildcard pattern, accepts (see CFootprintIndex::Filter).
    void ApplyFilter(const OLRegExp& matcher);
    void ApplyFilter(const QByteArray& pattern);

    // The entry shown in a row (0-based), or null.
    const CFootprintEntry* EntryAt(int nRow) const;
    static QString SideText(Side side);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int nRole = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value,
                 int nRole = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int nSection, Qt::Orientation orientation,
                        int nRole = Qt::DisplayRole) const override;
    // Name and type sort case-blind by their upper-cased text; ties keep list order.
    void sort(int nColumn, Qt::SortOrder order = Qt::AscendingOrder) override;

private:
    // The tooltip of an entry's row: its whole name, then the folder it was
    // found in, or every file that answers its name there.
    static QVariant ToolTip(const CFootprintEntry* pEntry);
    // Runs change (which puts new rows in the index) as a model reset; when
    // the rows do not grow, the reset leaves none and the new rows are
    // inserted after it.
    template <class Change> void ReplaceRows(const Change& change);

    physprops::core::CFootprintIndex m_index;
    // The rows the views know of: none between the reset and the insertion.
    int m_nRows = 0;
    bool m_bWithSides;
};
} // namespace physprops::ui
