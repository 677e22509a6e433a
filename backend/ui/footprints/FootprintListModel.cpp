// SPDX-License-Identifier: MIT
#include "footprints/FootprintListModel.h"
#include "grid/ItemRoles.h"

#include "pellium/Footprint.h"
#include "properties/SideList.h"

#include <vector>

using physprops::core::CFootprintIndex;
using physprops::core::EBoardSide;
using physprops::core::SideName;
using physprops::core::SideNames;

namespace physprops::ui
{
namespace
{
// The search folder an entry was found in; for an entry that does not
// name it, the folder of its drawing.
QVariant FoundIn(const CFootprintEntry* pEntry)
{
    if (!pEntry)
        return {};
    const QString strFolder = pEntry->GetSecond();
    if (!strFolder.isEmpty())
        return strFolder;
    const QString strLocation = pEntry->GetLocation();
    const qsizetype nSlash = strLocation.lastIndexOf(u'/');
    if (strLocation == QLatin1String(kNotFoundLocation) || nSlash < 0)
        return {};
    return nSlash == 0 ? QStringLiteral("/") : strLocation.left(nSlash);
}
} // namespace

QVariant CFootprintListModel::ToolTip(const CFootprintEntry* pEntry)
{
    if (!pEntry)
        return {};
    // The whole name first: the cell may show it cut in the middle.
    QStringList lines{pEntry->GetName()};
    const QStringList shared = pEntry->GetSharedFiles();
    if (!shared.isEmpty())
        lines << tr("Files that answer this name, letter case apart: %1").arg(shared.size())
              << shared;
    else if (const QVariant folder = FoundIn(pEntry); !folder.isNull())
        lines << folder.toString();
    lines.removeAll(QString());
    return lines.isEmpty() ? QVariant() : QVariant(lines.join(u'\n'));
}

CFootprintListModel::CFootprintListModel(bool bWithSides, QObject* pParent)
    : QAbstractTableModel(pParent), m_bWithSides(bWithSides)
{
}

// A reset drops selections, editors and persistent indexes, as new rows
// must. A view's row header then trims its sections to the new count, or
// extends them: trimming a million to a few walks all of them, while
// inserting a few rows into none only fills those. Extending is cheaper
// through the reset: Qt's insertion writes each new section slower.
template <class Change> void CFootprintListModel::ReplaceRows(const Change& change)
{
    const int nBefore = m_nRows;
    beginResetModel();
    // A change that runs out of memory ends the reset with no rows to show.
    m_nRows = 0;
    try
    {
        change();
    }
    catch (...)
    {
        endResetModel();
        throw;
    }
    const int nRows = int(m_index.RowCount());
    if (nRows > nBefore)
    {
        m_nRows = nRows;
        endResetModel();
        return;
    }
    endResetModel();
    if (nRows == 0)
        return;
    beginInsertRows({}, 0, nRows - 1);
    m_nRows = nRows;
    endInsertRows();
}

void CFootprintListModel::SetEntries(const QList<CFootprintEntry*>* pList)
{
    ReplaceRows([&] { m_index.SetEntries(pList); });
}

void CFootprintListModel::ApplyFilter(const OLRegExp& matcher)
{
    ReplaceRows([&] { m_index.Filter(matcher); });
}

void CFootprintListModel::ApplyFilter(const QByteArray& pattern)
{
    ReplaceRows([&] { m_index.Filter(pattern); });
}

const CFootprintEntry* CFootprintListModel::EntryAt(int nRow) const
{
    return nRow < 0 || nRow >= m_nRows ? nullptr : m_index.EntryAt(std::size_t(nRow));
}

QString CFootprintListModel::SideText(Side side)
{
    switch (side)
    {
    case CFootprintIndex::SideTop:
        return SideName(EBoardSide::Top);
    case CFootprintIndex::SideBottom:
        return SideName(EBoardSide::Bottom);
    case CFootprintIndex::SideBoth:
        return SideName(EBoardSide::Both);
    case CFootprintIndex::SideNone:
        break;
    }
    return {};
}

int CFootprintListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_nRows;
}

int CFootprintListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : (m_bWithSides ? 3 : 2);
}

