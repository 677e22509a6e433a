// SPDX-License-Identifier: MIT
#include "grid/CellModel.h"

#include <algorithm>
#include <climits>

namespace physprops::ui
{
QString TextStart(const QString& strText, qsizetype nChars)
{
    if (strText.size() <= nChars)
        return strText;
    if (nChars > 0 && strText.at(nChars - 1).isHighSurrogate())
        --nChars;
    return strText.left(nChars) + QChar(0x2026);
}

QString TextLengthNote(qsizetype nChars)
{
    return CCellModel::tr("%Ln characters in all", nullptr,
                          int(std::min<qsizetype>(nChars, INT_MAX)));
}

CCellModel::CCellModel(QObject* pParent) : QAbstractTableModel(pParent) {}

int CCellModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int CCellModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_nCols;
}

QVariant CCellModel::data(const QModelIndex& index, int nRole) const
{
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= m_nCols)
        return {};
    const Cell& cell = m_rows[std::size_t(index.row())][std::size_t(index.column())];
    switch (nRole)
    {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return cell.strText;
    case Qt::ToolTipRole:
        // A long text's tooltip says how long it is; showing it whole would
        // lay it out whole, and it fits no screen anyway.
        if (cell.strText.size() > kShownChars)
            return QVariant(TextStart(cell.strText, kTipChars) + u'\n' +
                            TextLengthNote(cell.strText.size()));
        return cell.style.bTextTip && !cell.strText.isEmpty() ? QVariant(cell.strText) : QVariant();
    default:
        return {};
    }
}

bool CCellModel::setData(const QModelIndex& index, const QVariant& value, int nRole)
{
    if (!index.isValid() || nRole != Qt::EditRole)
        return false;
    Cell& cell = m_rows[std::size_t(index.row())][std::size_t(index.column())];
    cell.strText = value.toString();
    Q_EMIT dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
    return true;
}

QVariant CCellModel::headerData(int nSection, Qt::Orientation o, int nRole) const
{
    if (nRole != Qt::DisplayRole)
        return {};
    if (o == Qt::Vertical)
        return nSection + 1;
    return nSection < m_headers.size() ? m_headers[nSection] : QString();
}

Qt::ItemFlags CCellModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (!m_rows[std::size_t(index.row())][std::size_t(index.column())].style.bReadOnly)
        f |= Qt::ItemIsEditable;
    return f;
}

void CCellModel::sort(int nColumn, Qt::SortOrder order)
{
    if (nColumn < 0 || nColumn >= m_nCols)
        return;
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    std::vector<int> perm(m_rows.size());
    for (std::size_t i = 0; i < perm.size(); ++i)
        perm[i] = int(i);
    const auto key = [&](int r) -> const QString&
    { return m_rows[std::size_t(r)][std::size_t(nColumn)].strText; };
    std::stable_sort(perm.begin(), perm.end(),
                     [&](int a, int b)
                     {
                         const int c = key(a).compare(key(b), Qt::CaseInsensitive);
                         return order == Qt::AscendingOrder ? c < 0 : c > 0;
                     });
    std::vector<std::vector<Cell>> sorted;
    sorted.reserve(m_rows.size());
    std::vector<int> newPos(perm.size());
    for (std::size_t i = 0; i < perm.size(); ++i)
    {
        sorted.push_back(std::move(m_rows[std::size_t(perm[i])]));
        newPos[std::size_t(perm[i])] = int(i);
    }
    m_rows = std::move(sorted);
    QModelIndexList after;
    for (const QModelIndex& idx : before)
        after.append(index(newPos[std::size_t(idx.row())], idx.column()));
    changePersistentIndexList(before, after);
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void CCellModel::SetRowCount(int nRows)
{
    nRows = std::max(0, nRows);
    beginResetModel();
    m_rows.assign(std::size_t(nRows), std::vector<Cell>(std::size_t(m_nCols)));
    endResetModel();
}

void CCellModel::SetColCount(int nCols)
{
    nCols = std::max(0, nCols);
    beginResetModel();
    m_nCols = nCols;
    for (auto& row : m_rows)
        row.resize(std::size_t(nCols));
    while (m_headers.size() < nCols)
        m_headers.append(QString());
    endResetModel();
}

void CCellModel::InsertRows(int nRow, int nCount)
{
    nRow = std::clamp(nRow, 0, rowCount());
    if (nCount <= 0)
        return;
    beginInsertRows({}, nRow, nRow + nCount - 1);
    m_rows.insert(m_rows.begin() + nRow, std::size_t(nCount),
                  std::vector<Cell>(std::size_t(m_nCols)));
    endInsertRows();
}

void CCellModel::SetHeader(int nCol, const QString& strText)
{
    if (nCol < 0 || nCol >= m_nCols)
        return;
    m_headers[nCol] = strText;
    Q_EMIT headerDataChanged(Qt::Horizontal, nCol, nCol);
}

void CCellModel::SetValue(int nRow, int nCol, const QString& strText)
{
    if (nRow < 0 || nRow >= rowCount() || nCol < 0 || nCol >= m_nCols)
        return;
    m_rows[std::size_t(nRow)][std::size_t(nCol)].strText = strText;
    const QModelIndex idx = index(nRow, nCol);
    Q_EMIT dataChanged(idx, idx, {Qt::DisplayRole, Qt::EditRole});
}

QString CCellModel::GetValue(int nRow, int nCol) const
{
    if (nRow < 0 || nRow >= rowCount() || nCol < 0 || nCol >= m_nCols)
        return {};
    return m_rows[std::size_t(nRow)][std::size_t(nCol)].strText;
}

void CCellModel::SetStyle(int nRow, int nCol, const CGridStyle& style)
{
    if (nRow < 0 || nRow >= rowCount() || nCol < 0 || nCol >= m_nCols)
        return;
    m_rows[std::size_t(nRow)][std::size_t(nCol)].style = style;
    const QModelIndex idx = index(nRow, nCol);
    Q_EMIT dataChanged(idx, idx);
}

CGridStyle CCellModel::GetStyle(int nRow, int nCol) const
{
    if (nRow < 0 || nRow >= rowCount() || nCol < 0 || nCol >= m_nCols)
        return {};
    return m_rows[std::size_t(nRow)][std::size_t(nCol)].style;
}
} // namespace physprops::ui
