// SPDX-License-Identifier: MIT
// The footprint list filtered by a typed pattern and sorted, against plain
// answers: the rows shown are the entries (in list order) whose upper-cased
// name matches, and a sort orders them by upper-cased name, ties in list
// order. Input: the typed filter, a newline, then one name per line; an
// empty line is an entry the search could not fill (null).
#include "FuzzSupport.h"
#include "footprints/FootprintListModel.h"
#include "pellium/Footprint.h"
#include "pellium/OLRegExp.h"

#include <QCoreApplication>
#include <QList>

#include <algorithm>
#include <string_view>
#include <vector>

using physprops::ui::CFootprintListModel;

// The model lives in an application, as in the module; made once, not per input.
// Its own arguments: Qt would take options meant for libFuzzer out of the real ones.
extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    static int s_nArgc = 1;
    static char s_szName[] = "fuzz_filter";
    static char* s_argv[] = {s_szName, nullptr};
    static QCoreApplication s_app(s_nArgc, s_argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize)
{
    // Lines are views into the input: a copy of each would cost an
    // allocation per name, more than the code under test spends on one.
    const std::string_view input(reinterpret_cast<const char*>(pData), nSize);
    std::vector<std::string_view> lines;
    lines.reserve(std::size_t(std::count(input.begin(), input.end(), '\n')) + 1);
    for (std::size_t nStart = 0;;)
    {
        const std::size_t nEnd = std::min(input.find('\n', nStart), input.size());
        lines.push_back(input.substr(nStart, nEnd - nStart));
        if (nEnd == input.size())
            break;
        nStart = nEnd + 1;
    }
    const QString strFilter = QString::fromUtf8(lines.front()).trimmed();
    const std::size_t nEntries = lines.size() - 1;
    if (nEntries > 2000)
        return 0;

    std::vector<CFootprintEntry> owned;
    owned.reserve(nEntries); // never moves: the list points into it
    QList<CFootprintEntry*> list;
    list.reserve(qsizetype(nEntries));
    for (std::size_t i = 1; i < lines.size(); ++i)
    {
        if (lines[i].empty())
        {
            list.append(nullptr);
            continue;
        }
        owned.emplace_back(QString::fromUtf8(lines[i]), QString(), QStringLiteral("/lib"));
        list.append(&owned.back());
    }

    // The pattern is made as the selection dialog makes it.
    const QByteArray pattern = (strFilter + u'*').toUpper().toUtf8();
    const OLRegExp matcher(pattern.constData());
    const std::string_view patternText(pattern.constData()); // up to a typed zero character
    // Typed text without wildcards gives a text and the closing star: such a
    // pattern takes the names that start with the text, which needs no table.
    const std::string_view prefix =
        patternText.substr(0, patternText.empty() ? 0 : patternText.size() - 1);
    const bool bPrefixOnly =
        patternText.ends_with('*') && prefix.find_first_of("*?") == std::string_view::npos;

    const bool bWithSides = nSize % 2 == 0;
    CFootprintListModel model(bWithSides);
    model.SetEntries(&list);
    FUZZ_CHECK(model.rowCount() == list.size());
    model.ApplyFilter(matcher);

    // The names upper-cased and in UTF-8, all in one go: a line feed between
    // them (no name holds one, and none comes of upper-casing) keeps them
    // apart. Case mapping looks at one character at a time, so this equals
    // upper-casing each name, without two allocations per name.
    QString strJoined;
    strJoined.reserve(qsizetype(nSize + nEntries)); // a name has no more characters than bytes
    for (const CFootprintEntry& entry : owned)
        strJoined.append(entry.GetName()).append(u'\n');
    const QByteArray upperText = strJoined.toUpper().toUtf8();
    std::vector<std::string_view> upperNames(nEntries);
    std::size_t nAt = 0;
    for (std::size_t i = 0; i < nEntries; ++i)
    {
        if (!list[qsizetype(i)])
            continue;
        const qsizetype nEnd = upperText.indexOf('\n', qsizetype(nAt));
        FUZZ_CHECK(nEnd >= 0);
        upperNames[i] = std::string_view(upperText.constData() + nAt, std::size_t(nEnd) - nAt);
        nAt = std::size_t(nEnd) + 1;
    }
    FUZZ_CHECK(nAt == std::size_t(upperText.size()));
    const auto upper = [&](int i) { return upperNames[std::size_t(i)]; };

    std::vector<int> expected;
    for (std::size_t i = 0; i < nEntries; ++i)
    {
        if (!list[qsizetype(i)])
            continue;
        const std::string_view name = upper(int(i));
        if (bPrefixOnly ? name.starts_with(prefix)
            : name.size() * patternText.size() > 1u << 20
                ? matcher.match(name.data(), name.size()) == 1
                : fuzz::WildcardMatches(patternText, name))
            expected.push_back(int(i));
    }
    FUZZ_CHECK(model.rowCount() == int(expected.size()));
    for (int r = 0; r < model.rowCount(); ++r)
        FUZZ_CHECK(model.EntryAt(r) == list[expected[std::size_t(r)]]);

    // Sorting by name: by upper-cased bytes, ties in list order; descending is the reverse.
    std::stable_sort(expected.begin(), expected.end(),
                     [&](int a, int b) { return upper(a) < upper(b); });
    for (const Qt::SortOrder order : {Qt::AscendingOrder, Qt::DescendingOrder})
    {
        model.sort(CFootprintListModel::ColName, order);
        for (int r = 0; r < model.rowCount(); ++r)
        {
            const int nRow = order == Qt::AscendingOrder ? r : model.rowCount() - 1 - r;
            FUZZ_CHECK(model.EntryAt(nRow) == list[expected[std::size_t(r)]]);
        }
    }

    // Change a few sides, then sort by side: each side's rows stay in name order.
    if (bWithSides && model.rowCount() > 0)
    {
        const QStringList sides = {QStringLiteral("Top"), QStringLiteral("bottom"),
                                   QStringLiteral("Both")};
        for (int r = 0; r < model.rowCount(); r += 2)
            FUZZ_CHECK(model.setData(model.index(r, CFootprintListModel::ColType), sides[r % 3]));
        model.sort(CFootprintListModel::ColType);
        for (int r = 1; r < model.rowCount(); ++r)
        {
            const QString a =
                model.data(model.index(r - 1, CFootprintListModel::ColType)).toString();
            const QString b = model.data(model.index(r, CFootprintListModel::ColType)).toString();
            FUZZ_CHECK(a <= b);
        }
        model.sort(CFootprintListModel::ColLocation);
        FUZZ_CHECK(model.rowCount() == int(expected.size()));
    }
    return 0;
}
