#pragma once

#include <QAbstractTableModel>
#include <QByteArray>
#include <QList>

#include <cstddef>
#include <memory>
#include <string_view>
#include <vector>

class CFootprintEntry;
class OLRegExp;

// The rows of a footprint selection grid: an index vector into the caller's
// footprint list, so filtering and sorting touch indexes, never widgets or
// copies of the entries. Names are upper-cased once, when the list is set,
// into one buffer that the matcher reads in place.
class CFootprintListModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column
    {
        ColName = 0,
        ColLocation = 1,
        ColType = 2,
    };
    // Board side of a row; kept per entry, one byte each.
    enum Side : quint8
    {
        SideNone = 0, // a row without an entry has no side
        SideBoth,
        SideBottom,
        SideTop,
    };

    // bWithSides adds the "Type" column with its Top/Bottom/Both choices.
    explicit CFootprintListModel(bool bWithSides, QObject* pParent = nullptr);

    // Reads the list (borrowed; it must outlive the model) and shows every
    // entry in list order, a null entry as a blank row.
    void SetEntries(const QList<CFootprintEntry*>* pList);
    bool HasEntries() const { return m_pList != nullptr; }

    // Shows, in list order, the entries whose upper-cased name the matcher
    // accepts; null entries never match. Every shown row's side is Both.
    void ApplyFilter(const OLRegExp& matcher);
    // The same for an upper-cased wildcard pattern. A pattern that only adds
    // to the end of the one shown now (the user typed on) can match only
    // names shown now, so just those are tried; a pattern of stars shows
    // every entry without trying any.
    void ApplyFilter(const QByteArray& pattern);

    // The entry shown in a row (0-based), or null.
    const CFootprintEntry* EntryAt(int nRow) const;
    static QString SideText(Side side);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int nRole = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int nRole = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int nSection, Qt::Orientation orientation,
                        int nRole = Qt::DisplayRole) const override;
    // Name and type sort case-blind by their upper-cased text; ties keep list order.
    void sort(int nColumn, Qt::SortOrder order = Qt::AscendingOrder) override;

private:
    void PrepareNames();
    std::string_view UpperName(quint32 nEntry) const
    {
        return {m_pNames.get() + m_offsets[nEntry], m_offsets[nEntry + 1] - m_offsets[nEntry] - 1};
    }
    void SortIndexes(int nColumn);
    // m_rows becomes the entries, out of those listed in m_rows when
    // bNarrow and out of all otherwise, that the pattern accepts. The
    // filter's usual shapes ("AB*", "*AB*", "*AB", "AB") are read straight
    // from the prepared names; every other pattern goes to the matcher.
    void SelectRows(const QByteArray& pattern, const OLRegExp& matcher, bool bNarrow);
    void SelectContaining(std::string_view text);

    const QList<CFootprintEntry*>* m_pList = nullptr;
    bool m_bWithSides;
    // Upper-cased UTF-8 names, each followed by a zero byte; entry i spans
    // [m_offsets[i], m_offsets[i + 1] - 1).
    std::unique_ptr<char[]> m_pNames;
    std::vector<std::size_t> m_offsets;
    // The first eight bytes of each upper-cased name, big-endian, zero
    // padded: prefix tests and the first sort pass read only these.
    std::vector<quint64> m_heads;
    std::vector<quint32> m_rows;  // row -> index into the list
    std::vector<quint8> m_sides;  // list index -> Side
    // The pattern whose matches m_rows holds, in list order (possibly with
    // null entries besides); empty when the rows were put otherwise.
    QByteArray m_shownPattern;
};
