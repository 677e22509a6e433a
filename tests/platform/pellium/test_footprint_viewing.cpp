// SPDX-License-Identifier: MIT
#include "pellium/Footprint.h"

#include "FootprintSearchTest.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <random>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace std::chrono_literals;

namespace
{
// Every file that answers the name is a place of its own: the exact
// spelling first, then the others in byte order.
TEST_F(FootprintSearchTest, viewingFindsEveryFileThatAnswersTheNameIgnoringCase)
{
    Touch("a/SOIC8.dra");
    Touch("b/soic8.DRA");
    Touch("b/SOIC8.dra");
    Touch("c/SOIC8.psm");
    Touch("d/Soic8.Dra");
    Touch("d/sub/X.dra");
    const CSearchPath searchPath = Folders({"a", "b", "c", "d"});

    struct Case
    {
        const char* pszFile;
        int nHits;
        const char* pszExpected;
    };
    const Case cases[] = {
        {"SOIC8.dra", 4,
         "SOIC8|~/a/SOIC8.dra;SOIC8|~/b/SOIC8.dra;soic8|~/b/soic8.DRA;Soic8|~/d/Soic8.Dra"},
        {"soic8.DRA", 4,
         "SOIC8|~/a/SOIC8.dra;soic8|~/b/soic8.DRA;SOIC8|~/b/SOIC8.dra;Soic8|~/d/Soic8.Dra"},
        {"SOIC8.psm", 1, "SOIC8|~/c/SOIC8.psm"},
        {"MISSING.dra", 0, ""},
        {".dra", 0, ""},
        {"", 0, ""},
        {"sub/X.dra", 0, ""}, // only files of the folders themselves
        {"../a/SOIC8.dra", 0, ""},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.pszFile);
        CFootprint footprint;
        EXPECT_EQ(footprint.CreateFootprintList(searchPath, QString::fromUtf8(c.pszFile),
                                                PROP_JEDEC_TYPE, SEARCH_VIEWING),
                  c.nHits);
        EXPECT_EQ(Flatten(footprint), QString::fromUtf8(c.pszExpected));
    }
}

TEST_F(FootprintSearchTest, viewingMatchesNonAsciiNamesIgnoringCase)
{
    Touch(QStringLiteral("a/\u00D6SE.dra"));
    const CSearchPath searchPath = Folders({"a"});
    CFootprint footprint;
    EXPECT_EQ(footprint.CreateFootprintList(searchPath, QStringLiteral("\u00F6se.dra"),
                                            PROP_JEDEC_TYPE, SEARCH_VIEWING),
              1);
    EXPECT_EQ(Flatten(footprint), QStringLiteral("\u00D6SE|~/a/\u00D6SE.dra"));
}

// Many names in one pass give what one search per name, in turn, gives.
TEST_F(FootprintSearchTest, viewingManyNamesAtOnceMatchesOneSearchPerName)
{
    for (const char* pszFile : {"a/SOIC8.dra", "a/soic8.DRA", "b/soic8.DRA", "b/DIP8.dra",
                                "c/DIP8.dra", "c/SOIC8.dra", "c/QFP.psm"})
        Touch(QString::fromLatin1(pszFile));
    Touch(QStringLiteral("b/\u00D6SE.dra"));
    const CSearchPath searchPath = Folders({"a", "missing", "b", "c"});
    const QStringList names{
        "DIP8.dra", "soic8.dra",      "MISSING.dra", "SOIC8.dra",
        "",         "../a/SOIC8.dra", "DIP8.dra",    QStringLiteral("\u00F6se.dra"),
        "QFP.dra"};
    CFootprint oneByOne;
    int nOneByOne = 0;
    for (const QString& strName : names)
        nOneByOne +=
            oneByOne.CreateFootprintList(searchPath, strName, PROP_ALT_SYMBOLS, SEARCH_VIEWING);
    CFootprint atOnce;
    EXPECT_EQ(atOnce.CreateFootprintList(searchPath, names, PROP_ALT_SYMBOLS), nOneByOne);
    EXPECT_EQ(Flatten(atOnce), Flatten(oneByOne));
    EXPECT_EQ(Flatten(atOnce),
              QStringLiteral(
                  "DIP8|~/b/DIP8.dra;DIP8|~/c/DIP8.dra;SOIC8|~/a/SOIC8.dra;soic8|~/a/soic8.DRA;"
                  "soic8|~/b/soic8.DRA;SOIC8|~/c/SOIC8.dra;SOIC8|~/a/SOIC8.dra;soic8|~/a/soic8.DRA;"
                  "soic8|~/b/soic8.DRA;SOIC8|~/c/SOIC8.dra;"
                  "DIP8|~/b/DIP8.dra;DIP8|~/c/DIP8.dra;\u00D6SE|~/b/\u00D6SE.dra"));
    EXPECT_EQ(atOnce.Report().skipped.size(), 1);
}
} // namespace
