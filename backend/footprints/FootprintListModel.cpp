#include "FootprintListModel.h"
#include "ComboBoxDelegate.h"

#include "Footprint.h"
#include "OLRegExp.h"

#include <algorithm>
#include <memory>

namespace
{
// Appends the upper-cased UTF-8 form of a name and a zero byte at nUsed,
// growing the buffer when needed; returns the new used size. Plain ASCII
// names, the usual case, are converted in one pass without temporary strings.
std::size_t AppendUpperUtf8(const QString& strName, std::unique_ptr<char[]>& pBuffer,
                            std::size_t& nCapacity, std::size_t nUsed)
{
    const auto Reserve = [&](std::size_t nNeeded) {
        if (nNeeded <= nCapacity)
            return;
        const std::size_t nNew = std::max(nNeeded, nCapacity + nCapacity / 2);
        std::unique_ptr<char[]> pNew(new char[nNew]);
        std::copy_n(pBuffer.get(), nUsed, pNew.get());
        pBuffer = std::move(pNew);
        nCapacity = nNew;
    };
    const char16_t* pIn = reinterpret_cast<const char16_t*>(strName.utf16());
    const std::size_t n = std::size_t(strName.size());
    Reserve(nUsed + n + 1);
    char* pOut = pBuffer.get() + nUsed;
    char16_t nSeen = 0;
    for (std::size_t i = 0; i < n; ++i)
    {
        const char16_t c = pIn[i];
        nSeen |= c;
        pOut[i] = char(unsigned(c - u'a') < 26u ? c - (u'a' - u'A') : c);
    }
    if (nSeen >= 0x80)
    {
        const QByteArray upper = strName.toUpper().toUtf8();
        Reserve(nUsed + std::size_t(upper.size()) + 1);
        std::copy(upper.cbegin(), upper.cend(), pBuffer.get() + nUsed);
        nUsed += std::size_t(upper.size());
    }
    else
    {
        nUsed += n;
    }
    pBuffer[nUsed] = '\0';
    return nUsed + 1;
}

struct SortKey
{
    quint64 nKey;
    quint32 nEntry;
};

struct KeyLess
{
    bool operator()(const SortKey& a, const SortKey& b) const
    {
        return a.nKey != b.nKey ? a.nKey < b.nKey : a.nEntry < b.nEntry;
    }
};

// Eight bytes of a name from nDepth on, big-endian and padded with zeros, so
// comparing chunks orders like comparing the bytes.
quint64 NameChunk(std::string_view name, std::size_t nDepth)
{
    quint64 nKey = 0;
    for (std::size_t i = nDepth; i < nDepth + 8; ++i)
        nKey = (nKey << 8) | (i < name.size() ? quint64(static_cast<unsigned char>(name[i])) : 0);
    return nKey;
}

// Calls fn(first, last) for every run of two or more keys with equal nKey.
template <class Fn> void ForEachRun(SortKey* pFirst, SortKey* pLast, const Fn& fn)
{
    while (pFirst != pLast)
    {
        SortKey* pEnd = pFirst + 1;
        while (pEnd != pLast && pEnd->nKey == pFirst->nKey)
            ++pEnd;
        if (pEnd - pFirst > 1)
            fn(pFirst, pEnd);
        pFirst = pEnd;
    }
}

// Orders keys by name, eight bytes at a time: every pass sorts plain
// integers, and only keys that agree so far read further into their names.
// The keys hold the chunks at nDepth on entry. Equal names keep list order.
template <class NameOf>
void SortByName(SortKey* pFirst, SortKey* pLast, std::size_t nDepth, const NameOf& nameOf)
{
    std::sort(pFirst, pLast, KeyLess{});
    ForEachRun(pFirst, pLast, [&](SortKey* pRun, SortKey* pRunEnd) {
        // A name that ends in this chunk is a prefix of the longer ones: first.
        SortKey* pLonger = std::partition(pRun, pRunEnd, [&](const SortKey& k) {
            return nameOf(k.nEntry).size() <= nDepth + 8;
        });
        std::sort(pRun, pLonger, [&](const SortKey& a, const SortKey& b) {
            const std::size_t nA = nameOf(a.nEntry).size(), nB = nameOf(b.nEntry).size();
            return nA != nB ? nA < nB : a.nEntry < b.nEntry;
        });
        if (pRunEnd - pLonger < 2)
            return;
        for (SortKey* p = pLonger; p != pRunEnd; ++p)
            p->nKey = NameChunk(nameOf(p->nEntry), nDepth + 8);
        SortByName(pLonger, pRunEnd, nDepth + 8, nameOf);
    });
}

const QStringList& SideChoices()
{
    static const QStringList s_choices = {QStringLiteral("Top"), QStringLiteral("Bottom"),
                                          QStringLiteral("Both")};
    return s_choices;
}
} // namespace