QVariant CFootprintListModel::data(const QModelIndex& index, int nRole) const
{
    if (!index.isValid() || index.row() >= m_nRows)
        return {};
    const Side side = m_index.SideAt(std::size_t(index.row()));
    if (nRole != Qt::DisplayRole && nRole != Qt::EditRole)
    {
        if (nRole == kChoicesRole)
            return index.column() == ColType && side != CFootprintIndex::SideNone
                       ? QVariant(SideNames())
                       : QVariant();
        // Two rows of one name differ only in where they were found; files
        // that answer one name in one folder are named, as View offers each.
        if (nRole == Qt::ToolTipRole && index.column() == ColName)
            return ToolTip(EntryAt(index.row()));
        // What a screen reader reads is the name, whole, whatever is drawn.
        if (nRole == Qt::AccessibleTextRole && index.column() == ColName)
        {
            const CFootprintEntry* pEntry = EntryAt(index.row());
            return pEntry ? QVariant(pEntry->GetName()) : QVariant();
        }
        return {};
    }
    if (index.column() == ColType)
        return SideText(side);
    const CFootprintEntry* pEntry = EntryAt(index.row());
    if (!pEntry)
        return QString();
    return index.column() == ColName ? pEntry->GetName() : pEntry->GetLocation();
}

bool CFootprintListModel::setData(const QModelIndex& index, const QVariant& value, int nRole)
{
    if (!index.isValid() || index.column() != ColType || nRole != Qt::EditRole ||
        index.row() >= m_nRows)
        return false;
    const std::size_t nRow = std::size_t(index.row());
    if (m_index.SideAt(nRow) == CFootprintIndex::SideNone)
        return false;
    const QString strText = value.toString();
    for (const Side side :
         {CFootprintIndex::SideTop, CFootprintIndex::SideBottom, CFootprintIndex::SideBoth})
    {
        if (strText.compare(SideText(side), Qt::CaseInsensitive) == 0)
        {
            if (m_index.SideAt(nRow) != side)
            {
                m_index.SetSideAt(nRow, side);
                Q_EMIT dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
            }
            return true;
        }
    }
    return false;
}

Qt::ItemFlags CFootprintListModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    if (index.column() == ColType && index.row() < m_nRows &&
        m_index.SideAt(std::size_t(index.row())) != CFootprintIndex::SideNone)
        f |= Qt::ItemIsEditable;
    return f;
}

QVariant CFootprintListModel::headerData(int nSection, Qt::Orientation orientation, int nRole) const
{
    if (orientation == Qt::Horizontal && nRole == Qt::DisplayRole)
    {
        switch (nSection)
        {
        case ColName:
            return tr("Footprint");
        case ColLocation:
            return tr("Location");
        case ColType:
            return m_bWithSides ? QVariant(tr("Type")) : QVariant();
        default:
            return {};
        }
    }
    return QAbstractTableModel::headerData(nSection, orientation, nRole);
}

void CFootprintListModel::sort(int nColumn, Qt::SortOrder order)
{
    if (nColumn < 0 || nColumn >= columnCount())
        return;
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    // Selected rows and open editors follow their footprint to its new row.
    const QModelIndexList before = persistentIndexList();
    std::vector<quint32> entries;
    entries.reserve(std::size_t(before.size()));
    for (const QModelIndex& idx : before)
        entries.push_back(m_index.Rows()[std::size_t(idx.row())]);

    const bool bDescending = order == Qt::DescendingOrder;
    if (nColumn == ColLocation)
    {
        // Locations are not prepared: the column is hidden, so only a caller
        // that asks for it pays for this.
        const QList<CFootprintEntry*>* pList = m_index.Entries();
        m_index.SortByText(
            [pList](quint32 nEntry)
            {
                const CFootprintEntry* pEntry =
                    pList && nEntry < quint32(pList->size()) ? pList->at(nEntry) : nullptr;
                return pEntry ? pEntry->GetLocation() : QString();
            },
            bDescending);
    }
    else if (nColumn == ColType)
    {
        m_index.SortBySide(bDescending);
    }
    else
    {
        m_index.SortByName(bDescending);
    }

    if (!before.isEmpty())
    {
        const CFootprintIndex::RowVector& rows = m_index.Rows();
        std::vector<quint32> rowOf(m_index.EntryCount(), 0);
        for (std::size_t r = 0; r < rows.size(); ++r)
            rowOf[rows[r]] = quint32(r);
        QModelIndexList after;
        after.reserve(before.size());
        for (qsizetype k = 0; k < before.size(); ++k)
            after.append(index(int(rowOf[entries[std::size_t(k)]]), before[k].column()));
        changePersistentIndexList(before, after);
    }
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}
} // namespace physprops::ui