CFootprintListModel::CFootprintListModel(bool bWithSides, QObject* pParent)
    : QAbstractTableModel(pParent), m_bWithSides(bWithSides)
{
}

void CFootprintListModel::SetEntries(const QList<CFootprintEntry*>* pList)
{
    beginResetModel();
    m_pList = pList;
    PrepareNames();
    const std::size_t n = m_sides.size();
    m_rows.clear();
    // The filter refills this vector on every keystroke; it never grows past n.
    m_rows.reserve(n);
    for (std::size_t i = 0; i < n; ++i)
        m_rows.push_back(quint32(i));
    m_shownPattern = QByteArrayLiteral("*");
    endResetModel();
}

void CFootprintListModel::PrepareNames()
{
    const qsizetype n = m_pList ? m_pList->size() : 0;
    m_offsets.clear();
    m_sides.clear();
    m_offsets.reserve(std::size_t(n) + 1);
    m_sides.reserve(std::size_t(n));
    // One allocation for the names in the usual case: the first names tell
    // the typical length. The buffer is left uninitialised, so each page is
    // touched once, by the names written into it.
    std::size_t nSampled = 0;
    const qsizetype nSample = std::min<qsizetype>(n, 1024);
    for (qsizetype i = 0; i < nSample; ++i)
        if (const CFootprintEntry* pEntry = m_pList->at(i))
            nSampled += std::size_t(pEntry->GetName().size());
    const std::size_t nAverage = nSample ? nSampled / std::size_t(nSample) + 1 : 0;
    std::size_t nCapacity = std::size_t(n) * (nAverage + nAverage / 4 + 1) + 1;
    m_pNames.reset(new char[nCapacity]);
    std::size_t nUsed = 0;
    for (qsizetype i = 0; i < n; ++i)
    {
        m_offsets.push_back(nUsed);
        const CFootprintEntry* pEntry = m_pList->at(i);
        nUsed = AppendUpperUtf8(pEntry ? pEntry->GetName() : QString(), m_pNames, nCapacity, nUsed);
        m_sides.push_back(pEntry ? SideBoth : SideNone);
    }
    m_offsets.push_back(nUsed);
}

void CFootprintListModel::ApplyFilter(const OLRegExp& matcher)
{
    beginResetModel();
    SelectRows(matcher, false);
    m_shownPattern.clear();
    endResetModel();
}

void CFootprintListModel::ApplyFilter(const QByteArray& pattern)
{
    const OLRegExp matcher(pattern.constData());
    // "AB*" holds every match of "ABC*": a name that matches the longer
    // pattern matches the shorter one with its last star standing for the
    // rest.
    const bool bNarrow = m_shownPattern.endsWith('*') && pattern.startsWith(m_shownPattern.chopped(1));
    beginResetModel();
    if (!pattern.isEmpty() && pattern.count('*') == pattern.size())
    {
        m_rows.clear();
        for (std::size_t i = 0; i < m_sides.size(); ++i)
            if (m_sides[i] != SideNone)
                m_rows.push_back(quint32(i));
        for (const quint32 nEntry : m_rows)
            m_sides[nEntry] = SideBoth;
    }
    else
    {
        SelectRows(matcher, bNarrow);
    }
    m_shownPattern = pattern;
    endResetModel();
}

void CFootprintListModel::SelectRows(const OLRegExp& matcher, bool bNarrow)
{
    const auto accepts = [&](quint32 nEntry) {
        if (m_sides[nEntry] == SideNone)
            return false;
        const std::string_view name = UpperName(nEntry);
        return matcher.match(name.data(), name.size()) > 0;
    };
    if (bNarrow)
    {
        // In place: the kept rows keep their order.
        std::size_t nKept = 0;
        for (const quint32 nEntry : m_rows)
            if (accepts(nEntry))
                m_rows[nKept++] = nEntry;
        m_rows.resize(nKept);
    }
    else
    {
        m_rows.clear();
        const std::size_t n = m_sides.size();
        for (std::size_t i = 0; i < n; ++i)
            if (accepts(quint32(i)))
                m_rows.push_back(quint32(i));
    }
    for (const quint32 nEntry : m_rows)
        m_sides[nEntry] = SideBoth;
}

const CFootprintEntry* CFootprintListModel::EntryAt(int nRow) const
{
    if (!m_pList || nRow < 0 || std::size_t(nRow) >= m_rows.size())
        return nullptr;
    const quint32 nEntry = m_rows[std::size_t(nRow)];
    return nEntry < quint32(m_pList->size()) ? m_pList->at(nEntry) : nullptr;
}

QString CFootprintListModel::SideText(Side side)
{
    switch (side)
    {
    case SideTop:
        return SideChoices().at(0);
    case SideBottom:
        return SideChoices().at(1);
    case SideBoth:
        return SideChoices().at(2);
    case SideNone:
        break;
    }
    return {};
}

int CFootprintListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int CFootprintListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : (m_bWithSides ? 3 : 2);
}

QVariant CFootprintListModel::data(const QModelIndex& index, int nRole) const
{
    if (!index.isValid() || std::size_t(index.row()) >= m_rows.size())
        return {};
    const Side side = Side(m_sides[m_rows[std::size_t(index.row())]]);
    if (nRole == CComboBoxDelegate::kChoicesRole)
        return index.column() == ColType && side != SideNone ? QVariant(SideChoices()) : QVariant();
    if (nRole != Qt::DisplayRole && nRole != Qt::EditRole)
        return {};
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
        std::size_t(index.row()) >= m_rows.size())
        return false;
    quint8& nSide = m_sides[m_rows[std::size_t(index.row())]];
    if (nSide == SideNone)
        return false;
    const QString strText = value.toString();
    for (const Side side : {SideTop, SideBottom, SideBoth})
    {
        if (strText.compare(SideText(side), Qt::CaseInsensitive) == 0)
        {
            if (nSide != side)
            {
                nSide = side;
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
    if (index.column() == ColType && std::size_t(index.row()) < m_rows.size() &&
        m_sides[m_rows[std::size_t(index.row())]] != SideNone)
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
            return QStringLiteral("Footprint");
        case ColLocation:
            return QStringLiteral("Location");
        case ColType:
            return m_bWithSides ? QVariant(QStringLiteral("Type")) : QVariant();
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
        entries.push_back(m_rows[std::size_t(idx.row())]);

    SortIndexes(nColumn);
    m_shownPattern.clear();
    if (order == Qt::DescendingOrder)
        std::reverse(m_rows.begin(), m_rows.end());

    if (!before.isEmpty())
    {
        std::vector<quint32> rowOf(m_sides.size(), 0);
        for (std::size_t r = 0; r < m_rows.size(); ++r)
            rowOf[m_rows[r]] = quint32(r);
        QModelIndexList after;
        after.reserve(before.size());
        for (qsizetype k = 0; k < before.size(); ++k)
            after.append(index(int(rowOf[entries[std::size_t(k)]]), before[k].column()));
        changePersistentIndexList(before, after);
    }
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void CFootprintListModel::SortIndexes(int nColumn)
{
    std::vector<SortKey> keys;
    keys.reserve(m_rows.size());
    const auto nameOf = [this](quint32 nEntry) { return UpperName(nEntry); };

    if (nColumn == ColLocation)
    {
        // Locations are not prepared: the column is hidden, so only a caller
        // that asks for it pays for this.
        std::vector<QString> locations(m_sides.size());
        for (const quint32 nEntry : m_rows)
        {
            const CFootprintEntry* pEntry = nEntry < quint32(m_pList->size()) ? m_pList->at(nEntry) : nullptr;
            if (pEntry)
                locations[nEntry] = pEntry->GetLocation();
            keys.push_back({0, nEntry});
        }
        std::sort(keys.begin(), keys.end(), [&](const SortKey& a, const SortKey& b) {
            const int c = locations[a.nEntry].compare(locations[b.nEntry], Qt::CaseInsensitive);
            return c != 0 ? c < 0 : a.nEntry < b.nEntry;
        });
    }
    else if (nColumn == ColType)
    {
        // Sides sort by their text: none, Both, Bottom, Top; the enum keeps
        // that order. Names order the rows of one side.
        for (const quint32 nEntry : m_rows)
            keys.push_back({m_sides[nEntry], nEntry});
        std::sort(keys.begin(), keys.end(), KeyLess{});
        ForEachRun(keys.data(), keys.data() + keys.size(), [&](SortKey* pFirst, SortKey* pLast) {
            for (SortKey* p = pFirst; p != pLast; ++p)
                p->nKey = NameChunk(nameOf(p->nEntry), 0);
            SortByName(pFirst, pLast, 0, nameOf);
        });
    }
    else
    {
        for (const quint32 nEntry : m_rows)
            keys.push_back({NameChunk(nameOf(nEntry), 0), nEntry});
        SortByName(keys.data(), keys.data() + keys.size(), 0, nameOf);
    }
    for (std::size_t r = 0; r < keys.size(); ++r)
        m_rows[r] = keys[r].nEntry;
}
